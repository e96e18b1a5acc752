#include "link/link_poll_timer.h"

#include "link/link.h"

namespace tavrik {

LinkPollTimer::LinkPollTimer(Link& link, QObject* parent) : QObject(parent), link_(link)
{
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] { link_.pollLink(); });
}

void LinkPollTimer::setRunning(bool running)
{
    if (running)
        timer_.start();
    else
        timer_.stop();
}

} // namespace tavrik
