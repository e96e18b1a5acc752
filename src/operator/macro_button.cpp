#include "operator/macro_button.h"

#include "operator/windows_fonts.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace tavrik {
namespace {

QFont FontOf(const ButtonAppearance& a, const QFont& base)
{
    QFont f = ScreenFont(a.fontName, a.fontSize, base);
    f.setBold(a.bold);
    f.setItalic(a.italic);
    return f;
}

} // namespace

ButtonAppearance NormalLook(const MacroSlot& m)
{
    return {m.backColor, m.foreColor, m.fontName, m.fontSize, m.fontBold, m.fontItalic};
}

ButtonAppearance MouseOverLook(const MacroSlot& m)
{
    return {m.mouseOverBackColor, m.mouseOverForeColor, m.mouseOverFontName,
            m.mouseOverFontSize,  m.mouseOverFontBold,  m.mouseOverFontItalic};
}

MacroButton::MacroButton(int index, QWidget* parent) : QAbstractButton(parent), index_(index)
{
    setObjectName(QStringLiteral("btnf_%1").arg(index));
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip(keyName());
}

QString MacroButton::keyName() const
{
    const int n = (index_ - 1) % 12 + 1;
    const int bank = (index_ - 1) / 12;
    static const char* const kPrefix[] = {"F", "Alt+F", "Ctrl+F"};
    return QLatin1String(kPrefix[bank]) + QString::number(n);
}

void MacroButton::setCaption(const QString& caption)
{
    caption_ = caption;
    QString shown = caption;
    setToolTip(keyName() + (caption.isEmpty() ? QString() : QStringLiteral(": ") + shown.remove(u'&')));
    update();
}

void MacroButton::setAppearance(const ButtonAppearance& normal, const ButtonAppearance& mouseOver)
{
    normal_ = normal;
    mouseOver_ = mouseOver;
    update();
}

// The same for every button, whatever its caption and font: the banks line up.
QSize MacroButton::sizeHint() const
{
    return {44, fontMetrics().height() + 14};
}

QSize MacroButton::minimumSizeHint() const
{
    return {28, fontMetrics().height() + 14};
}

void MacroButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const ButtonAppearance& a = current();
    const QColor back = ToQColor(a.backColor);
    QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, isDown() ? back.darker(115) : back.lighter(108));
    fill.setColorAt(1, isDown() ? back.darker(105) : back.darker(108));
    QPainterPath path;
    path.addRoundedRect(r, 3, 3);
    p.fillPath(path, fill);
    p.setPen(QPen(back.darker(150), 1));
    p.drawPath(path);

    // The key's name in the corner, so an empty button still tells what it is.
    QFont small = font();
    small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.7));
    p.setFont(small);
    QColor faint = ToQColor(a.foreColor);
    faint.setAlpha(110);
    p.setPen(faint);
    p.drawText(r.adjusted(3, 1, -2, -1), Qt::AlignLeft | Qt::AlignTop, keyName());

    // A caption too long for the button is cut short, one too tall drawn smaller.
    const QRectF room = r.adjusted(2, 4, -2, 0);
    QFont captionFont = FontOf(a, font());
    const int tallest = static_cast<int>(room.height());
    if (QFontMetrics(captionFont).height() > tallest && captionFont.pixelSize() != 1) {
        const QFontInfo shown(captionFont);
        captionFont.setPixelSize(std::max(1, shown.pixelSize() * tallest / QFontMetrics(captionFont).height()));
    }
    p.setFont(captionFont);
    const QString caption =
        QFontMetrics(captionFont).elidedText(caption_, Qt::ElideRight, static_cast<int>(room.width()), Qt::TextShowMnemonic);
    // While a mouse button is held the caption takes the mouse-over text colour.
    p.setPen(ToQColor(mouseDown_ ? mouseOver_.foreColor : a.foreColor));
    p.drawText(room, Qt::AlignCenter | Qt::TextShowMnemonic, caption);
}

void MacroButton::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void MacroButton::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void MacroButton::mousePressEvent(QMouseEvent* event)
{
    mouseDown_ = true;
    update();
    emit mouseDown(index_);
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void MacroButton::mouseReleaseEvent(QMouseEvent* event)
{
    mouseDown_ = false;
    update();
    if (event->button() == Qt::RightButton) {
        emit rightClicked(index_);
        event->accept();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
}

} // namespace tavrik
