#pragma once

#include "ApiManager.h"
#include "RecordDescription.h"
#include "Records.h"

#include <functional>
#include <optional>

// Receives a decoded answer: the record, absent when the body could not be decoded, and whether
// decoding succeeded. It runs on the main thread and never after a transport failure.
template<typename Record>
using Completion = std::function<void(const std::optional<Record>& record, bool decoded)>;

// How this computer is told apart by the account server.
struct DeviceIdentity
{
    std::function<std::optional<QString>()> platformUUID;
    std::function<QString()> deviceModel;

    // The operating system's values (the platform layer).
    static DeviceIdentity system();
};

// The request operations that several screens share. Each builds its parameters, sends them through
// the API client with the shared failure printer, decodes the answer into the endpoint's record and
// hands it on. A screen that must give back its controls when no answer comes passes `onFailure`
// too: it runs after the printer, on a transport failure or a request the network refused. It also holds the
// status synchronisation and the two routines that read a logout answer.
class CommonWS
{
public:
    using Registration = SharedService<CommonWS>::Registration;
    using FailureHandler = ApiManager::FailureHandler;

    explicit CommonWS(ApiManager& api, DeviceIdentity identity = DeviceIdentity::system());

    // The registered operations: the application's (ApplicationServices), or a test's own.
    static CommonWS& shared();

    // `socialMedia`: 0 e-mail, 1 Facebook, 2 Google.
    void signup(const QString& email, const QString& password, int socialMedia, const QString& deviceName,
        Completion<BaseModel<AuthModel>> completion, FailureHandler onFailure = {});
    void updateProfile(const QString& name, const QString& deviceName, const QString& password,
        Completion<BaseModel<UpdateProfile>> completion, FailureHandler onFailure = {});
    // `time`: the waiting time in hours, as sent ("12", "24", "48", "175200").
    void setupPin(const QString& time, const QString& pin, Completion<BaseModel<SetupPinModel>> completion,
        FailureHandler onFailure = {});
    void checkPin(qint64 attempt, const QString& pin, Completion<BaseModel<CheckPinModel>> completion,
        FailureHandler onFailure = {});
    void retrievePin(Completion<BaseModel<RetrievePinModel>> completion, FailureHandler onFailure = {});
    void updatePin(const QString& oldPin, const QString& newPin,
        Completion<BaseModel<UpdatePinModel>> completion, FailureHandler onFailure = {});
    void getBlockWebsiteByUser(
        Completion<BaseModel<BlockWebsiteModel>> completion, FailureHandler onFailure = {});
    void blockWebsite(
        const QString& domain, Completion<BaseModel<BlockData>> completion, FailureHandler onFailure = {});

    // Asks the server whether the account has a PIN and stores the answer under `isPinSeted`. The
    // completion runs only after a successful synchronisation; a failed, undecodable or refused one
    // changes nothing and calls nobody.
    void syncURL(std::function<void()> completion = {}, FailureHandler onFailure = {});

    // Reads the answer of the sidebar's logout: the completion gets the server's `status`, or false
    // when the answer cannot be decoded.
    static void handleLogoutResponse(const QByteArray& body, const std::function<void(bool)>& completion);
    // Reads the answer of the logout that finishes an uninstall: the completion runs, with true, only
    // when the server signed the session out.
    static void handleUninstallLogoutResponse(
        const QByteArray& body, const std::function<void(bool)>& completion);

    // The platform UUID, absent when it cannot be read.
    std::optional<QString> platformUUID() const;
    // The value sent as `platform_unique_id`: the platform UUID, or the empty text when it cannot be
    // read (the server then answers for the account as a whole).
    QString platformUniqueId() const;
    // The computer's model name, the empty text when it cannot be read.
    QString deviceModel() const;

    // The failure callback of every request: it prints the error and does nothing more.
    static void printFailure(const ApiError& error);
    // Tells the user that the server could not be reached ("Ooops" and the message of the message
    // table), unless the request was refused for an unreachable network, which the user already
    // heard of.
    static void alertFailure(const ApiError& error);

    // Decodes an answer for a completion: on failure it prints the decoding error and hands on no
    // record and false. For the screens that send their own requests, too.
    template<AnswerRecord Record>
    static void decodeResponse(const QByteArray& body, const Completion<Record>& completion);

private:
    static void printDecodingError(const DecodeError& error);

    template<AnswerRecord Record>
    void send(WebService service, const Parameters& parameters, Completion<Record> completion,
        FailureHandler onFailure);
    static FailureHandler printedThen(FailureHandler onFailure);

    ApiManager& m_api;
    DeviceIdentity m_identity;
};

template<AnswerRecord Record>
void CommonWS::decodeResponse(const QByteArray& body, const Completion<Record>& completion)
{
    Decoded<Record> decoded = decodeRecord<Record>(body);
    if (!decoded) {
        printDecodingError(decoded.error);
    }
    if (completion) {
        completion(decoded.record, decoded.record.has_value());
    }
}

template<AnswerRecord Record>
void CommonWS::send(
    WebService service, const Parameters& parameters, Completion<Record> completion, FailureHandler onFailure)
{
    // The callbacks hold nothing of this object: a CommonWS may be a temporary.
    m_api.request(service, parameters, printedThen(std::move(onFailure)),
        [completion = std::move(completion)](const QByteArray& body) { decodeResponse(body, completion); });
}
