#include "ChatStore.h"

#include "Sql.h"

#include <algorithm>

namespace {

const QString messageQuery
    = QStringLiteral("SELECT m.seq, m.author, c.name, m.client_id, m.body, m.created_at FROM chat_messages m "
                     "LEFT JOIN counsellors c ON c.id = m.counsellor_id WHERE m.conversation_id = ? ");

QList<ChatMessage> readMessages(Sql& query)
{
    QList<ChatMessage> found;
    while (query.next()) {
        found.append({query.int64(0), static_cast<ChatAuthor>(query.int64(1)), query.optionalText(2),
            query.optionalText(3), query.text(4), query.int64(5)});
    }
    return found;
}

const QString conversationColumns
    = QStringLiteral("id, user_id, last_seq, updated_at, closed_at FROM chat_conversations ");

Conversation readConversation(const Sql& row)
{
    return {row.int64(0), row.int64(1), row.int64(2), row.int64(3), row.optionalInt64(4)};
}

QVariant optionalText(const std::optional<QString>& text)
{
    return text ? QVariant(*text) : QVariant(QMetaType::fromType<QString>());
}

} // namespace

Conversation ChatStore::startFor(qint64 userId, qint64 now)
{
    Sql(m_db,
        QStringLiteral("INSERT INTO chat_conversations (user_id, last_seq, changes, created_at, updated_at) "
                       "VALUES (?, 0, 0, ?, ?) ON CONFLICT (user_id) DO NOTHING"))
        .bind(userId)
        .bind(now)
        .bind(now)
        .exec();
    Sql query(m_db, QStringLiteral("SELECT ") + conversationColumns + QStringLiteral("WHERE user_id = ?"));
    query.bind(userId).exec();
    if (!query.next())
        throw StorageError("a conversation just made cannot be read");
    return readConversation(query);
}

std::optional<Conversation> ChatStore::byId(qint64 id)
{
    Sql query(m_db, QStringLiteral("SELECT ") + conversationColumns + QStringLiteral("WHERE id = ?"));
    query.bind(id).exec();
    if (!query.next())
        return std::nullopt;
    return readConversation(query);
}

QList<ChatMessage> ChatStore::messages(qint64 conversationId, qint64 afterSeq, int limit)
{
    Sql query(m_db, messageQuery + QStringLiteral("AND m.seq > ? ORDER BY m.seq LIMIT ?"));
    query.bind(conversationId).bind(afterSeq).bind(limit).exec();
    return readMessages(query);
}

QList<ChatMessage> ChatStore::recent(qint64 conversationId, int limit)
{
    Sql query(m_db, messageQuery + QStringLiteral("ORDER BY m.seq DESC LIMIT ?"));
    query.bind(conversationId).bind(limit).exec();
    QList<ChatMessage> found = readMessages(query);
    std::reverse(found.begin(), found.end());
    return found;
}

qint64 ChatStore::lastSeq(qint64 conversationId)
{
    Sql query(m_db, QStringLiteral("SELECT last_seq FROM chat_conversations WHERE id = ?"));
    query.bind(conversationId).exec();
    return query.next() ? query.int64(0) : 0;
}

ChatStore::Posted ChatStore::post(
    qint64 conversationId, const NewChatMessage& message, qint64 now, const std::optional<ChatRate>& rate)
{
    Transaction transaction(m_db);
    // Taking the number locks the conversation until the commit: the checks below and the numbering
    // are one step for every writer of this conversation.
    Sql bump(m_db,
        QStringLiteral("UPDATE chat_conversations SET last_seq = last_seq + 1, changes = changes + 1, "
                       "updated_at = ?, closed_at = CASE WHEN ? = 1 THEN NULL ELSE closed_at END "
                       "WHERE id = ? RETURNING last_seq"));
    bump.bind(now).bind(message.author == ChatAuthor::User ? 1 : 0).bind(conversationId).exec();
    if (!bump.next())
        return {PostResult::NoConversation, std::nullopt, 0};
    const qint64 seq = bump.int64(0);

    if (message.clientId) {
        Sql earlier(m_db, messageQuery + QStringLiteral("AND m.client_id = ?"));
        earlier.bind(conversationId).bind(*message.clientId).exec();
        const QList<ChatMessage> found = readMessages(earlier);
        if (!found.isEmpty())
            return {PostResult::AlreadyThere, found.first(), 0};
    }
    if (rate) {
        Sql recentCount(m_db,
            QStringLiteral("SELECT COUNT(*), MIN(created_at) FROM chat_messages WHERE conversation_id = ? "
                           "AND author = ? AND created_at > ?"));
        recentCount.bind(conversationId)
            .bind(static_cast<int>(ChatAuthor::User))
            .bind(now - rate->windowSeconds)
            .exec();
        if (recentCount.next() && recentCount.int64(0) >= rate->messages) {
            const qint64 freeAt = recentCount.int64(1) + rate->windowSeconds + 1;
            return {PostResult::TooFast, std::nullopt, std::max<qint64>(1, freeAt - now)};
        }
    }
    Sql(m_db,
        QStringLiteral(
            "INSERT INTO chat_messages (conversation_id, seq, author, counsellor_id, client_id, body, "
            "created_at) VALUES (?, ?, ?, ?, ?, ?, ?)"))
        .bind(conversationId)
        .bind(seq)
        .bind(static_cast<int>(message.author))
        .bindOptional(message.counsellorId)
        .bind(optionalText(message.clientId))
        .bind(message.body)
        .bind(now)
        .exec();
    QList<ChatMessage> added = messages(conversationId, seq - 1, 1);
    transaction.commit();
    return {PostResult::Added, added.value(0), 0};
}

QList<ConversationSummary> ChatStore::open(int limit)
{
    Sql query(m_db,
        QStringLiteral("SELECT cv.id, cv.user_id, cv.last_seq, cv.updated_at, cv.closed_at, u.name, u.email, "
                       "m.author, m.body FROM chat_conversations cv JOIN users u ON u.id = cv.user_id "
                       "JOIN chat_messages m ON m.conversation_id = cv.id AND m.seq = cv.last_seq "
                       "WHERE cv.closed_at IS NULL ORDER BY cv.updated_at DESC, cv.id DESC LIMIT ?"));
    query.bind(limit).exec();
    QList<ConversationSummary> found;
    while (query.next()) {
        found.append({readConversation(query), query.optionalText(5), query.text(6),
            static_cast<ChatAuthor>(query.int64(7)), query.text(8)});
    }
    return found;
}

qint64 ChatStore::activityStamp()
{
    Sql query(m_db, QStringLiteral("SELECT COALESCE(SUM(changes), 0) FROM chat_conversations"));
    query.exec();
    return query.next() ? query.int64(0) : 0;
}

bool ChatStore::close(qint64 conversationId, qint64 now)
{
    Sql update(m_db,
        QStringLiteral("UPDATE chat_conversations SET closed_at = ?, changes = changes + 1 WHERE id = ? AND "
                       "closed_at IS NULL"));
    update.bind(now).bind(conversationId).exec();
    return update.rowsAffected() == 1;
}

ChatStore::RevealClaim ChatStore::claimReveal(qint64 conversationId, qint64 now, qint64 quietSeconds)
{
    Transaction transaction(m_db);
    // Locks the conversation first, so that two claims at once are taken one after the other.
    Sql lock(m_db,
        QStringLiteral(
            "UPDATE chat_conversations SET changes = changes + 1 WHERE id = ? RETURNING last_reveal_at"));
    lock.bind(conversationId).exec();
    if (!lock.next())
        return {};
    const std::optional<qint64> previous = lock.optionalInt64(0);
    if (previous && *previous > now - quietSeconds)
        return {false, previous};
    Sql(m_db, QStringLiteral("UPDATE chat_conversations SET last_reveal_at = ? WHERE id = ?"))
        .bind(now)
        .bind(conversationId)
        .exec();
    transaction.commit();
    return {true, previous};
}

void ChatStore::releaseReveal(qint64 conversationId, const std::optional<qint64>& previous)
{
    Sql(m_db, QStringLiteral("UPDATE chat_conversations SET last_reveal_at = ? WHERE id = ?"))
        .bindOptional(previous)
        .bind(conversationId)
        .exec();
}
