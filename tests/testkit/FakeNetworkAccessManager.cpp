#include "FakeNetworkAccessManager.h"

#include <QTimer>

#include <cstring>

namespace {

// The reply of the fake manager.
class FakeReply : public QNetworkReply
{
public:
    FakeReply(const RecordedRequest& request, FakeResponse response, QObject* parent)
        : QNetworkReply(parent)
        , m_response(std::move(response))
    {
        setRequest(request.request);
        setUrl(request.url());
        setOperation(request.operation);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        QTimer::singleShot(0, this, &FakeReply::respond);
    }

    void abort() override { finishWith(OperationCanceledError, QStringLiteral("Operation canceled")); }
    qint64 bytesAvailable() const override { return m_unread.size() + QNetworkReply::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 count = std::min<qint64>(maxSize, m_unread.size());
        std::memcpy(data, m_unread.constData(), size_t(count));
        m_unread.remove(0, count);
        return count;
    }

private:
    // The error the real manager reports alongside an HTTP status of 4xx or 5xx.
    static NetworkError errorForStatus(int status)
    {
        if (status == 401) {
            return AuthenticationRequiredError;
        }
        if (status == 403) {
            return ContentAccessDenied;
        }
        return status >= 500 ? UnknownServerError : status >= 400 ? UnknownContentError : NoError;
    }

    void respond()
    {
        if (m_response.transportError != NoError) {
            finishWith(m_response.transportError, m_response.errorText);
            return;
        }
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, m_response.status);
        m_unread = m_response.body;
        Q_EMIT metaDataChanged();
        Q_EMIT readyRead();
        const NetworkError error = errorForStatus(m_response.status);
        finishWith(error,
            error == NoError ? QString() : QStringLiteral("server replied: %1").arg(m_response.status));
    }

    void finishWith(NetworkError error, const QString& text)
    {
        if (isFinished()) {
            return;
        }
        if (error != NoError) {
            setError(error, text);
            Q_EMIT errorOccurred(error);
        }
        setFinished(true);
        Q_EMIT finished();
    }

    FakeResponse m_response;
    QByteArray m_unread;
};

} // namespace

QNetworkReply* FakeNetworkAccessManager::createRequest(
    Operation operation, const QNetworkRequest& request, QIODevice* outgoingData)
{
    const RecordedRequest recorded {
        operation, request, outgoingData ? outgoingData->readAll() : QByteArray()};
    m_requests.append(recorded);
    return new FakeReply(recorded, m_response, this);
}
