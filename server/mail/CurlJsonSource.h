#pragma once

#include "SocialVerifier.h"

// The sign-in providers' web services, asked through libcurl (http or https only, bounded in time and
// in the size of the answer).
class CurlJsonSource : public JsonSource
{
public:
    std::optional<QJsonObject> fetch(
        const QString& endpoint, const QList<QPair<QString, QString>>& parameters) const override;
};
