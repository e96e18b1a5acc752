#pragma once

#include "keyer_model.h"
#include "sidetone_recording.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <deque>
#include <memory>

namespace tavrik::emulator {

enum class EchoAt { Start, End };

// The keyer's side of a WinKey on a pseudo-terminal: takes the host's commands and text,
// keys each character with the loaded timing, echoes it, reports status changes and the
// speed pot. Bytes take their time on the 1200-baud wire in both directions.
class WinKeyEmulator : public QObject {
    Q_OBJECT
public:
    static constexpr double kByteMs = 11 * 1000.0 / 1200; // start, 8 data, 2 stop bits
    static constexpr std::uint8_t kVersion = 23;

    WinKeyEmulator(EchoAt echoAt, QTextStream& log);
    ~WinKeyEmulator() override;

    // Opens the pseudo-terminal; the path the host opens, or empty on failure.
    QString open();
    void recordTo(const QString& wavPath);
    // Ends the recording cleanly.
    void close();
    // Console: "pot 25", "paddle [TEXT]".
    void command(const QString& line);

private:
    struct Item {
        char text = 0;       // a character to key, or 0 for a speed change
        char merged = 0;     // the second letter of a merged pair
        int bufferedSpeed = 0;
    };

    double now() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e6; }
    void readHost();
    void takeNextHostByte();
    void handle(const QByteArray& command);
    // Queues bytes for the host; they arrive after their wire time, together.
    // `atMs`: when the keyer meant to send them, if that was earlier than now.
    void sendToHost(const QByteArray& bytes, const QString& what, double atMs = -1);
    void flushToHost();
    void startNextItem();
    void runStep();
    void finishChar();
    void becomeIdle();
    void reportStatus();
    // `atMs`: the scheduled moment of the edge; now when negative.
    void setKey(bool down, double atMs = -1);
    void setPtt(bool on);
    int keyingWpm() const;
    void breakIn(const QString& text);
    // Clear buffer: what is queued and the character being keyed go, unechoed.
    void clearBuffer();
    QByteArray currentEcho() const;
    void applyParameters(const QByteArray& block);

    EchoAt echoAt_;
    QTextStream& log_;
    QElapsedTimer clock_;
    int master_ = -1;
    int heldSlave_ = -1;
    std::unique_ptr<QSocketNotifier> hostNotifier_;
    CommandParser parser_;

    // Bytes on the wire towards the keyer, each with the moment it has fully arrived.
    std::deque<std::pair<char, double>> inbound_;
    double wireFreeAt_ = 0;
    QTimer inboxTimer_;
    QByteArray outbox_;
    QTimer outboxTimer_;
    double outboxReadyAt_ = 0;

    KeyerParameters params_;
    int potWpm_ = 20;
    std::deque<Item> buffer_;
    std::vector<KeyStep> steps_;
    std::size_t stepIndex_ = 0;
    char current_ = 0;
    char currentMerged_ = 0;
    bool paddling_ = false;
    QTimer stepTimer_;
    double stepDueAt_ = 0;
    bool keyDown_ = false;
    bool ptt_ = false;
    bool busy_ = false;
    std::uint8_t lastStatus_ = 0xC0;

    // A run of text: from its first character to the keyer falling idle.
    double runStartedAt_ = -1;
    double runKeyingMs_ = 0;
    int runChars_ = 0;
    double runWaitingMs_ = 0;
    bool starved_ = false; // the last character ended with nothing buffered
    double lastCharEndedAt_ = 0;
    std::size_t echoStep_ = 0; // the step the character itself starts at
    QTimer idleTimer_;
    QTimer tailTimer_;

    std::unique_ptr<SidetoneRecording> wav_;
};

} // namespace tavrik::emulator
