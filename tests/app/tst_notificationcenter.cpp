#include "NotificationCenter.h"

#include <QTest>

class TestNotificationCenter : public QObject
{
    Q_OBJECT

private:
    NotificationCenter m_center;

private Q_SLOTS:
    void deliversToObserversOfTheNameInRegistrationOrder()
    {
        QObject first;
        QObject second;
        QStringList calls;
        m_center.addObserver(
            &first, notifications::dnsState, [&](const QVariant& v) { calls << "first " + v.toString(); });
        m_center.addObserver(
            &second, notifications::dnsState, [&](const QVariant& v) { calls << "second " + v.toString(); });
        m_center.addObserver(
            &second, notifications::pinProtectionOff, [&](const QVariant&) { calls << "other"; });

        m_center.post(notifications::dnsState, false);
        QCOMPARE(calls, QStringList({"first false", "second false"}));
    }

    void observersGoAwayWithTheirOwner()
    {
        int calls = 0;
        {
            QObject owner;
            m_center.addObserver(
                &owner, notifications::updateChooseLanguage, [&](const QVariant&) { ++calls; });
            m_center.post(notifications::updateChooseLanguage, "fr");
        }
        m_center.post(notifications::updateChooseLanguage, "en");
        QCOMPARE(calls, 1);
    }

    void anObserverDestroyedDuringAPostIsNotCalled()
    {
        auto* victim = new QObject;
        QObject killer;
        bool victimCalled = false;
        m_center.addObserver(
            &killer, notifications::blockAppSwitchState, [&](const QVariant&) { delete victim; });
        m_center.addObserver(
            victim, notifications::blockAppSwitchState, [&](const QVariant&) { victimCalled = true; });
        m_center.post(notifications::blockAppSwitchState, true);
        QVERIFY(!victimCalled);
    }

    void removingObserversByName()
    {
        QObject owner;
        int dns = 0;
        int pin = 0;
        m_center.addObserver(&owner, notifications::dnsState, [&](const QVariant&) { ++dns; });
        m_center.addObserver(&owner, notifications::pinProtectionOff, [&](const QVariant&) { ++pin; });
        m_center.removeObserver(&owner, notifications::dnsState);
        m_center.post(notifications::dnsState, true);
        m_center.post(notifications::pinProtectionOff, true);
        QCOMPARE(dns, 0);
        QCOMPARE(pin, 1);
    }

    void senderFilterOnlyLetsThatSenderThrough()
    {
        QObject owner;
        QObject monitor;
        QObject otherMonitor;
        int calls = 0;
        m_center.addObserver(
            &owner, notifications::reachabilityChanged, [&](const QVariant&) { ++calls; }, &monitor);
        m_center.post(notifications::reachabilityChanged, {}, &otherMonitor);
        m_center.post(notifications::reachabilityChanged, {}, &monitor);
        QCOMPARE(calls, 1);
    }

    // A test's centre may go before the screens that observe it; their end must not reach it.
    void anOwnerMayOutliveTheCentre()
    {
        QObject owner;
        {
            NotificationCenter center;
            center.addObserver(&owner, notifications::dnsState, [](const QVariant&) {});
        }
    }
};

QTEST_GUILESS_MAIN(TestNotificationCenter)
#include "tst_notificationcenter.moc"
