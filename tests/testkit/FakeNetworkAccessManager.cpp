#include "FakeNetworkAccessManager.h"

#include <QTimer>

#include <cstring>

namespace {

// The error the real manager reports alongside an HTTP status of 4xx or 5xx.
QNetworkReply::NetworkError errorForStatus(int status)
{
    switch (status) {
    case 401:
        return QNetworkReply::AuthenticationRequiredError;
    case 403:
        return QNetworkReply::ContentAccessDenied;
    case 500:
        return QNetworkReply::InternalServerError;
    default:
        if (status >= 400 && status < 500) {
            return QNetworkReply::UnknownContentError;
        }
        return status >= 500 ? QNetworkReply::UnknownServerError : QNetworkReply::NoError;
    }
}

} // namespace

FakeNetworkAccessManager::FakeNetworkAccessManager(QObject* parent)
    : QNetworkAccessManager(parent)
{ }

QNetworkReply* FakeNetworkAccessManager::createRequest(
    Operation operation, const QNetworkRequest& request, QIODevice* outgoingData)
{
    RecordedRequest recorded {operation, request, outgoingData ? outgoingData->readAll() : QByteArray()};
    m_requests.append(recorded);
    return new FakeReply(recorded, m_response, this);
}

FakeReply::FakeReply(const RecordedRequest& request, FakeResponse response, QObject* parent)
    : QNetworkReply(parent)
    , m_response(std::move(response))
{
    setRequest(request.request);
    setUrl(request.url());
    setOperation(request.operation);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!m_response.never) {
        QTimer::singleShot(0, this, &FakeReply::respond);
    }
}

void FakeReply::respond()
{
    if (isFinished()) {
        return;
    }
    if (m_response.transportError != QNetworkReply::NoError) {
        finishWith(m_response.transportError, m_response.errorText);
        return;
    }
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, m_response.status);
    setHeader(QNetworkRequest::ContentLengthHeader, m_response.body.size());
    m_unread = m_response.body;
    Q_EMIT metaDataChanged();
    Q_EMIT downloadProgress(m_unread.size(), m_unread.size());
    Q_EMIT readyRead();
    const QNetworkReply::NetworkError error = errorForStatus(m_response.status);
    finishWith(error,
        error == NoError ? QString()
                         : QStringLiteral("Error transferring %1 - server replied: %2")
                               .arg(url().toString())
                               .arg(m_response.status));
}

void FakeReply::finishWith(QNetworkReply::NetworkError error, const QString& text)
{
    if (error != NoError) {
        setError(error, text);
        Q_EMIT errorOccurred(error);
    }
    setFinished(true);
    Q_EMIT finished();
}

void FakeReply::abort()
{
    if (isFinished()) {
        return;
    }
    m_unread.clear();
    finishWith(OperationCanceledError, QStringLiteral("Operation canceled"));
}

qint64 FakeReply::bytesAvailable() const
{
    return m_unread.size() + QNetworkReply::bytesAvailable();
}

qint64 FakeReply::readData(char* data, qint64 maxSize)
{
    const qint64 count = std::min<qint64>(maxSize, m_unread.size());
    std::memcpy(data, m_unread.constData(), size_t(count));
    m_unread.remove(0, count);
    return count;
}
