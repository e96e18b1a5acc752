#pragma once

#include "keyer/keyer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace tavrik {

class KeyerLink;
class KeyerWindow;
class RigctldClient;
class SoftwareKeyer;
class TransmitQueue;

// The radio's own keyer through rigctld: the typing box goes to the radio with "b" in pieces
// of one word (at most kPieceChars signs) and the spaces after it, the speed with
// "L KEYSPD n". rigctld never says when the radio has finished, so the keyer times the
// radio's sending itself, from the speed and the standard PARIS timing: a piece is handed over
// when the radio has about kLeadMs left of the one before, a speed marker acts once the text
// before it has gone out, and the transmission ends when the last piece has. The piece handed
// over shows in the transmitting colour, all before it as sent. Abort sends "\stop_morse" where
// the radio has it; where not, the radio finishes the piece it holds and nothing more goes.
// Shares the speed and the sending state with the software keyer, as the WinKey does.
class RigKeyer final : public QObject, public Keyer {
public:
    static constexpr int kPieceChars = 6;
    static constexpr int kLeadMs = 300;

    using FailureHandler = std::function<void(const QString& problem)>;

    struct Parts {
        RigctldClient& client;
        SoftwareKeyer& keyer;
        TransmitQueue& box;
        KeyerLink& link;
        KeyerWindow& window;
    };

    // What every rigctld failure told in the box starts with.
    static constexpr const char* kErrorPrefix = "Rig control error : ";

    explicit RigKeyer(Parts parts);

    void setFailureHandler(FailureHandler handler) { onFailure_ = std::move(handler); }
    bool sending() const { return sending_; }

    // A send starter: the box's change while idle, or the transmit command.
    void start() override;
    // The keyer's part of Abort, after the box has been emptied.
    void abort() override;
    // The radio has no key-down command.
    bool canTune() const override { return false; }
    void tune(bool) override {}
    bool closeWhileSending(bool) override
    {
        abort();
        return true;
    }

    // How long the radio takes to send `text` at `wpm`: dots, dashes and gaps of the
    // standard 1:3 weighting, 3 dots between letters and 7 between words.
    static double SendingMs(const QString& text, int wpm);

private:
    void step();
    // The next piece from the box position on; empty when no word waits.
    QString nextPiece() const;
    bool consumeMarkers();
    bool setRadioSpeed(int wpm);
    void scheduleAt(double ms);
    // A failed connection is asked nothing more; only a completed transmission logs its
    // contact and arms a looping macro.
    enum class Ending { Completed, Aborted, Failed };
    void finish(Ending ending);
    void fail(const QString& problem);
    double nowMs() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e6; }

    Parts parts_;
    FailureHandler onFailure_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool sending_ = false;
    // The first box position not yet handed over.
    int position_ = 1;
    // When the radio will have sent everything handed over, on clock_.
    double busyUntilMs_ = 0;
    int radioWpm_ = 0;
    // Cleared when the radio answers that it has no "\stop_morse".
    bool stopMorseAvailable_ = true;
};

} // namespace tavrik
