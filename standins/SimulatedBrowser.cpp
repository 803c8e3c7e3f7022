#include "SimulatedBrowser.h"

#include "SimulatedRoot.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace simulated_browser {

namespace {

QString behaviourFile()
{
    return simulated::rootFolder() + QStringLiteral("/Simulator/browser");
}

} // namespace

QString name(Behaviour behaviour)
{
    switch (behaviour) {
    case Behaviour::approve:
        return QStringLiteral("approve");
    case Behaviour::deny:
        return QStringLiteral("deny");
    case Behaviour::close:
        return QStringLiteral("close");
    }
    return {};
}

std::optional<Behaviour> fromName(const QString& text)
{
    for (Behaviour behaviour : {Behaviour::approve, Behaviour::deny, Behaviour::close}) {
        if (name(behaviour) == text) {
            return behaviour;
        }
    }
    return std::nullopt;
}

Behaviour behaviour()
{
    QFile file(behaviourFile());
    if (!file.open(QIODevice::ReadOnly)) {
        return Behaviour::approve;
    }
    return fromName(QString::fromUtf8(file.readAll()).trimmed()).value_or(Behaviour::approve);
}

bool setBehaviour(Behaviour behaviour)
{
    QSaveFile file(behaviourFile());
    return QDir().mkpath(simulated::rootFolder() + QStringLiteral("/Simulator"))
        && file.open(QIODevice::WriteOnly) && file.write(name(behaviour).toUtf8() + '\n') > 0
        && file.commit();
}

} // namespace simulated_browser
