#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace tavrik {

class KeyerSetupHost;

enum class KeyingPortMode { Parallel, DedicatedSerial, SharedSerial };

// The contents of the Keyer setup dialog's controls.
struct KeyerSetupValues {
    KeyingPortMode portMode = KeyingPortMode::Parallel;
    QString parallelAddress;   // Text2
    QString serialPortName;    // cmbPort: "Comm1".."Comm8", or what was stored ("None" when nothing)
    std::array<QString, 8> serialDevices; // what "Comm1".."Comm8" stand for
    bool ptt = false;          // Check5
    QString pttDelay;          // Text3
    QString dashLength;        // Text4
    QString letterSpace;       // Text5
    QString wordSpace;         // Text6
    int wpm = 20;              // DotLengthSlider
    int pitch = 1000;          // Pitch
    bool sidetone = false;     // ckSidetone
    bool slowTyping = false;   // ckSlowTyping
    bool disablePolling = false; // Chk6
};

// Apply refused a value before storing anything: which box, and why.
struct SetupRefusal {
    QString boxCaption;
    QString message;
    const char* boxName; // the box that gets the focus: "Text2" ...
};

enum class ApplyOutcome { Close, StayOpen };

// The logic of one opened Keyer setup dialog: what it shows on opening, what the sliders
// do at once, what Apply stores and applies, and what closing without Apply undoes.
class KeyerSetup {
public:
    static constexpr int kSlowestWpm = 10;
    static constexpr int kFastestWpm = 50;
    static constexpr int kLowestPitch = 300;
    static constexpr int kHighestPitch = 1500;
    static constexpr const char* kNoPort = "None";

    explicit KeyerSetup(KeyerSetupHost& host);

    // The values shown on opening. Remembers the sidetone switch and the pitch for a close
    // without Apply. A speed or pitch the sliders cannot show is shown at the nearest end
    // and changes nothing until the operator moves the slider or applies.
    KeyerSetupValues load();
    // The speed slider moved: the keyer takes the new dot length at once.
    void speedChanged(int wpm);
    static QString SpeedCaption(int wpm);
    // The pitch slider moved: the next tone built has this pitch.
    void pitchChanged(int hz);

    // Checks what Apply must convert; nothing is stored when this refuses.
    static std::optional<SetupRefusal> Check(const KeyerSetupValues& values);
    // Stores every value and applies port and sidetone. Call Check first.
    ApplyOutcome apply(const KeyerSetupValues& values);
    // Whatever closes the dialog: without Apply, pitch and sidetone go back and the tone is
    // rebuilt. Returns false when that rebuild failed.
    bool closing();
    // Why the port the last Apply chose cannot be used, while the dialog stays open for it.
    const std::optional<QString>& portProblem() const { return portProblem_; }

private:
    KeyerSetupHost& host_;
    bool applied_ = false;
    std::optional<QString> portProblem_;
    bool sidetoneAtOpening_ = false;
    std::int64_t pitchAtOpening_ = 1000;
};

} // namespace tavrik
