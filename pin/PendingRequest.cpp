#include "PendingRequest.h"

void PendingRequest::start()
{
    ++m_ticket;
    setOut(true);
}

void PendingRequest::drop()
{
    ++m_ticket;
    setOut(false);
}

CommonWS::FailureHandler PendingRequest::failure()
{
    return answer<const ApiError&>([](const ApiError& error) { CommonWS::alertFailure(error); });
}

bool PendingRequest::settle(quint64 ticket)
{
    if (ticket != m_ticket) {
        return false;
    }
    setOut(false);
    return true;
}

void PendingRequest::setOut(bool out)
{
    if (out != m_out) {
        m_out = out;
        Q_EMIT changed();
    }
}
