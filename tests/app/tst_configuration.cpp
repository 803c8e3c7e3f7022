#include "Configuration.h"

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

    void environmentReplacesABuiltInValue()
    {
        qputenv("BREVAK_RESOLVER_ADDRESS", "203.0.113.111");
        QCOMPARE(configuration::resolverAddress(), "203.0.113.111");
        qputenv("BREVAK_RESOLVER_ADDRESS", "");
        QCOMPARE(configuration::resolverAddress().size(), 14);
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
