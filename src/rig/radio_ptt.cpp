#include "rig/radio_ptt.h"

#include "rig/rigctld_client.h"

namespace tavrik {

RadioPttLines::RadioPttLines(KeyLines& port, RigctldClient& client) : port_(port), client_(client)
{
    QObject::connect(&client_, &RigctldClient::lost, &client_, [this](const QString& problem) { connectionLost(problem); });
}

void RadioPttLines::pttOn()
{
    if (!throughRadio_) {
        port_.pttOn();
        return;
    }
    failed_ = false;
    const RigReply reply = client_.request("T 1");
    if (!reply.ok) {
        fail(reply.problem);
        return;
    }
    pttHeld_ = true;
}

void RadioPttLines::pttOff()
{
    if (!throughRadio_) {
        port_.pttOff();
        return;
    }
    if (failed_)
        return;
    pttHeld_ = false;
    const RigReply reply = client_.request("T 0");
    if (!reply.ok)
        fail(reply.problem);
}

void RadioPttLines::connectionLost(const QString& problem)
{
    if (pttHeld_)
        fail(problem);
}

void RadioPttLines::fail(const QString& problem)
{
    failed_ = true;
    pttHeld_ = false;
    client_.sendUnanswered({"T 0"});
    if (onFailure_)
        onFailure_(problem);
}

} // namespace tavrik
