#include "CurlJsonSource.h"

#include "Diagnostics.h"

#include <QJsonDocument>
#include <QUrl>

#include <curl/curl.h>

namespace {

size_t collect(char* data, size_t size, size_t count, void* userdata)
{
    auto* body = static_cast<QByteArray*>(userdata);
    const size_t bytes = size * count;
    if (body->size() + static_cast<qsizetype>(bytes) > 256 * 1024)
        return 0; // no provider answer is that large
    body->append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

} // namespace

std::optional<QJsonObject> CurlJsonSource::fetch(
    const QString& endpoint, const QList<QPair<QString, QString>>& parameters) const
{
    QByteArray target = endpoint.toUtf8();
    target += target.contains('?') ? '&' : '?';
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        if (i > 0)
            target += '&';
        target += QUrl::toPercentEncoding(parameters[i].first) + '='
            + QUrl::toPercentEncoding(parameters[i].second);
    }

    CURL* curl = curl_easy_init();
    if (!curl)
        return std::nullopt;
    QByteArray body;
    curl_easy_setopt(curl, CURLOPT_URL, target.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 15L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) {
        diagnostics::printLine(QStringLiteral("sign-in provider not reachable: ")
            + QString::fromUtf8(curl_easy_strerror(result)));
        return std::nullopt;
    }
    if (status != 200)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}
