#include "NotificationCenter.h"

#include <QTest>

class TestNotificationCenter : public QObject
{
    Q_OBJECT

private:
    NotificationCenter& center() { return NotificationCenter::shared(); }

private Q_SLOTS:
    void deliversToObserversOfTheNameInRegistrationOrder()
    {
        QObject first;
        QObject second;
        QStringList calls;
        center().addObserver(
            &first, notifications::dnsState, [&](const QVariant& v) { calls << "first " + v.toString(); });
        center().addObserver(
            &second, notifications::dnsState, [&](const QVariant& v) { calls << "second " + v.toString(); });
        center().addObserver(
            &second, notifications::pinProtectionOff, [&](const QVariant&) { calls << "other"; });

        center().post(notifications::dnsState, false);
        QCOMPARE(calls, QStringList({"first false", "second false"}));
    }

    void observersGoAwayWithTheirOwner()
    {
        int calls = 0;
        {
            QObject owner;
            center().addObserver(
                &owner, notifications::updateChooseLanguage, [&](const QVariant&) { ++calls; });
            center().post(notifications::updateChooseLanguage, "fr");
        }
        center().post(notifications::updateChooseLanguage, "en");
        QCOMPARE(calls, 1);
    }

    void anObserverDestroyedDuringAPostIsNotCalled()
    {
        auto* victim = new QObject;
        QObject killer;
        bool victimCalled = false;
        center().addObserver(
            &killer, notifications::blockAppSwitchState, [&](const QVariant&) { delete victim; });
        center().addObserver(
            victim, notifications::blockAppSwitchState, [&](const QVariant&) { victimCalled = true; });
        center().post(notifications::blockAppSwitchState, true);
        QVERIFY(!victimCalled);
    }

    void removingObserversByName()
    {
        QObject owner;
        int dns = 0;
        int pin = 0;
        center().addObserver(&owner, notifications::dnsState, [&](const QVariant&) { ++dns; });
        center().addObserver(&owner, notifications::pinProtectionOff, [&](const QVariant&) { ++pin; });
        center().removeObserver(&owner, notifications::dnsState);
        center().post(notifications::dnsState, true);
        center().post(notifications::pinProtectionOff, true);
        QCOMPARE(dns, 0);
        QCOMPARE(pin, 1);
        center().removeObserver(&owner);
        center().post(notifications::pinProtectionOff, true);
        QCOMPARE(pin, 1);
    }

    void senderFilterOnlyLetsThatSenderThrough()
    {
        QObject owner;
        QObject monitor;
        QObject otherMonitor;
        int calls = 0;
        center().addObserver(
            &owner, notifications::reachabilityChanged, [&](const QVariant&) { ++calls; }, &monitor);
        center().post(notifications::reachabilityChanged, {}, &otherMonitor);
        center().post(notifications::reachabilityChanged, {}, &monitor);
        QCOMPARE(calls, 1);
    }
};

QTEST_GUILESS_MAIN(TestNotificationCenter)
#include "tst_notificationcenter.moc"
