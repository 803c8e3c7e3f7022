#include "ChangeWaiter.h"

#include <QTest>

#include <atomic>
#include <future>

using namespace std::chrono_literals;

// Long polling's waiting room: a change made here wakes a waiting request at once (the look at the
// database is set to an hour, so only the wake-up can end these waits), a stop ends every wait, and
// beyond the seats a request does not wait at all.
class TestChangeWaiter : public QObject
{
    Q_OBJECT

    static auto waitInThread(ChangeWaiter& waiter, std::atomic<bool>& ready, std::atomic<int>& looks)
    {
        return std::async(std::launch::async, [&] {
            waiter.waitUntil(
                [&] {
                    ++looks;
                    return ready.load();
                },
                1h);
        });
    }

private Q_SLOTS:
    void aChangeWakesTheWaitingRequest()
    {
        ChangeWaiter waiter(4, 1h);
        std::atomic<bool> ready = false;
        std::atomic<int> looks = 0;
        auto waiting = waitInThread(waiter, ready, looks);
        // Once it has looked a first time, it is waiting; a change it does not care about leaves it so.
        QTRY_COMPARE(looks.load(), 1);
        waiter.notifyChange();
        QTRY_COMPARE(looks.load(), 2);
        QCOMPARE(waiting.wait_for(0ms), std::future_status::timeout);
        ready = true;
        waiter.notifyChange();
        QCOMPARE(waiting.wait_for(10s), std::future_status::ready);
    }

    void aStopEndsEveryWait()
    {
        ChangeWaiter waiter(4, 1h);
        std::atomic<bool> ready = false;
        std::atomic<int> looks = 0;
        auto first = waitInThread(waiter, ready, looks);
        auto second = waitInThread(waiter, ready, looks);
        QTRY_COMPARE(looks.load(), 2);
        waiter.stop();
        QCOMPARE(first.wait_for(10s), std::future_status::ready);
        QCOMPARE(second.wait_for(10s), std::future_status::ready);
        // And a request after the stop does not wait.
        looks = 0;
        waitInThread(waiter, ready, looks).wait();
        QCOMPARE(looks.load(), 1);
    }

    void beyondTheSeatsNobodyWaits()
    {
        ChangeWaiter waiter(1, 1h);
        std::atomic<bool> ready = false;
        std::atomic<int> looks = 0;
        auto seated = waitInThread(waiter, ready, looks);
        QTRY_COMPARE(looks.load(), 1);
        std::atomic<int> otherLooks = 0;
        waitInThread(waiter, ready, otherLooks).wait(); // answered at once
        QCOMPARE(otherLooks.load(), 1);
        waiter.stop();
        seated.wait();
    }
};

QTEST_GUILESS_MAIN(TestChangeWaiter)
#include "tst_changewaiter.moc"
