#include "discseek/discseek_window.h"

#include "discseek/answer_file.h"

#include <thread>

namespace discseek {

DiscseekWindow::DiscseekWindow(LibraryFolder& libraries, const CdDrives& drives, tavrik::MessageDialogs& dialog,
                               QString answerPath, QObject* parent)
    : QObject(parent), dialog_(dialog), answerPath_(std::move(answerPath)), relay_(*this),
      lookups_(libraries, drives, relay_)
{
    timer1_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: half a second of a lookup's time.
    timer1_.setTimerType(Qt::PreciseTimer);
    timer1_.setInterval(kTimeLimit);
    connect(&timer1_, &QTimer::timeout, this, &DiscseekWindow::unload);
}

DiscseekWindow::~DiscseekWindow()
{
    std::unique_lock lock(threadMutex_);
    threadEnded_.wait(lock, [this] { return threadsRunning_ == 0; });
}

QString DiscseekWindow::load(const QString& socketPath)
{
    hook();
    // Records reach the handler only through the listener, which passes other names by.
    listener_ = std::make_unique<tavrik::MessageListener>(
        kMessageName, [this](const tavrik::MessageRecord& record, int connection) {
            return windowProc_ ? windowProc_(record, connection) : 0;
        });
    switch (listener_->listen(socketPath)) {
    case tavrik::MessageListener::ListenStatus::Listening:
        timer1_.start();
        return {};
    case tavrik::MessageListener::ListenStatus::AlreadyRunning:
        unhook();
        return QStringLiteral("another Discseek is running (%1)").arg(socketPath);
    case tavrik::MessageListener::ListenStatus::Failed:
        break;
    }
    unhook();
    return listener_->lastError();
}

void DiscseekWindow::unload()
{
    unhook();
    timer1_.stop();
    // The listener, and with it the socket, goes with the window: not from inside its own callback.
    emit unloaded();
}

void DiscseekWindow::hook()
{
    windowProc_ = [this](const tavrik::MessageRecord& record, int connection) {
        return handleRequest(record, connection);
    };
}

void DiscseekWindow::unhook()
{
    windowProc_ = nullptr;
}

std::int32_t DiscseekWindow::handleRequest(const tavrik::MessageRecord& record, int connection)
{
    // While the error box is up the program is ending: a further lookup must not start.
    if (ending_)
        return 0;
    // A second requester's characters would join the first one's callsign: it is refused,
    // and sees the end of its connection as the end of a lookup without an answer.
    if (requester_ == 0)
        requester_ = connection;
    if (connection != requester_) {
        listener_->closeConnection(connection);
        return 0;
    }
    if (const std::optional<Callbook> callbook = requests_.take(record.wParam, record.lParam)) {
        pendingLookups_.push_back({*callbook, requests_.cdDrive(), requests_.lookupCall()});
        startNextLookup();
    }
    return 0;
}

void DiscseekWindow::startNextLookup()
{
    if (lookupRunning_ || ending_ || pendingLookups_.empty())
        return;
    lookupRunning_ = true;
    const Lookup lookup = pendingLookups_.front();
    pendingLookups_.pop_front();
    // Detached: when the library never returns, the program ends without waiting for it.
    {
        std::lock_guard lock(threadMutex_);
        ++threadsRunning_;
    }
    std::thread([this, lookup] {
        lookups_.lookup(lookup.callbook, lookup.cdDrive, lookup.callsign);
        QMetaObject::invokeMethod(
            this,
            [this] {
                lookupRunning_ = false;
                // Some HamCall statuses end nothing: the next lookup asked for may run.
                startNextLookup();
            },
            Qt::QueuedConnection);
        std::lock_guard lock(threadMutex_);
        --threadsRunning_;
        threadEnded_.notify_all();
    }).detach();
}

void DiscseekWindow::Relay::writeLookupAnswer(const QByteArray& answer)
{
    QMetaObject::invokeMethod(
        &window_, [this, answer] { window_.writeLookupAnswer(answer); }, Qt::QueuedConnection);
}

void DiscseekWindow::Relay::reportLookupError(const QString& message)
{
    QMetaObject::invokeMethod(
        &window_, [this, message] { window_.reportLookupError(message); }, Qt::QueuedConnection);
}

void DiscseekWindow::writeLookupAnswer(const QByteArray& answer)
{
    // After the time limit or a signal, a late answer is no answer.
    if (!windowProc_)
        return;
    ending_ = true;
    const QString problem = WriteAnswerFile(answerPath_, answer);
    if (!problem.isEmpty()) {
        // Ending quietly would look like an answer that was never asked for.
        reportLookupError(QStringLiteral("Cannot write %1: %2").arg(answerPath_, problem));
        return;
    }
    unload();
}

void DiscseekWindow::reportLookupError(const QString& message)
{
    if (!windowProc_)
        return;
    ending_ = true;
    timer1_.stop();
    dialog_.showMessage(tavrik::DialogTitle(QStringLiteral("Discseek Error")), message,
                        tavrik::MessageIcon::Exclamation);
    unload();
}

} // namespace discseek
