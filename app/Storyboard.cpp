#include "Storyboard.h"

#include "Diagnostics.h"
#include "ScreenPlugin.h"
#include "platform.h"

#include <QDir>
#include <QJsonArray>
#include <QPluginLoader>

Storyboard& Storyboard::main()
{
    return SharedService<Storyboard>::get();
}

void Storyboard::registerController(const QString& identifier, Factory factory)
{
    m_factories.insert(identifier, std::move(factory));
}

bool Storyboard::registerPlugin(const QString& name, MainWindowHost& host)
{
    const QString path = QDir(platform::pluginsFolder()).filePath(name);
    const QPluginLoader plugin(path);
    const QJsonArray identifiers = plugin.metaData()
                                       .value(QStringLiteral("MetaData"))
                                       .toObject()
                                       .value(QStringLiteral("identifiers"))
                                       .toArray();
    if (identifiers.isEmpty()) {
        diagnostics::printLine(
            "Storyboard finds no screens in the plug-in " + path + ": " + plugin.errorString());
        return false;
    }
    for (const QJsonValue& identifier : identifiers) {
        m_plugins.insert(identifier.toString(), {path, &host});
    }
    return true;
}

bool Storyboard::loadPlugin(const QString& identifier)
{
    const Plugin plugin = m_plugins.value(identifier);
    QPluginLoader loader(plugin.path);
    // Every symbol is resolved now: a missing one fails here, with its name, not at its first call.
    loader.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    auto* screens = qobject_cast<ScreenPlugin*>(loader.instance());
    if (!screens) {
        diagnostics::printLine(
            "Storyboard cannot load the plug-in " + plugin.path + ": " + loader.errorString());
        return false;
    }
    for (auto it = m_plugins.begin(); it != m_plugins.end();) {
        it = it->path == plugin.path ? m_plugins.erase(it) : std::next(it);
    }
    screens->registerScreens(*this, *plugin.host);
    return true;
}

QWidget* Storyboard::instantiate(const QString& identifier, QWidget* parent)
{
    if (!m_factories.contains(identifier) && m_plugins.contains(identifier) && !loadPlugin(identifier)) {
        return nullptr;
    }
    const auto it = m_factories.constFind(identifier);
    if (it == m_factories.cend()) {
        diagnostics::printLine("Storyboard has no controller named " + identifier);
        return nullptr;
    }
    QWidget* widget = (*it)(parent);
    widget->setObjectName(identifier);
    return widget;
}
