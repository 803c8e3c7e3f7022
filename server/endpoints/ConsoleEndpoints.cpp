#include "ConsoleEndpoints.h"

#include "ChangeWaiter.h"
#include "ChatRecords.h"
#include "Clock.h"
#include "Diagnostics.h"
#include "FormData.h"
#include "Mail.h"
#include "PinReveal.h"
#include "Router.h"
#include "Validation.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>

namespace {

const QByteArray cookieName = "brevak_console";
const QByteArray apiPrefix = "/console/api/";
constexpr int listLength = 200;
constexpr int pageLength = 200;

// The console's own files, bundled into the server: the page, its script, its style, and the shared
// page colours of the application's pages.
ApiResponse staticFile(const QString& resource, const QByteArray& contentType)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return answers::failure(404, QStringLiteral("There is nothing at this address."));
    ApiResponse response;
    response.contentType = contentType;
    response.body = file.readAll();
    response.headers = {{"Cache-Control", "no-cache"}, {"Referrer-Policy", "no-referrer"},
        {"X-Frame-Options", "DENY"},
        {"Content-Security-Policy",
            "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; img-src 'self'; "
            "base-uri 'none'; form-action 'none'; frame-ancestors 'none'"}};
    return response;
}

QByteArray cookieValue(const QByteArray& header, const QByteArray& name)
{
    for (const QByteArray& part : header.split(';')) {
        const QByteArray pair = part.trimmed();
        if (pair.startsWith(QByteArray(name + '=')))
            return pair.mid(name.size() + 1);
    }
    return {};
}

QJsonArray consoleView(const QList<ChatMessage>& messages)
{
    QJsonArray array;
    for (const ChatMessage& message : messages)
        array.append(chat::message(message, chat::Side::Console));
    return array;
}

QString pinState(const std::optional<StoredPin>& pin)
{
    if (!pin)
        return QStringLiteral("none");
    return pin->timeHours == validation::foreverHours ? QStringLiteral("forever")
                                                      : QStringLiteral("%1 h").arg(pin->timeHours);
}

QString timeOfDay(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(QStringLiteral("HH:mm"))
        + QStringLiteral(" UTC");
}

ApiResponse signedOut()
{
    return answers::failure(401, QStringLiteral("Please sign in to the console."));
}

} // namespace

ConsoleEndpoints::ConsoleEndpoints(Database& db, const Clock& clock, CounsellorAuthenticator& authenticator,
    ChangeWaiter& waiter, const PinCipher& cipher, MailTransport& mail, Settings settings)
    : m_chats(db)
    , m_pins(db)
    , m_reveals(db)
    , m_db(db)
    , m_clock(clock)
    , m_authenticator(authenticator)
    , m_waiter(waiter)
    , m_cipher(cipher)
    , m_mail(mail)
    , m_settings(settings)
{ }

void ConsoleEndpoints::addRoutes(Router& router)
{
    const auto file = [&router](const QByteArray& path, const QString& resource, const QByteArray& type) {
        router.addRequestHandler(path, [resource, type](const ApiRequest& request) {
            if (request.method != "GET" && request.method != "HEAD")
                return answers::failure(405, QStringLiteral("Use GET."));
            return staticFile(resource, type);
        });
    };
    file("/console", QStringLiteral(":/console/console.html"), "text/html; charset=utf-8");
    file("/console/console.js", QStringLiteral(":/console/console.js"), "text/javascript; charset=utf-8");
    file("/console/console.css", QStringLiteral(":/console/console.css"), "text/css; charset=utf-8");
    file("/console/pages.css", QStringLiteral(":/console/pages.css"), "text/css; charset=utf-8");

    router.addRequestHandler(
        apiPrefix + "sign-in", [this](const ApiRequest& request) { return signIn(request); });
    const std::pair<const char*, Action> actions[] = {
        {"sign-out", &ConsoleEndpoints::signOut},
        {"session", &ConsoleEndpoints::session},
        {"conversations", &ConsoleEndpoints::conversations},
        {"conversation", &ConsoleEndpoints::conversation},
        {"send", &ConsoleEndpoints::send},
        {"close", &ConsoleEndpoints::close},
        {"reveal-pin", &ConsoleEndpoints::revealPin},
    };
    for (const auto& [name, action] : actions) {
        router.addRequestHandler(
            apiPrefix + name, [this, action](const ApiRequest& request) { return call(request, action); });
    }
}

QByteArray ConsoleEndpoints::sessionCookie(const QString& token, qint64 maxAgeSeconds) const
{
    return cookieName + '=' + token.toLatin1() + "; Path=/console; HttpOnly; SameSite=Strict; Max-Age="
        + QByteArray::number(maxAgeSeconds) + (m_settings.secureCookie ? "; Secure" : "");
}

// The checks every call of the console's script passes: POST, from the console's script, form-encoded.
static std::variant<FormData, ApiResponse> consoleForm(const ApiRequest& request)
{
    if (request.method != "POST")
        return answers::failure(405, QStringLiteral("Use POST."));
    if (request.requestedWith != "brevak-console")
        return answers::failure(403, QStringLiteral("Only the console's own page can do this."));
    if (!request.body.isEmpty()
        && !request.contentType.toLower().startsWith("application/x-www-form-urlencoded"))
        return answers::failure(422, QStringLiteral("Send the fields as application/x-www-form-urlencoded."));
    QString error;
    std::optional<FormData> form = FormData::parse(request.body, error);
    if (!form)
        return answers::failure(422, QStringLiteral("The request is malformed: ") + error + u'.');
    return *form;
}

ApiResponse ConsoleEndpoints::call(const ApiRequest& request, Action action)
{
    std::variant<FormData, ApiResponse> form = consoleForm(request);
    if (auto* refused = std::get_if<ApiResponse>(&form))
        return *refused;
    const std::optional<Identity> who = m_authenticator.identify(cookieValue(request.cookie, cookieName));
    if (!who)
        return signedOut();
    return (this->*action)(*who, std::get<FormData>(form));
}

ApiResponse ConsoleEndpoints::signIn(const ApiRequest& request)
{
    std::variant<FormData, ApiResponse> parsed = consoleForm(request);
    if (auto* refused = std::get_if<ApiResponse>(&parsed))
        return *refused;
    const FormData& form = std::get<FormData>(parsed);
    const CounsellorAuthenticator::SignIn result
        = m_authenticator.signIn(form.valueOr(QStringLiteral("email")),
            form.valueOr(QStringLiteral("password")), request.remoteAddress);
    if (result.retryAfterSeconds > 0)
        return answers::tooManyRequests(
            QStringLiteral("Too many sign-in attempts."), result.retryAfterSeconds);
    if (!result.identity)
        return answers::refusal(
            resultcode::badCredentials, QStringLiteral("The address or the password is not right."));
    ApiResponse answer = answers::success(QStringLiteral("You are signed in."),
        QJsonObject {{QStringLiteral("name"), result.identity->counsellor.name}});
    answer.headers.append({"Set-Cookie",
        sessionCookie(
            result.token, result.identity->session.expiresAt - result.identity->session.lastUsedAt)});
    return answer;
}

ApiResponse ConsoleEndpoints::signOut(const Identity& who, const FormData&)
{
    m_authenticator.signOut(who.session);
    ApiResponse answer = answers::success(QStringLiteral("You are signed out."));
    answer.headers.append({"Set-Cookie", sessionCookie({}, 0)});
    return answer;
}

ApiResponse ConsoleEndpoints::session(const Identity& who, const FormData&)
{
    return answers::success(
        QStringLiteral("You are signed in."), QJsonObject {{QStringLiteral("name"), who.counsellor.name}});
}

ApiResponse ConsoleEndpoints::conversations(const Identity&, const FormData& form)
{
    const std::optional<qint64> after = chat::counter(form, QStringLiteral("after"), -1);
    const std::optional<qint64> wait = chat::counter(form, QStringLiteral("wait"), 0);
    if (!after || !wait || *wait > chat::maxWaitSeconds)
        return answers::failure(422,
            QStringLiteral("after must be a stamp and wait at most %1 seconds.").arg(chat::maxWaitSeconds));
    m_waiter.waitUntil([&] { return m_chats.activityStamp() != *after; }, std::chrono::seconds(*wait));
    const qint64 stamp = m_chats.activityStamp();
    QJsonArray list;
    for (const ConversationSummary& summary : m_chats.open(listLength)) {
        list.append(QJsonObject {{QStringLiteral("id"), summary.conversation.id},
            {QStringLiteral("user_name"), summary.userName ? QJsonValue(*summary.userName) : QJsonValue()},
            {QStringLiteral("user_email"), summary.userEmail},
            {QStringLiteral("waiting"), summary.lastAuthor == ChatAuthor::User},
            {QStringLiteral("last_text"),
                summary.lastAuthor == ChatAuthor::Note ? QString() : summary.lastBody.left(160)},
            {QStringLiteral("updated_at"), timestamps::iso(summary.conversation.updatedAt)}});
    }
    return answers::success(QStringLiteral("ok"),
        QJsonObject {{QStringLiteral("stamp"), stamp}, {QStringLiteral("conversations"), list}});
}

std::variant<Conversation, ApiResponse> ConsoleEndpoints::namedConversation(const FormData& form)
{
    const std::optional<qint64> id = validation::positiveId(form.valueOr(QStringLiteral("id")));
    if (!id)
        return answers::failure(422, QStringLiteral("The id field must name a conversation."));
    const std::optional<Conversation> found = m_chats.byId(*id);
    if (!found)
        return answers::refusal(resultcode::notFound, QStringLiteral("There is no such conversation."));
    return *found;
}

ApiResponse ConsoleEndpoints::conversation(const Identity&, const FormData& form)
{
    std::variant<Conversation, ApiResponse> named = namedConversation(form);
    if (auto* refused = std::get_if<ApiResponse>(&named))
        return *refused;
    const Conversation& found = std::get<Conversation>(named);
    const std::optional<qint64> after = chat::counter(form, QStringLiteral("after"), 0);
    const std::optional<qint64> wait = chat::counter(form, QStringLiteral("wait"), 0);
    if (!after || !wait || *wait > chat::maxWaitSeconds)
        return answers::failure(422,
            QStringLiteral("after must be a message id and wait at most %1 seconds.")
                .arg(chat::maxWaitSeconds));
    m_waiter.waitUntil([&] { return m_chats.lastSeq(found.id) > *after; }, std::chrono::seconds(*wait));

    const std::optional<UserRecord> user = UserStore(m_db).byId(found.userId);
    QJsonArray reveals;
    for (const RevealRecord& reveal : m_reveals.ofUser(found.userId)) {
        reveals.append(QJsonObject {{QStringLiteral("counsellor"), reveal.counsellorName},
            {QStringLiteral("counsellor_email"), reveal.counsellorEmail},
            {QStringLiteral("at"), timestamps::iso(reveal.revealedAt)}});
    }
    const QJsonObject person {
        {QStringLiteral("name"), user && user->name ? QJsonValue(*user->name) : QJsonValue()},
        {QStringLiteral("email"), user ? user->email : QString()},
        {QStringLiteral("pin"), pinState(m_pins.ofUser(found.userId))}};
    return answers::success(QStringLiteral("ok"),
        QJsonObject {{QStringLiteral("id"), found.id}, {QStringLiteral("user"), person},
            {QStringLiteral("closed"), m_chats.byId(found.id).value_or(found).closedAt.has_value()},
            {QStringLiteral("messages"),
                consoleView(*after > 0 ? m_chats.messages(found.id, *after, pageLength)
                                       : m_chats.recent(found.id, pageLength))},
            {QStringLiteral("reveals"), reveals}});
}

ApiResponse ConsoleEndpoints::send(const Identity& who, const FormData& form)
{
    std::variant<Conversation, ApiResponse> named = namedConversation(form);
    if (auto* refused = std::get_if<ApiResponse>(&named))
        return *refused;
    const QString text = form.valueOr(QStringLiteral("text"));
    if (const std::optional<QString> refused = chat::textRefusal(text))
        return answers::refusal(resultcode::invalid, *refused);
    const std::optional<QString> clientId = form.value(QStringLiteral("client_id"));
    if (clientId && !chat::isClientId(*clientId))
        return answers::failure(422, QStringLiteral("The client_id field is not a message name."));
    const ChatStore::Posted posted = m_chats.post(std::get<Conversation>(named).id,
        {ChatAuthor::Counsellor, who.counsellor.id, clientId, text}, m_clock.now());
    if (!posted.message)
        return answers::failure(500, QStringLiteral("The message could not be kept."));
    m_waiter.notifyChange();
    return answers::success(QStringLiteral("Sent."),
        QJsonObject {{QStringLiteral("message"), chat::message(*posted.message, chat::Side::Console)}});
}

ApiResponse ConsoleEndpoints::close(const Identity&, const FormData& form)
{
    std::variant<Conversation, ApiResponse> named = namedConversation(form);
    if (auto* refused = std::get_if<ApiResponse>(&named))
        return *refused;
    m_chats.close(std::get<Conversation>(named).id, m_clock.now());
    m_waiter.notifyChange();
    return answers::success(QStringLiteral("The conversation is closed."));
}

ApiResponse ConsoleEndpoints::revealPin(const Identity& who, const FormData& form)
{
    std::variant<Conversation, ApiResponse> named = namedConversation(form);
    if (auto* refused = std::get_if<ApiResponse>(&named))
        return *refused;
    const Conversation& found = std::get<Conversation>(named);
    const qint64 now = m_clock.now();
    const ChatStore::RevealClaim claim = m_chats.claimReveal(found.id, now, m_settings.revealQuietSeconds);
    if (!claim.claimed) {
        return answers::refusal(resultcode::conflict,
            QStringLiteral("The pin code was already mailed at %1. It can be mailed again %2 minutes later.")
                .arg(timeOfDay(claim.previous.value_or(now)))
                .arg(m_settings.revealQuietSeconds / 60));
    }
    const std::variant<PinReveal::Opened, QString> opened = PinReveal(m_db, m_cipher).open(found.userId);
    QString error;
    if (const QString* why = std::get_if<QString>(&opened))
        error = *why;
    else if (!PinReveal::mail(std::get<PinReveal::Opened>(opened), m_mail, error))
        error = QStringLiteral("the mail could not be sent: ") + error;
    if (!error.isEmpty()) {
        m_chats.releaseReveal(found.id, claim.previous);
        diagnostics::printLine(QStringLiteral("pin of account %1 not mailed for counsellor %2: %3")
                                   .arg(found.userId)
                                   .arg(who.counsellor.id)
                                   .arg(error));
        return answers::refusal(
            resultcode::notFound, QStringLiteral("The pin code was not mailed: ") + error + u'.');
    }
    m_reveals.record(found.userId, who.counsellor.id, now);
    m_chats.post(
        found.id, {ChatAuthor::Note, who.counsellor.id, std::nullopt, QStringLiteral("pin_mailed")}, now);
    m_waiter.notifyChange();
    diagnostics::printLine(
        QStringLiteral("pin of account %1 mailed by counsellor %2").arg(found.userId).arg(who.counsellor.id));
    return answers::success(
        QStringLiteral("The pin code was mailed to %1.").arg(std::get<PinReveal::Opened>(opened).user.email));
}
