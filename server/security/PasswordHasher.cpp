#include "PasswordHasher.h"

#include <future>
#include <sodium.h>
#include <sys/resource.h>
#include <unistd.h>

HashStrength HashStrength::interactive()
{
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
}

HashStrength HashStrength::fastest()
{
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
}

ServerBusy::ServerBusy()
    : std::runtime_error("the server is busy")
{ }

PasswordHasher::PasswordHasher(HashStrength strength, int threads, int maxWaiting)
    : m_strength(strength)
    , m_maxWaiting(maxWaiting)
{
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back(&PasswordHasher::work, this);
}

PasswordHasher::~PasswordHasher()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void PasswordHasher::work()
{
    // A nicer thread: while sign-ins are hashed, the request threads get the processor first.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_turns.empty(); });
            if (m_turns.empty())
                return;
            const QString client = m_turns.front();
            m_turns.pop_front();
            std::deque<std::function<void()>>& jobs = m_waiting[client];
            job = std::move(jobs.front());
            jobs.pop_front();
            --m_waitingCount;
            if (jobs.empty())
                m_waiting.remove(client);
            else
                m_turns.push_back(client);
        }
        job();
    }
}

void PasswordHasher::runOnWorker(const std::function<void()>& job, const QString& client)
{
    std::packaged_task<void()> task(job);
    std::future<void> done = task.get_future();
    {
        std::lock_guard lock(m_mutex);
        const qsizetype waiting = m_waiting.value(client).size();
        const qsizetype fairShare = std::max(1, m_maxWaiting / 2);
        if (m_stopping || (waiting > 0 && (m_waitingCount >= m_maxWaiting || waiting >= fairShare)))
            throw ServerBusy();
        if (waiting == 0)
            m_turns.push_back(client);
        m_waiting[client].emplace_back([&task] { task(); });
        ++m_waitingCount;
    }
    m_wake.notify_one();
    done.get();
}

QString PasswordHasher::hash(const QString& password, const QString& client)
{
    const QByteArray secret = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    int result = -1;
    runOnWorker(
        [&] {
            result = crypto_pwhash_str(out, secret.constData(),
                static_cast<unsigned long long>(secret.size()), m_strength.opsLimit, m_strength.memLimit);
        },
        client);
    if (result != 0)
        throw ServerBusy(); // only fails when memory runs out
    return QString::fromLatin1(out);
}

bool PasswordHasher::verify(const QString& storedHash, const QString& password, const QString& client)
{
    const QByteArray stored = storedHash.toLatin1();
    const QByteArray secret = password.toUtf8();
    bool matches = false;
    runOnWorker(
        [&] {
            matches = crypto_pwhash_str_verify(stored.constData(), secret.constData(),
                          static_cast<unsigned long long>(secret.size()))
                == 0;
        },
        client);
    return matches;
}

void PasswordHasher::verifyNothing(const QString& password, const QString& client)
{
    std::call_once(
        m_decoyOnce, [this] { m_decoyHash = hash(QStringLiteral("no account has this password")); });
    verify(m_decoyHash, password, client);
}

bool PasswordHasher::needsRehash(const QString& storedHash) const
{
    return crypto_pwhash_str_needs_rehash(
               storedHash.toLatin1().constData(), m_strength.opsLimit, m_strength.memLimit)
        != 0;
}
