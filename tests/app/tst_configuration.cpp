#include "Configuration.h"
#include "LogCapture.h"

#include <QTest>

class TestConfiguration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void builtInValuesAreUsable()
    {
        qunsetenv("BREVAK_DEFAULT_TOKEN");
        qunsetenv("BREVAK_RESOLVER_ADDRESS");
        // The token sent before sign-in is a JSON Web Token: three base64url segments.
        const QString token = configuration::defaultToken();
        QCOMPARE(token.size(), 981);
        QCOMPARE(token.count('.'), 2);
        QCOMPARE(configuration::resolverAddress().size(), 14);
        QVERIFY(QUrl(configuration::apiBaseUrl()).isValid());
    }

    // The resolver address goes into shell commands: only a dotted IPv4 address replaces the built-in one.
    void onlyAnIPv4AddressReplacesTheResolver_data()
    {
        QTest::addColumn<QString>("overridden");
        QTest::addColumn<bool>("taken");
        QTest::newRow("address") << "203.0.113.111" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("command after it") << "203.0.113.1; rm -rf ~" << false;
        QTest::newRow("octet too large") << "203.0.113.256" << false;
        QTest::newRow("three octets") << "203.0.113" << false;
        QTest::newRow("blank inside") << "203.0.113. 1" << false;
        QTest::newRow("host name") << "dns.example" << false;
    }

    void onlyAnIPv4AddressReplacesTheResolver()
    {
        QFETCH(QString, overridden);
        QFETCH(bool, taken);
        qunsetenv("BREVAK_RESOLVER_ADDRESS");
        const QString builtIn = configuration::resolverAddress();
        qputenv("BREVAK_RESOLVER_ADDRESS", overridden.toUtf8());
        LogCapture log;
        QCOMPARE(configuration::resolverAddress(), taken ? overridden : builtIn);
        QCOMPARE(log.lines().isEmpty(), taken || overridden.isEmpty());
    }

    // Development builds may check protection more often, never less often.
    void theProtectionCheckCanOnlyBeShortened_data()
    {
        QTest::addColumn<QByteArray>("overridden");
        QTest::addColumn<int>("seconds");
        QTest::newRow("unset") << QByteArray() << 60;
        QTest::newRow("shorter") << QByteArray("2") << 2;
        QTest::newRow("longer") << QByteArray("86400") << 60;
        QTest::newRow("beyond a timer's range") << QByteArray("3000000") << 60;
        QTest::newRow("zero") << QByteArray("0") << 60;
        QTest::newRow("negative") << QByteArray("-5") << 60;
        QTest::newRow("not a number") << QByteArray("soon") << 60;
    }

    void theProtectionCheckCanOnlyBeShortened()
    {
        QFETCH(QByteArray, overridden);
        QFETCH(int, seconds);
        qputenv("BREVAK_PROTECTION_CHECK_SECONDS", overridden);
        QCOMPARE(configuration::protectionCheckPeriod().count(), seconds);
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
