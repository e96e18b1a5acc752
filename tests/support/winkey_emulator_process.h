#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

#include <algorithm>

#include <signal.h>

namespace tavrik::test {

// tools/winkey-emulator run as a real process on a pseudo-terminal of its own.
class WinKeyEmulatorProcess {
public:
    // Starts it and waits for the device it prints; false when it did not come up.
    bool start(const QString& program, const QStringList& arguments = {})
    {
        process_.setProgram(program);
        process_.setArguments(arguments);
        process_.start();
        if (!process_.waitForStarted(5000) || !waitForLine(QStringLiteral("WinKey emulator on ")))
            return false;
        device_ = lines_.at(matched_ - 1).section(u' ', -1);
        return true;
    }
    QString device() const { return device_; }

    const QStringList& lines()
    {
        collect(0);
        return lines_;
    }

    // Waits until a line containing `text` is printed after the ones already matched.
    bool waitForLine(const QString& text, int timeoutMs = 10000)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            for (; matched_ < lines_.size(); ++matched_) {
                if (lines_.at(matched_).contains(text)) {
                    ++matched_;
                    return true;
                }
            }
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
                return false;
            collect(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        }
    }

    void command(const QString& line)
    {
        process_.write((line + u'\n').toUtf8());
        process_.waitForBytesWritten(5000);
    }

    // A crash, or an unplugged keyer: the device goes away without a word.
    void kill()
    {
        ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
        process_.waitForFinished(5000);
    }

    // Ends it as an operator would (the recording is closed cleanly).
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000))
            kill();
        collect(0);
    }

    ~WinKeyEmulatorProcess() { stop(); }

private:
    // The caller's events keep running meanwhile: Tavrik answers the keyer from them.
    void collect(int waitMs)
    {
        if (waitMs > 0 && !process_.canReadLine())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, std::min(waitMs, 50));
        while (process_.canReadLine())
            lines_.append(QString::fromUtf8(process_.readLine()).trimmed());
    }

    QProcess process_;
    QStringList lines_;
    qsizetype matched_ = 0;
    QString device_;
};

} // namespace tavrik::test
