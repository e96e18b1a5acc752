#pragma once

#include "support/core_application.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

#include <algorithm>

#include <signal.h>

namespace tavrik::test {

// The logging-program stand-in run as a real process; its output is read line by line.
class StandInProcess {
public:
    // Starts it and waits for its "ready" line; false when it did not come up.
    bool start(const QStringList& arguments = {})
    {
        CoreApplication();
        process_.setProgram(QStringLiteral(VORBEL32_STANDIN));
        process_.setArguments(arguments);
        process_.start();
        return process_.waitForStarted(5000) && waitForLine(QStringLiteral(" ready: "));
    }

    // Every line printed so far.
    const QStringList& lines() { collect(0); return lines_; }

    // Waits until a line containing `text` is printed after the ones already matched.
    bool waitForLine(const QString& text, int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            for (; matched_ < lines_.size(); ++matched_) {
                if (lines_.at(matched_).contains(text)) {
                    matchedLine_ = lines_.at(matched_++);
                    return true;
                }
            }
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
                return false;
            collect(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        }
    }

    // The line the last successful waitForLine or command matched.
    const QString& matchedLine() const { return matchedLine_; }

    // Waits until every one of `texts` is in some line, in whatever order they came.
    bool waitForAll(const QStringList& texts, int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            const bool all = std::all_of(texts.begin(), texts.end(), [&](const QString& text) {
                return std::any_of(lines_.begin(), lines_.end(), [&](const QString& l) { return l.contains(text); });
            });
            if (all)
                return true;
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning)
                return false;
            collect(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        }
    }

    // A logging program whose window thread is busy: it takes no message until resumed.
    void pause() { ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP); }
    void resume() { ::kill(static_cast<pid_t>(process_.processId()), SIGCONT); }

    // A console command, acknowledged by the stand-in before this returns.
    bool command(const QString& line, const QString& acknowledgement)
    {
        process_.write((line + u'\n').toUtf8());
        process_.waitForBytesWritten(5000);
        return waitForLine(acknowledgement);
    }

    // A crash: no clean-up, the block and the socket file stay behind.
    void kill()
    {
        ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
        process_.waitForFinished(5000);
    }

    ~StandInProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            resume();
            process_.terminate();
            if (!process_.waitForFinished(5000))
                kill();
        }
    }

private:
    void collect(int waitMs)
    {
        if (waitMs > 0 && process_.bytesAvailable() == 0 && !process_.canReadLine())
            process_.waitForReadyRead(waitMs);
        while (process_.canReadLine())
            lines_.append(QString::fromUtf8(process_.readLine()).trimmed());
    }

    QProcess process_;
    QStringList lines_;
    qsizetype matched_ = 0;
    QString matchedLine_;
};

} // namespace tavrik::test
