#pragma once

#include "keyer/keyer_port.h"

#include <QString>

#include <functional>

namespace tavrik {

class Link;

// The shared-serial key and PTT requests of a transmission. A request that fails leaves the
// radio's lines in doubt, and keying on would key a transmitter without PTT: key up and PTT
// off are asked for once more, on a fresh connection and without waiting for the answers,
// then nothing more is asked until the next transmission starts. The window is told why, to end the transmission and say so.
class SharedLineRequests final : public SharedSerialRequests {
public:
    using FailureHandler = std::function<void(const QString& description)>;

    SharedLineRequests(Link& link, FailureHandler onFailure);

    void sendRequest(int code) override;
    // A new transmission may use the lines again.
    void transmissionStarts() { failed_ = false; }
    bool failed() const { return failed_; }

private:
    Link& link_;
    FailureHandler onFailure_;
    bool failed_ = false;
};

} // namespace tavrik
