#include "console_reader.h"

#include <unistd.h>

#include <cerrno>

namespace tavrik::standin {

ConsoleReader::ConsoleReader(QObject* parent)
    : QObject(parent), notifier_(STDIN_FILENO, QSocketNotifier::Read)
{
    connect(&notifier_, &QSocketNotifier::activated, this, &ConsoleReader::readAvailable);
}

void ConsoleReader::readAvailable()
{
    char buffer[4096];
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof(buffer));
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got <= 0) {
        notifier_.setEnabled(false);
        return;
    }
    pending_.append(buffer, got);
    qsizetype end = 0;
    while ((end = pending_.indexOf('\n')) >= 0) {
        QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        emit lineRead(QString::fromUtf8(line));
    }
}

} // namespace tavrik::standin
