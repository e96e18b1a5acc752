#pragma once

#include "common/message_dialogs.h"
#include "discseek/callbook_lookups.h"
#include "discseek/request_table.h"
#include "platform/message_channel.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace discseek {

class CdDrives;
class LibraryFolder;

inline constexpr const char* kWindowTitle = "Discseek";
inline constexpr const char* kMessageName = "Discseek";
inline constexpr std::chrono::milliseconds kTimeLimit{10000};

// The service's only window, never shown: it takes the request records on its socket, runs the
// lookup they ask for, and ends after an answer, an error, or the time limit. A lookup runs on
// a thread of its own, so a library that never returns (a hung drive) holds neither the time
// limit nor a signal up. One requester is served: the first connection that sends a record.
class DiscseekWindow final : public QObject, private LookupOutcome {
    Q_OBJECT
public:
    DiscseekWindow(LibraryFolder& libraries, const CdDrives& drives, tavrik::MessageDialogs& dialog,
                   QString answerPath, QObject* parent = nullptr);
    // Waits for a lookup thread still running: the program never ends that way while a library
    // call hangs (see lookupRunning()).
    ~DiscseekWindow() override;

    // Installs the request handler, listens on the socket and starts Timer1. The reason when
    // nothing listens (another copy runs there, or the socket cannot be made).
    QString load(const QString& socketPath);
    // Removes the handler and stops the timer; the program ends when `unloaded` is handled.
    void unload();
    bool isHooked() const { return static_cast<bool>(windowProc_); }
    // A library call has not returned yet: its thread still uses the libraries, so the program
    // must end without unloading them.
    bool lookupRunning() const { return lookupRunning_; }
    // Closes the socket and every connection: requesters see the end.
    void stopListening() { listener_.reset(); }

signals:
    void unloaded();

private:
    void hook();
    void unhook();
    std::int32_t handleRequest(const tavrik::MessageRecord& record, int connection);
    void startNextLookup();
    void writeLookupAnswer(const QByteArray& answer) override;
    void reportLookupError(const QString& message) override;

    // Hands what the lookup thread's library calls end with to the window's own thread.
    class Relay final : public LookupOutcome {
    public:
        explicit Relay(DiscseekWindow& window) : window_(window) {}
        void writeLookupAnswer(const QByteArray& answer) override;
        void reportLookupError(const QString& message) override;

    private:
        DiscseekWindow& window_;
    };
    struct Lookup {
        Callbook callbook;
        QByteArray cdDrive;
        QByteArray callsign;
    };

    tavrik::MessageDialogs& dialog_;
    QString answerPath_;
    RequestTable requests_;
    Relay relay_;
    CallbookLookups lookups_;
    std::deque<Lookup> pendingLookups_;
    bool lookupRunning_ = false;
    // Lookup threads not past their last use of the window.
    std::mutex threadMutex_;
    std::condition_variable threadEnded_;
    int threadsRunning_ = 0;
    int requester_ = 0; // the connection served; 0 until a record came
    QTimer timer1_;
    tavrik::MessageListener::ConnectionHandler windowProc_;
    std::unique_ptr<tavrik::MessageListener> listener_;
    bool ending_ = false;
};

} // namespace discseek
