#pragma once

#include "AnswerDecoders.h"

#include <QByteArray>
#include <QString>

// The application's own strict decoding (api/Records.h) applied to an answer of the server: empty when
// the body decodes as the named record ("BaseModel<AuthModel>", "LogoutModel", ...), otherwise the
// decoder's error with the path to the offending key.
inline QString clientDecodingError(const QByteArray& body, const QString& record)
{
    const AnswerDecoder* decoder = answerDecoder(record);
    if (!decoder)
        return QStringLiteral("the application decodes no record named ") + record;
    const DecodeOutcome outcome = decoder->decode(body);
    return outcome.decoded ? QString() : outcome.text;
}
