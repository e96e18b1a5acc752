#include "common/center_form.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tavrik {

void CenterForm(QWidget& form)
{
    QScreen* screen = form.screen() != nullptr ? form.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    // A second screen's area starts where the first one ends, not at 0,0.
    const QRect area = screen->availableGeometry();
    const QSize size = form.frameGeometry().size();
    form.move(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2);
}

} // namespace tavrik
