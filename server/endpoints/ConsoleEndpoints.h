#pragma once

#include "ApiTypes.h"
#include "ChatStore.h"
#include "CounsellorAuthenticator.h"
#include "PinStore.h"
#include "RevealStore.h"

#include <variant>

class ChangeWaiter;
class Clock;
class Database;
class FormData;
class MailTransport;
class PinCipher;
class Router;

// The counsellors' console at /console: the page with its script and style, and the calls it makes
// under /console/api/ (sign in and out, the open conversations, one conversation, answer, close, mail
// the PIN). The calls answer JSON envelopes; they take the counsellor's session from an HttpOnly
// cookie that only this site's pages send (SameSite=Strict), and only from the console's own script
// (X-Requested-With), so another site cannot act in a counsellor's name.
class ConsoleEndpoints
{
public:
    struct Settings
    {
        bool secureCookie = false; // behind HTTPS: the cookie is never sent in clear
        qint64 revealQuietSeconds = 10 * 60; // a second PIN mail for the same account waits this long
    };

    ConsoleEndpoints(Database& db, const Clock& clock, CounsellorAuthenticator& authenticator,
        ChangeWaiter& waiter, const PinCipher& cipher, MailTransport& mail, Settings settings);
    void addRoutes(Router& router);

private:
    using Identity = CounsellorAuthenticator::Identity;
    using Action = ApiResponse (ConsoleEndpoints::*)(const Identity&, const FormData&);

    ApiResponse call(const ApiRequest& request, Action action);
    ApiResponse signIn(const ApiRequest& request);
    ApiResponse signOut(const Identity& who, const FormData& form);
    ApiResponse session(const Identity& who, const FormData& form);
    ApiResponse conversations(const Identity& who, const FormData& form);
    ApiResponse conversation(const Identity& who, const FormData& form);
    ApiResponse send(const Identity& who, const FormData& form);
    ApiResponse close(const Identity& who, const FormData& form);
    ApiResponse revealPin(const Identity& who, const FormData& form);

    // The conversation named by the "id" field, or the answer to send instead.
    std::variant<Conversation, ApiResponse> namedConversation(const FormData& form);
    QByteArray sessionCookie(const QString& token, qint64 maxAgeSeconds) const;

    ChatStore m_chats;
    PinStore m_pins;
    RevealStore m_reveals;
    Database& m_db;
    const Clock& m_clock;
    CounsellorAuthenticator& m_authenticator;
    ChangeWaiter& m_waiter;
    const PinCipher& m_cipher;
    MailTransport& m_mail;
    Settings m_settings;
};
