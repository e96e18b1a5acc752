#pragma once

#include "common/link_codes.h"
#include "keyer/keyer_ports.h"
#include "link/link.h"
#include "link/shared_line_requests.h"

namespace tavrik {

// The send loop's view of the link: polled between characters, told when keying starts
// and stops (notices 900 and 150). Keying that starts opens a new transmission for the
// shared-serial requests, when the keyer uses them.
class KeyerLinkAdapter final : public KeyerLink {
public:
    explicit KeyerLinkAdapter(Link& link, SharedLineRequests* lineRequests = nullptr)
        : link_(link), lineRequests_(lineRequests)
    {
    }
    void poll() override { link_.pollLink(); }
    void post(int code, int argument) override
    {
        if (code == LinkCode::kKeying && argument == 1 && lineRequests_ != nullptr)
            lineRequests_->transmissionStarts();
        link_.postLinkNotice(code, argument);
    }

private:
    Link& link_;
    SharedLineRequests* lineRequests_;
};

} // namespace tavrik
