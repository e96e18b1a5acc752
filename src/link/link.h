#pragma once

#include "link/link_slots.h"
#include "platform/message_channel.h"
#include "platform/shared_block.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

namespace tavrik {

// The parts of the main window the link reads and drives.
class LinkHost {
public:
    virtual ~LinkHost() = default;
    virtual QString callsignText() const = 0;
    virtual QString nameText() const = 0;
    virtual QString srxText() const = 0;
    // Replace the field's text and put its caret at the end; the field's Change handling
    // then writes the slot back.
    virtual void setCallsignText(const QString& text) = 0;
    virtual void setNameText(const QString& text) = 0;
    virtual void setSrxText(const QString& text) = 0;
    virtual void closeMainWindow() = 0;
    virtual void restoreMainWindow() = 0;
    virtual void minimizeMainWindow() = 0;
    // A synthetic key for the typing box's key handler; shift is 0, 2 (Ctrl) or 4 (Alt).
    virtual void pressKey(int keyCode, int shift) = 0;
    virtual void addCallsignToHistory() = 0;
    // Sets the WinKey's pins up for the active radio.
    virtual void selectRadioPin(int radio) = 0;
    // The link, once up, broke (its block was removed, replaced or cut short) and waits for
    // the logging program; empty once it works again.
    virtual void showLinkProblem(const QString& problem) = 0;
};

enum class LinkOpenOutcome {
    Up,
    CannotOpen, // no usable block: the logging program is not running, or the block is refused
    CannotMap,  // the block is there but cannot be mapped whole
};

// The message box start-up shows for a failed open.
struct LinkStartupMessage {
    QString title;
    QString text;
    bool exclamation = false; // else no icon
};
std::optional<LinkStartupMessage> StartupMessageFor(LinkOpenOutcome outcome);

// The link with the logging program: the shared block "TAVRIK", polled and written, and the
// registered message "TAVRIK" posted and sent to the window "Vorbel32".
// When no logging program listened at open, nothing is posted or sent for the whole run.
// A link that was up follows the logging program through restarts: a block removed or
// replaced is given up and the one at its path taken, so slots and messages always reach the
// same program.
class Link {
public:
    static constexpr char kPeerWindowTitle[] = "Vorbel32";
    static constexpr char kBlockName[] = "TAVRIK";
    static constexpr char kMessageName[] = "TAVRIK";

    explicit Link(LinkHost& host);

    // Looks the logging program up once and opens the block; not retried when it fails.
    LinkOpenOutcome open();
    // Why the open failed, in words (not shown to the operator).
    const QString& openFailureDetail() const { return openFailure_; }
    bool isUp() const { return block_.isOpen(); }
    bool peerFound() const { return channel_ != nullptr; }
    // Why a link that was up is down now; empty while it works.
    const QString& problem() const { return problem_; }

    // Copies the slots into the mirrors and the fields, consumes and runs one command.
    void pollLink();
    // Slot k as 64 bytes (text, NUL, blanks), then notice 200.
    void writeSlot(int k, const QString& text);
    // Sends and forgets; never blocks.
    void postLinkNotice(int code, int argument);
    // The callsign goes into the history, then notice 100.
    void logContact();
    void closeLink();
    // A shared-serial key or PTT request, carried out by the logging program before it
    // answers. Returns its reply; empty when none came within the send timeout.
    std::optional<std::int32_t> sendRequest(int code);
    // Why the last request got no reply, in words.
    QString lastRequestFailure() const;
    // Requests sent without waiting for their replies, in order; see MessageChannel.
    void sendUnansweredRequests(std::initializer_list<int> codes);
    // Runs now and then while a request waits long for its reply (the window repaints);
    // never inside itself.
    void setWhileWaiting(std::function<void()> whileWaiting) { whileWaiting_ = std::move(whileWaiting); }

    // The 64 raw characters last read from slot k, and their value.
    QString slotMirror(int k) const;
    QString slotValue(int k) const;
    const QString& myCallsign() const { return myCallsign_; }
    const QString& bandText() const { return bandText_; }
    const QString& serialFormat() const { return serialFormat_; }
    std::int16_t activeRadio() const { return activeRadio_; }

private:
    void runCommand(const QString& text);
    void takeActiveRadio();
    // True when the block at the path is open; takes up a new one there after a restart.
    bool followBlock();
    void loseBlock(const QString& why);
    void setProblem(const QString& problem);

    LinkHost& host_;
    SharedBlock block_;
    QString blockPath_; // set once the block was open: the link then follows it
    QString socketPath_;
    std::unique_ptr<MessageChannel> channel_;
    QString openFailure_;
    QString problem_;
    std::array<QString, LinkSlots::kCount> mirrors_;
    QString myCallsign_;
    QString bandText_;
    QString serialFormat_;
    std::int16_t activeRadio_ = 0;
    std::function<void()> whileWaiting_;
    bool waiting_ = false;
};

} // namespace tavrik
