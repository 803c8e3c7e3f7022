#include "Configuration.h"

#include <QHostAddress>
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
        QCOMPARE(configuration::defaultToken().split('.').size(), 3);
        QCOMPARE(QHostAddress(configuration::resolverAddress()).protocol(), QAbstractSocket::IPv4Protocol);
        QVERIFY(QUrl(configuration::apiBaseUrl()).isValid());
    }

    void environmentReplacesABuiltInValue()
    {
        const QString builtIn = configuration::resolverAddress();
        qputenv("BREVAK_RESOLVER_ADDRESS", "203.0.113.111");
        QCOMPARE(configuration::resolverAddress(), "203.0.113.111");
        qputenv("BREVAK_RESOLVER_ADDRESS", ""); // empty is unset
        QCOMPARE(configuration::resolverAddress(), builtIn);
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
