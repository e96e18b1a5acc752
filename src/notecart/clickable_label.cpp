#include "notecart/clickable_label.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace tavrik::notecart {

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    // Looks like a link, so the operator sees it can be clicked.
    setStyleSheet(QStringLiteral("QLabel { color: palette(link); text-decoration: underline; }"
                                 "QLabel:focus { border: 1px dotted palette(text); }"));
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

} // namespace tavrik::notecart
