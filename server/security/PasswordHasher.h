#pragma once

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

// Hashes and checks passwords on a few threads of its own, so that a burst of sign-ins takes at most
// those threads' share of the processor and the other requests keep being answered. Callers wait for
// their result; when too many already wait, ServerBusy is thrown instead of queueing without bound.
class PasswordHasher
{
public:
    PasswordHasher(HashStrength strength, int threads, int maxWaiting = 16);
    ~PasswordHasher();
    PasswordHasher(const PasswordHasher&) = delete;
    PasswordHasher& operator=(const PasswordHasher&) = delete;

    QString hash(const QString& password);
    bool verify(const QString& storedHash, const QString& password);
    // Costs the same as checking a real password, for accounts that do not exist or have no password,
    // so the time of an answer does not tell whether an address has an account.
    void verifyNothing(const QString& password);
    bool needsRehash(const QString& storedHash) const;

private:
    void runOnWorker(const std::function<void()>& job);
    void work();

    HashStrength m_strength;
    int m_maxWaiting;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
    std::once_flag m_decoyOnce;
    QString m_decoyHash;
};
