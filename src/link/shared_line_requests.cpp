#include "link/shared_line_requests.h"

#include "common/link_codes.h"
#include "link/link.h"

namespace tavrik {

SharedLineRequests::SharedLineRequests(Link& link, FailureHandler onFailure)
    : link_(link), onFailure_(std::move(onFailure))
{
}

void SharedLineRequests::sendRequest(int code)
{
    if (failed_ || link_.sendRequest(code))
        return;
    failed_ = true;
    const QString why = link_.lastRequestFailure();
    // Waiting for these too would hold the window for one bound each: the logging program
    // carries them out whenever it takes messages again, and says nothing meanwhile anyway.
    const int port = code % 100;
    link_.sendUnansweredRequests({LinkCode::kSharedKeyUp + port, LinkCode::kSharedPttOff + port});
    onFailure_(why);
}

} // namespace tavrik
