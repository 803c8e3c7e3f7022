#pragma once

#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

// One request as it went out: what the server would have seen.
struct RecordedRequest
{
    QNetworkAccessManager::Operation operation;
    QNetworkRequest request;
    QByteArray body;

    QUrl url() const { return request.url(); }
    QByteArray header(const QByteArray& name) const { return request.rawHeader(name); }
};

// What the fake answers to one request.
struct FakeResponse
{
    int status = 200;
    QByteArray body;
    QNetworkReply::NetworkError transportError = QNetworkReply::NoError; // set: no HTTP answer at all
    QString errorText;

    static FakeResponse answer(int status, QByteArray body) { return {status, std::move(body), {}, {}}; }
    static FakeResponse failure(QNetworkReply::NetworkError error, QString text)
    {
        return {0, {}, error, std::move(text)};
    }
};

// A network access manager that answers from memory, after one turn of the event loop, as the real
// one answers after the network did. It records every request. HTTP statuses of 4xx and 5xx come with
// the error codes the real manager gives them.
class FakeNetworkAccessManager : public QNetworkAccessManager
{
    Q_OBJECT

public:
    using QNetworkAccessManager::QNetworkAccessManager;

    // The same answer to every request from now on (until then: 200 with "{}").
    void respondWith(FakeResponse response) { m_response = std::move(response); }

    const QList<RecordedRequest>& requests() const { return m_requests; }
    const RecordedRequest& lastRequest() const { return m_requests.last(); }
    void clear() { m_requests.clear(); }

protected:
    QNetworkReply* createRequest(
        Operation operation, const QNetworkRequest& request, QIODevice* outgoingData) override;

private:
    FakeResponse m_response = FakeResponse::answer(200, "{}");
    QList<RecordedRequest> m_requests;
};
