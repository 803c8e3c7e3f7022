#include "Storyboard.h"

#include "Diagnostics.h"

Storyboard& Storyboard::main()
{
    return SharedService<Storyboard>::get();
}

void Storyboard::registerController(const QString& identifier, Factory factory)
{
    m_factories.insert(identifier, std::move(factory));
}

QWidget* Storyboard::instantiate(const QString& identifier, QWidget* parent) const
{
    const auto it = m_factories.constFind(identifier);
    if (it == m_factories.cend()) {
        diagnostics::printLine("Storyboard has no controller named " + identifier);
        return nullptr;
    }
    QWidget* widget = (*it)(parent);
    widget->setObjectName(identifier);
    return widget;
}
