#include "Authenticator.h"
#include "Clock.h"
#include "Database.h"
#include "Router.h"
#include "Tokens.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// Failures below the router still leave as envelopes the application understands.
class TestServerRouter : public QObject
{
    Q_OBJECT

    Database m_db {DatabaseTarget {}};
    SystemClock m_clock;
    std::unique_ptr<Authenticator> m_authenticator;

    static ApiResponse get(Router& router, const QByteArray& path)
    {
        ApiRequest request;
        request.method = "GET";
        request.path = path;
        return router.handle(request);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tokens::initialise());
        m_authenticator = std::make_unique<Authenticator>(m_db, m_clock, "application token", 3600);
    }

    void aFailedWriteAnswers503()
    {
        Router router(*m_authenticator);
        const auto fail = [](const FormData&) -> ApiResponse { throw StorageError("disk full"); };
        router.addPage("/page", fail, fail);
        const ApiResponse answer = get(router, "/page");
        QCOMPARE(answer.httpStatus, 503);
        const QJsonObject envelope = QJsonDocument::fromJson(answer.body).object();
        QCOMPARE(envelope["status"].toBool(true), false);
        QCOMPARE(envelope["code"].toInt(), 503);
        QVERIFY(!envelope["msg"].toString().isEmpty());
    }

    void healthReportsTheDatabase()
    {
        Router router(*m_authenticator);
        QString problem;
        router.setHealthCheck([&] { return problem; });
        QCOMPARE(get(router, "/health").httpStatus, 200);
        problem = "the database refuses writes";
        const ApiResponse answer = get(router, "/health");
        QCOMPARE(answer.httpStatus, 503);
        QCOMPARE(QJsonDocument::fromJson(answer.body)["msg"].toString(), problem);
    }
};

QTEST_GUILESS_MAIN(TestServerRouter)
#include "tst_serverrouter.moc"
