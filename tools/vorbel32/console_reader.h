#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

namespace tavrik::standin {

// Lines typed on standard input, read from the event loop. At the end of the input the
// program goes on serving: started in the background it has no console.
class ConsoleReader final : public QObject {
    Q_OBJECT
public:
    explicit ConsoleReader(QObject* parent = nullptr);

signals:
    void lineRead(const QString& line);

private:
    void readAvailable();

    QSocketNotifier notifier_;
    QByteArray pending_;
};

} // namespace tavrik::standin
