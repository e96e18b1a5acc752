#pragma once

#include "discseek/callbook_lookups.h"
#include "discseek/request_table.h"
#include "platform/message_channel.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

namespace discseek {

class CdDrives;
class ErrorDialog;
class LibraryFolder;

inline constexpr const char* kWindowTitle = "Discseek";
inline constexpr const char* kMessageName = "Discseek";
inline constexpr std::chrono::milliseconds kTimeLimit{10000};

// The service's only window, never shown: it takes the request records on its socket, runs the
// lookup they ask for, and ends after an answer, an error, or the time limit.
class DiscseekWindow final : public QObject, private LookupOutcome {
    Q_OBJECT
public:
    DiscseekWindow(LibraryFolder& libraries, const CdDrives& drives, ErrorDialog& dialog, QString answerPath,
                   QObject* parent = nullptr);
    ~DiscseekWindow() override;

    // Installs the request handler, listens on the socket and starts Timer1. The reason when
    // nothing listens (another copy runs there, or the socket cannot be made).
    QString load(const QString& socketPath);
    // Removes the handler and stops the timer; the program ends when `unloaded` is handled.
    void unload();
    bool isHooked() const { return static_cast<bool>(windowProc_); }

signals:
    void unloaded();

private:
    void hook();
    void unhook();
    std::int32_t handleRequest(const tavrik::MessageRecord& record);
    void writeLookupAnswer(const QByteArray& answer) override;
    void reportLookupError(const QString& message) override;

    ErrorDialog& dialog_;
    QString answerPath_;
    RequestTable requests_;
    CallbookLookups lookups_;
    QTimer timer1_;
    tavrik::MessageListener::Handler windowProc_;
    std::unique_ptr<tavrik::MessageListener> listener_;
    bool ending_ = false;
};

} // namespace discseek
