#pragma once

#include "keyer/keyer_ports.h"
#include "link/link.h"

namespace tavrik {

// The send loop's view of the link: polled between characters, told when keying starts
// and stops (notices 900 and 150).
class KeyerLinkAdapter final : public KeyerLink {
public:
    explicit KeyerLinkAdapter(Link& link) : link_(link) {}
    void poll() override { link_.pollLink(); }
    void post(int code, int argument) override { link_.postLinkNotice(code, argument); }

private:
    Link& link_;
};

} // namespace tavrik
