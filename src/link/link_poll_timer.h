#pragma once

#include <QObject>
#include <QTimer>

namespace tavrik {

class Link;

// Timer1: polls the link every 200 ms. The software keyer stops it for a transmission and
// polls between characters instead (KeyerWindow::setLinkTimerRunning comes here).
class LinkPollTimer final : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 200;

    explicit LinkPollTimer(Link& link, QObject* parent = nullptr);
    void setRunning(bool running);

private:
    Link& link_;
    QTimer timer_;
};

} // namespace tavrik
