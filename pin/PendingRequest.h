#pragma once

#include "CommonWS.h"

#include <QObject>
#include <QPointer>

#include <functional>

// The request a sheet has out, one at a time. While it is out the sheet keeps disabled what would send
// another (it listens to changed()); the answer gives the controls back, and so does a failure, which
// also tells the user that the server could not be reached: no sheet is left dead. An answer that comes
// after the sheet dropped its request (the user cancelled) is ignored.
class PendingRequest : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool isOut() const { return m_out; }

    // Starts a request; the callbacks made next belong to it.
    void start();
    // Gives the controls back and ignores whatever the request that is out still brings.
    void drop();

    // `handler`, run with the answer of the request started last, unless that one was dropped.
    template<typename... Args, typename Handler>
    std::function<void(Args...)> answer(Handler handler)
    {
        return [self = QPointer<PendingRequest>(this), ticket = m_ticket, handler = std::move(handler)](
                   Args... args) {
            if (self && self->settle(ticket)) {
                handler(args...);
            }
        };
    }
    // The same for a decoded answer of the account server.
    template<AnswerRecord Record, typename Handler>
    Completion<Record> decoded(Handler handler)
    {
        return answer<const std::optional<Record>&, bool>(std::move(handler));
    }
    // The failure callback of the request started last.
    CommonWS::FailureHandler failure();

Q_SIGNALS:
    void changed();

private:
    // Ends the request `ticket` if it is still the one out; false for a dropped one.
    bool settle(quint64 ticket);
    void setOut(bool out);

    quint64 m_ticket = 0;
    bool m_out = false;
};
