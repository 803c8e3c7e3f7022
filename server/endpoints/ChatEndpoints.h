#pragma once

#include "ApiTypes.h"
#include "ChatRecords.h"
#include "ChatStore.h"

class ChangeWaiter;
class Clock;
class CounsellorAuthenticator;
class Database;
class Router;

// The user's side of the live chat, for the signed-in user only and only on the user's own
// conversation: start or continue it, send a message, and wait for what comes next (long polling).
class ChatEndpoints
{
public:
    struct Settings
    {
        std::optional<chat::OpeningHours> openingHours;
        ChatRate rate {20, 60}; // the user's messages per window
    };

    ChatEndpoints(Database& db, const Clock& clock, CounsellorAuthenticator& counsellors,
        ChangeWaiter& waiter, Settings settings);
    void addRoutes(Router& router); // chat/start, chat/send, chat/messages under /api/v3/

    ApiResponse start(const Call& call);
    ApiResponse send(const Call& call);
    ApiResponse messages(const Call& call);

private:
    // Whether a counsellor is at the console, and when they usually are.
    QJsonObject presence();

    ChatStore m_chats;
    const Clock& m_clock;
    CounsellorAuthenticator& m_counsellors;
    ChangeWaiter& m_waiter;
    Settings m_settings;
};
