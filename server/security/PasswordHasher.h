#pragma once

#include <QHash>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

// argon2id cost of new password hashes. Verification reads the cost from the stored hash.
struct HashStrength
{
    unsigned long long opsLimit;
    size_t memLimit;

    static HashStrength interactive(); // libsodium's interactive setting: the default
    static HashStrength fastest(); // development and tests only
};

// Too much hashing is already waiting; the request should be tried again later.
class ServerBusy : public std::runtime_error
{
public:
    ServerBusy();
};

// Hashes and checks passwords on a few threads of its own, below the request threads' priority, so
// that a burst of sign-ins takes at most those threads' share of the processor and the other requests
// keep their pace. Callers wait for their result. The waiting room is shared fairly between clients
// (`client`: who asks, a client address): each may have a few jobs waiting, one whenever it has none,
// and they are served in turn, so that nobody's burst keeps the others out. Beyond that ServerBusy is
// thrown instead of queueing without bound.
class PasswordHasher
{
public:
    PasswordHasher(HashStrength strength, int threads, int maxWaiting = 16);
    ~PasswordHasher();
    PasswordHasher(const PasswordHasher&) = delete;
    PasswordHasher& operator=(const PasswordHasher&) = delete;

    QString hash(const QString& password, const QString& client = {});
    bool verify(const QString& storedHash, const QString& password, const QString& client = {});
    // Costs the same as checking a real password, for accounts that do not exist or have no password,
    // so the time of an answer does not tell whether an address has an account.
    void verifyNothing(const QString& password, const QString& client = {});
    bool needsRehash(const QString& storedHash) const;

private:
    void runOnWorker(const std::function<void()>& job, const QString& client);
    void work();

    HashStrength m_strength;
    int m_maxWaiting;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QHash<QString, std::deque<std::function<void()>>> m_waiting; // by client
    std::deque<QString> m_turns; // the clients with jobs waiting, in the order they are served
    int m_waitingCount = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
    std::once_flag m_decoyOnce;
    QString m_decoyHash;
};
