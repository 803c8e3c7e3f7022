#include "Configuration.h"
#include "DataRow.h"
#include "LogCapture.h"

#include <QTest>

class TestConfiguration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The resolver address goes into shell commands: only a dotted IPv4 address replaces the built-in one.
    void onlyAnIPv4AddressReplacesTheResolver_data()
    {
        QTest::addColumn<QString>("overridden");
        QTest::addColumn<bool>("taken");
        dataRow("address", "203.0.113.111", true);
        dataRow("empty", "", false);
        dataRow("command after it", "203.0.113.1; rm -rf ~", false);
        dataRow("octet too large", "203.0.113.256", false);
        dataRow("three octets", "203.0.113", false);
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
        dataRow("shorter", QByteArray("2"), 2);
        dataRow("longer", QByteArray("86400"), 60);
        dataRow("zero", QByteArray("0"), 60);
        dataRow("not a number", QByteArray("soon"), 60);
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
