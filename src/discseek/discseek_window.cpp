#include "discseek/discseek_window.h"

#include "discseek/answer_file.h"
#include "discseek/error_dialog.h"

namespace discseek {

DiscseekWindow::DiscseekWindow(LibraryFolder& libraries, const CdDrives& drives, ErrorDialog& dialog,
                               QString answerPath, QObject* parent)
    : QObject(parent), dialog_(dialog), answerPath_(std::move(answerPath)), lookups_(libraries, drives, *this)
{
    timer1_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: half a second of a lookup's time.
    timer1_.setTimerType(Qt::PreciseTimer);
    timer1_.setInterval(kTimeLimit);
    connect(&timer1_, &QTimer::timeout, this, &DiscseekWindow::unload);
}

DiscseekWindow::~DiscseekWindow() = default;

QString DiscseekWindow::load(const QString& socketPath)
{
    hook();
    // Records reach the handler only through the listener, which passes other names by.
    listener_ = std::make_unique<tavrik::MessageListener>(kMessageName, [this](const tavrik::MessageRecord& record) {
        return windowProc_ ? windowProc_(record) : 0;
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
    windowProc_ = [this](const tavrik::MessageRecord& record) { return handleRequest(record); };
}

void DiscseekWindow::unhook()
{
    windowProc_ = nullptr;
}

std::int32_t DiscseekWindow::handleRequest(const tavrik::MessageRecord& record)
{
    // While the error box is up the program is ending: a further lookup must not start.
    if (ending_)
        return 0;
    if (const std::optional<Callbook> callbook = requests_.take(record.wParam, record.lParam))
        lookups_.lookup(*callbook, requests_.cdDrive(), requests_.lookupCall());
    return 0;
}

void DiscseekWindow::writeLookupAnswer(const QByteArray& answer)
{
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
    ending_ = true;
    timer1_.stop();
    dialog_.showError(QStringLiteral("Discseek Error"), message);
    unload();
}

} // namespace discseek
