#include "keyer/setup/center_form.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tavrik {

void CenterForm(QWidget& form)
{
    QScreen* screen = form.screen() != nullptr ? form.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    if (!form.isVisible())
        form.adjustSize();
    const QRect area = screen->geometry();
    const QSize size = form.frameGeometry().size();
    form.move(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2);
}

} // namespace tavrik
