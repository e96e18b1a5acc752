#include "operator/lamp.h"

#include <QPainter>

namespace tavrik {

Lamp::Lamp(const QString& objectName, const QString& label, QWidget* parent) : QWidget(parent), label_(label)
{
    setObjectName(objectName);
    setToolTip(label == QLatin1String("KEY") ? QStringLiteral("Key line") : QStringLiteral("PTT line"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Lamp::setOn(bool on)
{
    if (on_ == on)
        return;
    on_ = on;
    update();
}

void Lamp::setLineGone(bool gone)
{
    if (gone_ == gone)
        return;
    gone_ = gone;
    const QString line = label_ == QLatin1String("KEY") ? QStringLiteral("Key line") : QStringLiteral("PTT line");
    setToolTip(gone ? line + QStringLiteral(": its port is closed") : line);
    update();
}

QSize Lamp::sizeHint() const
{
    const QFontMetrics fm(font());
    return {std::max(fm.horizontalAdvance(label_) + 4, 22), 14 + fm.height()};
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm(font());
    const int d = std::min(width() - 4, height() - fm.height() - 2);
    const QRectF light((width() - d) / 2.0, 1, d, d);
    const QColor colour = gone_ ? QColor(150, 150, 150) : on_ ? QColor(40, 200, 70) : QColor(200, 40, 40);
    QRadialGradient glow(light.center() - QPointF(d / 5.0, d / 5.0), d);
    glow.setColorAt(0, colour.lighter(170));
    glow.setColorAt(1, colour.darker(130));
    p.setBrush(glow);
    p.setPen(QPen(colour.darker(180), 1));
    p.drawEllipse(light);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(0, d + 2, width(), fm.height()), Qt::AlignHCenter | Qt::AlignTop, label_);
}

} // namespace tavrik
