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
    // The failed send dropped its connection: these go on a fresh one.
    const int port = code % 100;
    link_.sendRequest(LinkCode::kSharedKeyUp + port);
    link_.sendRequest(LinkCode::kSharedPttOff + port);
    onFailure_(why);
}

} // namespace tavrik
