#pragma once

#include <QList>
#include <QString>

#include <optional>

class Database;

// The live chat: one conversation per account and its messages. Messages are numbered by their
// conversation (seq 1, 2, ...) under a lock on the conversation, so a number is only ever seen after
// every smaller one of the same conversation: "what came after n" never skips a message, whichever
// server instance wrote it.
enum class ChatAuthor { User = 1, Counsellor = 2, Note = 3 };

struct ChatMessage
{
    qint64 seq = 0;
    ChatAuthor author = ChatAuthor::User;
    std::optional<QString> counsellorName; // for the counsellors' messages
    std::optional<QString> clientId;
    QString body; // stored and handed out as plain text; a note carries its kind ("pin_mailed")
    qint64 createdAt = 0;
};

struct Conversation
{
    qint64 id = 0;
    qint64 userId = 0;
    qint64 lastSeq = 0;
    qint64 updatedAt = 0;
    std::optional<qint64> closedAt;
};

// An open conversation as the console lists it.
struct ConversationSummary
{
    Conversation conversation;
    std::optional<QString> userName;
    QString userEmail;
    ChatAuthor lastAuthor = ChatAuthor::User;
    QString lastBody;
};

struct NewChatMessage
{
    ChatAuthor author = ChatAuthor::User;
    std::optional<qint64> counsellorId;
    std::optional<QString> clientId; // the sender's own name for the message: sending it again adds nothing
    QString body;
};

// How many of the user's own messages a conversation takes in a window of time.
struct ChatRate
{
    int messages = 0;
    qint64 windowSeconds = 0;
};

class ChatStore
{
public:
    explicit ChatStore(Database& db)
        : m_db(db)
    { }
    // The account's conversation, made on first use.
    Conversation startFor(qint64 userId, qint64 now);
    std::optional<Conversation> byId(qint64 id);
    // The first `limit` messages after `afterSeq`, in order.
    QList<ChatMessage> messages(qint64 conversationId, qint64 afterSeq, int limit);
    // The last `limit` messages, in order.
    QList<ChatMessage> recent(qint64 conversationId, int limit);
    qint64 lastSeq(qint64 conversationId);

    enum class PostResult { Added, AlreadyThere, TooFast, NoConversation };
    struct Posted
    {
        PostResult result = PostResult::Added;
        std::optional<ChatMessage> message; // the new one, or the one sent before under the same client id
        qint64 retryAfterSeconds = 0; // for TooFast
    };
    // Adds a message; a user's message reopens a closed conversation. `rate` limits the user's messages.
    Posted post(qint64 conversationId, const NewChatMessage& message, qint64 now,
        const std::optional<ChatRate>& rate = std::nullopt);
    // The conversations not closed that have a message, the most recently active first.
    QList<ConversationSummary> open(int limit);
    // Grows with every change to any conversation (a message, a closing): the console waits on it.
    qint64 activityStamp();
    // False when the conversation is unknown or already closed.
    bool close(qint64 conversationId, qint64 now);

    // Takes the right to mail the PIN of the conversation's account now, unless it was mailed in the last
    // `quietSeconds` (a second click, or a second counsellor at the same time). Returns the time of the
    // previous reveal to put back with releaseReveal when the mail could not be sent.
    struct RevealClaim
    {
        bool claimed = false;
        std::optional<qint64> previous;
    };
    RevealClaim claimReveal(qint64 conversationId, qint64 now, qint64 quietSeconds);
    void releaseReveal(qint64 conversationId, const std::optional<qint64>& previous);

private:
    Database& m_db;
};
