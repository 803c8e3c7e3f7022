#include "MacState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace simulated {

namespace {

constexpr int formatVersion = 1;

QJsonArray toJsonArray(const QStringList& texts)
{
    return QJsonArray::fromStringList(texts);
}

// Reads the fields of one JSON object, remembering the first field that is missing or of the wrong
// type, so that a damaged file is named precisely instead of being half read.
class FieldReader
{
public:
    FieldReader(const QJsonObject& object, QString where, QString* error)
        : m_object(object)
        , m_where(std::move(where))
        , m_error(error)
    { }

    bool failed() const { return m_failed; }

    bool boolean(const char* key, bool fallback = false)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined()) {
            return fallback;
        }
        if (!value.isBool()) {
            fail(key, "true or false");
            return fallback;
        }
        return value.toBool();
    }

    qint64 integer(const char* key, qint64 fallback = 0)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined()) {
            return fallback;
        }
        const double number = value.toDouble();
        if (!value.isDouble() || number != static_cast<double>(static_cast<qint64>(number)) || number < 0) {
            fail(key, "a whole number");
            return fallback;
        }
        return static_cast<qint64>(number);
    }

    QString text(const char* key, bool required = true)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined() && !required) {
            return {};
        }
        if (!value.isString()) {
            fail(key, "a text");
            return {};
        }
        return value.toString();
    }

    QStringList texts(const char* key)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined()) {
            return {};
        }
        bool valid = value.isArray();
        QStringList result;
        for (const QJsonValue& element : value.toArray()) {
            valid = valid && element.isString();
            result.append(element.toString());
        }
        if (!valid) {
            fail(key, "a list of texts");
            return {};
        }
        return result;
    }

    // The objects of an array field; each is read by `readOne`, which reports through the same error.
    template<typename T, typename ReadOne>
    QList<T> objects(const char* key, ReadOne readOne)
    {
        QList<T> result;
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined()) {
            return result;
        }
        if (!value.isArray()) {
            fail(key, "a list");
            return result;
        }
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size() && !m_failed; ++i) {
            if (!array.at(i).isObject()) {
                fail(key, "a list of objects");
                break;
            }
            FieldReader element(
                array.at(i).toObject(), QStringLiteral("%1[%2]").arg(QLatin1String(key)).arg(i), m_error);
            T item = readOne(element);
            if (element.failed()) {
                m_failed = true;
                break;
            }
            result.append(item);
        }
        return result;
    }

private:
    void fail(const char* key, const char* expected)
    {
        if (m_failed) {
            return;
        }
        m_failed = true;
        if (m_error) {
            const QString field
                = m_where.isEmpty() ? QString::fromLatin1(key) : QString(m_where + '.' + QLatin1String(key));
            *m_error = QStringLiteral("\"%1\" must be %2").arg(field, QLatin1String(expected));
        }
    }

    QJsonObject m_object;
    QString m_where;
    QString* m_error;
    bool m_failed = false;
};

} // namespace

NetworkService* MacState::findService(const QString& name)
{
    for (NetworkService& service : networkServices) {
        if (service.name == name) {
            return &service;
        }
    }
    return nullptr;
}

const NetworkService* MacState::findService(const QString& name) const
{
    return const_cast<MacState*>(this)->findService(name);
}

RunningApplication* MacState::findProcess(qint64 processId)
{
    for (RunningApplication& application : runningApplications) {
        if (application.processId == processId) {
            return &application;
        }
    }
    return nullptr;
}

const RunningApplication* MacState::findProcess(qint64 processId) const
{
    return const_cast<MacState*>(this)->findProcess(processId);
}

bool MacState::isAgentLoaded(const QString& label) const
{
    return std::any_of(loadedLaunchAgents.begin(), loadedLaunchAgents.end(),
        [&label](const LaunchAgent& agent) { return agent.label == label; });
}

void MacState::activate(
    const QString& localizedName, const QString& bundleIdentifier, const QString& bundlePath)
{
    auto running = std::find_if(runningApplications.begin(), runningApplications.end(),
        [&bundlePath](
            const RunningApplication& application) { return application.bundlePath == bundlePath; });
    if (running == runningApplications.end()) {
        RunningApplication started;
        started.processId = nextSimulatedProcessId++;
        started.bundleIdentifier = bundleIdentifier;
        started.localizedName = localizedName;
        started.bundlePath = bundlePath;
        runningApplications.append(started);
        running = std::prev(runningApplications.end());
    }
    frontmostProcessId = running->processId;
    for (RunningApplication& application : runningApplications) {
        if (application.listening) {
            application.pendingActivations.append(localizedName);
        }
    }
}

bool MacState::removeProcess(qint64 processId)
{
    const qsizetype removed = runningApplications.removeIf(
        [processId](const RunningApplication& application) { return application.processId == processId; });
    if (frontmostProcessId == processId) {
        frontmostProcessId = 0;
    }
    return removed > 0;
}

QByteArray MacState::toJson() const
{
    QJsonArray services;
    for (const NetworkService& service : networkServices) {
        services.append(QJsonObject {{"name", service.name}, {"enabled", service.enabled},
            {"dnsServers", toJsonArray(service.dnsServers)}});
    }
    QJsonArray running;
    for (const RunningApplication& application : runningApplications) {
        running.append(
            QJsonObject {{"processId", application.processId}, {"startTime", application.startTime},
                {"simulated", application.simulated}, {"bundleIdentifier", application.bundleIdentifier},
                {"localizedName", application.localizedName}, {"bundlePath", application.bundlePath},
                {"menuBarOnly", application.menuBarOnly}, {"listening", application.listening},
                {"pendingActivations", toJsonArray(application.pendingActivations)}});
    }
    QJsonArray agents;
    for (const LaunchAgent& agent : loadedLaunchAgents) {
        agents.append(QJsonObject {{"label", agent.label}, {"path", agent.path}});
    }
    const QJsonObject document {{"format", formatVersion}, {"networkServices", services},
        {"denyNetworkChanges", denyNetworkChanges}, {"hangNetworkSetup", hangNetworkSetup},
        {"runningApplications", running}, {"frontmostProcessId", frontmostProcessId},
        {"loadedLaunchAgents", agents}, {"nextSimulatedProcessId", nextSimulatedProcessId}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

std::optional<MacState> MacState::fromJson(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (error) {
            *error = QStringLiteral("%1 at byte %2").arg(parseError.errorString()).arg(parseError.offset);
        }
        return std::nullopt;
    }
    if (!document.isObject()) {
        if (error) {
            *error = QStringLiteral("the top level is not an object");
        }
        return std::nullopt;
    }

    FieldReader fields(document.object(), QString(), error);
    const qint64 format = fields.integer("format", -1);
    if (!fields.failed() && format != formatVersion) {
        if (error) {
            *error = QStringLiteral("unknown format %1 (this program reads format %2)")
                         .arg(format)
                         .arg(formatVersion);
        }
        return std::nullopt;
    }

    MacState state;
    state.networkServices = fields.objects<NetworkService>("networkServices", [](FieldReader& item) {
        return NetworkService {item.text("name"), item.boolean("enabled", true), item.texts("dnsServers")};
    });
    state.denyNetworkChanges = fields.boolean("denyNetworkChanges");
    state.hangNetworkSetup = fields.boolean("hangNetworkSetup");
    state.runningApplications
        = fields.objects<RunningApplication>("runningApplications", [](FieldReader& item) {
              RunningApplication application;
              application.processId = item.integer("processId");
              application.startTime = item.integer("startTime");
              application.simulated = item.boolean("simulated", true);
              application.bundleIdentifier = item.text("bundleIdentifier");
              application.localizedName = item.text("localizedName");
              application.bundlePath = item.text("bundlePath", false);
              application.menuBarOnly = item.boolean("menuBarOnly");
              application.listening = item.boolean("listening");
              application.pendingActivations = item.texts("pendingActivations");
              return application;
          });
    state.frontmostProcessId = fields.integer("frontmostProcessId");
    state.loadedLaunchAgents = fields.objects<LaunchAgent>("loadedLaunchAgents", [](FieldReader& item) {
        return LaunchAgent {item.text("label"), item.text("path")};
    });
    state.nextSimulatedProcessId = fields.integer("nextSimulatedProcessId", firstSimulatedProcessId);
    if (fields.failed()) {
        return std::nullopt;
    }
    return state;
}

} // namespace simulated
