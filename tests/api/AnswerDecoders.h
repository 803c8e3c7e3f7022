#pragma once

#include "RecordDescription.h"
#include "Records.h"

#include <QList>
#include <QString>

// Every record the client decodes, by type name, for the decoding tests and the fuzzer: each entry
// decodes a body and gives the record's description, or the decoding error's text.
struct DecodeOutcome
{
    bool decoded = false;
    QString text;
};

struct AnswerDecoder
{
    QString typeName;
    DecodeOutcome (*decode)(const QByteArray& body);
};

template<AnswerRecord Record>
DecodeOutcome decodeAndDescribe(const QByteArray& body)
{
    const Decoded<Record> decoded = decodeRecord<Record>(body);
    return decoded ? DecodeOutcome {true, describe(*decoded.record)}
                   : DecodeOutcome {false, decoded.error.text()};
}

template<AnswerRecord... Records>
QList<AnswerDecoder> decodersFor()
{
    return {AnswerDecoder {Records::typeName(), &decodeAndDescribe<Records>}...};
}

// The answers of the endpoints first, then the records nested in them.
inline const QList<AnswerDecoder>& answerDecoders()
{
    static const QList<AnswerDecoder> decoders = decodersFor<BaseModel<AuthModel>, BaseModel<UpdateProfile>,
        BaseModel<SetupPinModel>, BaseModel<CheckPinModel>, BaseModel<RetrievePinModel>,
        BaseModel<UpdatePinModel>, DisablePinModel, BaseModel<BlockWebsiteModel>, BaseModel<BlockData>,
        UnblockWebsiteModel, BaseModel<SyncURLModel>, LogoutModel, FacebokGraphAPIModel, AuthModel, UserModel,
        UpdateProfile, PinProtectionModel, SetupPinModel, UpdatePinModel, CheckPinModel, RetrievePinModel,
        BlockData, Link, BlockWebsiteModel, SyncURLModel>();
    return decoders;
}

inline const AnswerDecoder* answerDecoder(const QString& typeName)
{
    for (const AnswerDecoder& decoder : answerDecoders()) {
        if (decoder.typeName == typeName) {
            return &decoder;
        }
    }
    return nullptr;
}
