#pragma once

#include "keyer/keyer_ports.h"

#include <QString>

#include <functional>

namespace tavrik {

class RigctldClient;

// The software keyer's key and PTT lines with PTT optionally through the radio: the key line
// stays on the chosen port, and PTT becomes rigctld's "T 1" and "T 0" instead of the port's
// line or the logging program's request. "T 1" is answered before the keyer goes on, so the
// PTT delay counts from a radio that is on transmit. A command that fails (no rigctld, an
// error answer, no answer within the client's bound) or a connection that closes while PTT is
// on is told once; "T 0" is then handed over on a fresh connection without waiting, and
// nothing more is asked of the radio until the next transmission.
class RadioPttLines final : public KeyLines {
public:
    using FailureHandler = std::function<void(const QString& problem)>;

    RadioPttLines(KeyLines& port, RigctldClient& client);

    void setFailureHandler(FailureHandler handler) { onFailure_ = std::move(handler); }
    void setPttThroughRadio(bool on) { throughRadio_ = on; }
    bool pttThroughRadio() const { return throughRadio_; }

    void keyDown() override { port_.keyDown(); }
    void keyUp() override { port_.keyUp(); }
    void pttOn() override;
    void pttOff() override;

private:
    void connectionLost(const QString& problem);
    void fail(const QString& problem);

    KeyLines& port_;
    RigctldClient& client_;
    FailureHandler onFailure_;
    bool throughRadio_ = false;
    // "T 1" was answered and no "T 0" asked for yet.
    bool pttHeld_ = false;
    // This transmission's PTT failed: nothing more goes to the radio until the next one.
    bool failed_ = false;
};

} // namespace tavrik
