#include "ChatBridge.h"

#include "ChatService.h"
#include "Localization.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimeZone>

namespace {

// A quick, empty answer to a poll means the server did not wait (it is busy): ask again a bit later.
constexpr int quickAnswerMilliseconds = 1000;
constexpr int busyPauseMilliseconds = 3000;

// "08:00" in `zone` today, as the time of day here.
QString localTime(const QString& time, const QTimeZone& zone)
{
    const QTime given = QTime::fromString(time, QStringLiteral("HH:mm"));
    if (!given.isValid()) // "24:00"
        return time;
    const QDate today = QDateTime::currentDateTimeUtc().toTimeZone(zone).date();
    return QDateTime(today, given, zone).toLocalTime().time().toString(QStringLiteral("HH:mm"));
}

} // namespace

ChatBridge::ChatBridge(ChatService& service, QObject* parent)
    : QObject(parent)
    , m_service(service)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(std::chrono::seconds(10));
    connect(&m_retry, &QTimer::timeout, this, &ChatBridge::open);
    localization::followLanguage(this, [this] {
        m_texts = localizedTexts();
        Q_EMIT textsChanged(m_texts);
    });
}

QJsonObject ChatBridge::localizedTexts()
{
    const auto text = [](const char* english) { return localizedText(QString::fromUtf8(english)); };
    return {
        {QStringLiteral("language"), localization::currentLanguageCode()},
        {QStringLiteral("title"), text("Live chat")},
        {QStringLiteral("intro"),
            text("Talk with a BREVAK counsellor. What you write stays between you and them.")},
        {QStringLiteral("writingAs"), text("You are writing as")},
        {QStringLiteral("you"), text("You")},
        {QStringLiteral("counsellor"), text("Counsellor")},
        {QStringLiteral("messages"), text("Conversation")},
        {QStringLiteral("empty"), text("No messages yet. Say hello: a counsellor will answer.")},
        {QStringLiteral("yourMessage"), text("Your message")},
        {QStringLiteral("send"), text("Send")},
        {QStringLiteral("sendHint"), text("Press Enter to send, Shift+Enter for a new line.")},
        {QStringLiteral("sending"), text("Sending…")},
        {QStringLiteral("notSent"), text("Not sent.")},
        {QStringLiteral("sendAgain"), text("Send again")},
        {QStringLiteral("connecting"), text("Connecting to the chat…")},
        {QStringLiteral("offline"),
            text("BREVAK cannot connect to the chat. Check your connection; nothing you wrote is lost.")},
        {QStringLiteral("tryAgain"), text("Try again")},
        {QStringLiteral("signedOut"),
            text("Your session has ended. Sign in to BREVAK again to reach a counsellor.")},
        {QStringLiteral("pinMailed"), text("A counsellor sent your pin code to your e-mail address.")},
        {QStringLiteral("online"), text("A counsellor is online.")},
        {QStringLiteral("nobodyOnline"),
            text("No counsellor is online right now. Leave a message: one will answer as soon as they can.")},
        {QStringLiteral("hours"), text("Counsellors are usually here every day from %1 to %2 (your time).")},
        {QStringLiteral("tooFast"), text("You are sending messages very fast. Please wait %1 seconds.")},
    };
}

QJsonObject ChatBridge::presence(const QJsonObject& answer, const QJsonObject& texts)
{
    const bool online = answer.value(QStringLiteral("counsellor_online")).toBool();
    QString hours;
    const QJsonObject opening = answer.value(QStringLiteral("opening_hours")).toObject();
    if (!online && !opening.isEmpty()) {
        const QTimeZone zone(opening.value(QStringLiteral("time_zone")).toString().toUtf8());
        const QTimeZone there = zone.isValid() ? zone : QTimeZone::utc();
        hours = texts.value(QStringLiteral("hours"))
                    .toString()
                    .arg(localTime(opening.value(QStringLiteral("opens")).toString(), there),
                        localTime(opening.value(QStringLiteral("closes")).toString(), there));
    }
    return {{QStringLiteral("online"), online},
        {QStringLiteral("status"),
            texts.value(online ? QStringLiteral("online") : QStringLiteral("nobodyOnline")).toString()},
        {QStringLiteral("hours"), hours},
        {QStringLiteral("maxLength"), answer.value(QStringLiteral("max_length")).toInt(2000)}};
}

void ChatBridge::open()
{
    m_retry.stop();
    m_texts = localizedTexts();
    const quint64 generation = ++m_generation;
    m_service.start(
        [this, generation](const QJsonObject& data) {
            if (generation != m_generation)
                return;
            m_connected = true;
            const QJsonArray messages = data.value(QStringLiteral("messages")).toArray();
            m_lastId = 0;
            take(messages);
            Q_EMIT opened(messages, presence(data, m_texts));
            pollNext(generation);
        },
        [this, generation](const ChatService::Failure& failure) {
            lost(generation, failure.kind == ChatService::Failure::Kind::signedOut);
        });
}

void ChatBridge::retry()
{
    open();
}

void ChatBridge::take(const QJsonArray& messages)
{
    for (const QJsonValue& message : messages)
        m_lastId = std::max(m_lastId, message.toObject().value(QStringLiteral("id")).toInteger());
}

void ChatBridge::pollNext(quint64 generation)
{
    auto asked = std::make_shared<QElapsedTimer>();
    asked->start();
    m_service.poll(
        m_lastId, pollWaitSeconds,
        [this, generation, asked](const QJsonObject& data) {
            if (generation != m_generation)
                return;
            const QJsonArray messages = data.value(QStringLiteral("messages")).toArray();
            take(messages);
            Q_EMIT received(messages, presence(data, m_texts));
            if (messages.isEmpty() && asked->elapsed() < quickAnswerMilliseconds)
                QTimer::singleShot(busyPauseMilliseconds, this, [this, generation] {
                    if (generation == m_generation)
                        pollNext(generation);
                });
            else
                pollNext(generation);
        },
        [this, generation](const ChatService::Failure& failure) {
            lost(generation, failure.kind == ChatService::Failure::Kind::signedOut);
        });
}

void ChatBridge::lost(quint64 generation, bool sessionEnded)
{
    if (generation != m_generation)
        return;
    ++m_generation;
    m_connected = false;
    if (sessionEnded) {
        Q_EMIT signedOut();
        return;
    }
    Q_EMIT disconnected();
    m_retry.start();
}

void ChatBridge::send(const QString& clientId, const QString& text)
{
    m_service.send(
        clientId, text,
        [this, clientId](const QJsonObject& data) {
            Q_EMIT sent(clientId, data.value(QStringLiteral("message")).toObject());
            // A message that went through while the page thought it was offline: the connection is back.
            if (!m_connected)
                open();
        },
        [this, clientId](const ChatService::Failure& failure) {
            using Kind = ChatService::Failure::Kind;
            switch (failure.kind) {
            case Kind::offline:
                Q_EMIT notSent(clientId, m_texts.value(QStringLiteral("offline")).toString(), true);
                lost(m_generation, false);
                break;
            case Kind::signedOut:
                Q_EMIT notSent(clientId, m_texts.value(QStringLiteral("signedOut")).toString(), false);
                lost(m_generation, true);
                break;
            case Kind::tooFast:
                Q_EMIT notSent(clientId,
                    m_texts.value(QStringLiteral("tooFast")).toString().arg(failure.retryAfterSeconds), true);
                break;
            case Kind::refused:
                Q_EMIT notSent(clientId, failure.message, false);
                break;
            }
        });
}

void ChatBridge::postScriptMessage(const QString& name, const QJsonValue& body)
{
    Q_EMIT scriptMessageReceived(name, body);
}
