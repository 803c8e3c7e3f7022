#include "ChatEndpoints.h"

#include "ChangeWaiter.h"
#include "Clock.h"
#include "CounsellorAuthenticator.h"
#include "FormData.h"
#include "Router.h"

#include <QJsonArray>

namespace {

constexpr int historyLength = 200; // messages shown when the chat opens
constexpr int pageLength = 100; // messages in one answer to a poll

QJsonArray userView(const QList<ChatMessage>& messages)
{
    QJsonArray array;
    for (const ChatMessage& message : messages)
        array.append(chat::message(message, chat::Side::User));
    return array;
}

} // namespace

ChatEndpoints::ChatEndpoints(Database& db, const Clock& clock, CounsellorAuthenticator& counsellors,
    ChangeWaiter& waiter, Settings settings)
    : m_chats(db)
    , m_clock(clock)
    , m_counsellors(counsellors)
    , m_waiter(waiter)
    , m_settings(std::move(settings))
{ }

void ChatEndpoints::addRoutes(Router& router)
{
    router.addEndpoint("chat/start", Router::Access::SignedIn, *this, &ChatEndpoints::start);
    router.addEndpoint("chat/send", Router::Access::SignedIn, *this, &ChatEndpoints::send);
    router.addEndpoint("chat/messages", Router::Access::SignedIn, *this, &ChatEndpoints::messages);
}

QJsonObject ChatEndpoints::presence()
{
    return {{QStringLiteral("counsellor_online"), m_counsellors.anyoneOnline()},
        {QStringLiteral("opening_hours"), chat::openingHours(m_settings.openingHours)},
        {QStringLiteral("max_length"), chat::maxMessageLength}};
}

ApiResponse ChatEndpoints::start(const Call& call)
{
    const Conversation conversation = m_chats.startFor(call.userId(), m_clock.now());
    QJsonObject data = presence();
    data.insert(QStringLiteral("messages"), userView(m_chats.recent(conversation.id, historyLength)));
    data.insert(QStringLiteral("last_id"), conversation.lastSeq);
    return answers::success(QStringLiteral("Your conversation is open."), data);
}

ApiResponse ChatEndpoints::send(const Call& call)
{
    const std::optional<QString> text = call.form.value(QStringLiteral("text"));
    if (!text)
        return Call::missingField(QStringLiteral("text"));
    if (const std::optional<QString> refused = chat::textRefusal(*text))
        return answers::refusal(resultcode::invalid, *refused);
    const std::optional<QString> clientId = call.form.value(QStringLiteral("client_id"));
    if (clientId && !chat::isClientId(*clientId))
        return answers::failure(422, QStringLiteral("The client_id field is not a message name."));
    const qint64 now = m_clock.now();
    const Conversation conversation = m_chats.startFor(call.userId(), now);
    const ChatStore::Posted posted = m_chats.post(
        conversation.id, {ChatAuthor::User, std::nullopt, clientId, *text}, now, m_settings.rate);
    if (posted.result == ChatStore::PostResult::TooFast)
        return answers::tooManyRequests(
            QStringLiteral("You are sending messages very fast."), posted.retryAfterSeconds);
    if (!posted.message)
        return answers::failure(500, QStringLiteral("The message could not be kept."));
    m_waiter.notifyChange();
    QJsonObject data = presence();
    data.insert(QStringLiteral("message"), chat::message(*posted.message, chat::Side::User));
    return answers::success(QStringLiteral("Your message has been sent."), data);
}

ApiResponse ChatEndpoints::messages(const Call& call)
{
    const std::optional<qint64> after = chat::counter(call.form, QStringLiteral("after"), 0);
    const std::optional<qint64> wait = chat::counter(call.form, QStringLiteral("wait"), 0);
    if (!after || !wait || *wait > chat::maxWaitSeconds)
        return answers::failure(422,
            QStringLiteral("after must be a message id and wait from 0 to %1 seconds.")
                .arg(chat::maxWaitSeconds));
    const Conversation conversation = m_chats.startFor(call.userId(), m_clock.now());
    m_waiter.waitUntil(
        [&] { return m_chats.lastSeq(conversation.id) > *after; }, std::chrono::seconds(*wait));
    QJsonObject data = presence();
    data.insert(QStringLiteral("messages"), userView(m_chats.messages(conversation.id, *after, pageLength)));
    data.insert(QStringLiteral("last_id"), m_chats.lastSeq(conversation.id));
    return answers::success(QStringLiteral("ok"), data);
}
