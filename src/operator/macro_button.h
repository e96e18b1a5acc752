#pragma once

#include "common/colour.h"
#include "settings/tavrik_settings.h"

#include <QAbstractButton>

namespace tavrik {

struct ButtonAppearance {
    Colour backColor = 14671839;
    Colour foreColor = 0;
    QString fontName = QStringLiteral("MS Sans Serif");
    int fontSize = 8;
    bool bold = false;
    bool italic = false;
};

ButtonAppearance NormalLook(const MacroSlot& slot);
ButtonAppearance MouseOverLook(const MacroSlot& slot);

// One of the 36 owner-drawn macro buttons: its caption, its key name in the corner, and a
// normal and a mouse-over appearance.
class MacroButton final : public QAbstractButton {
    Q_OBJECT
public:
    MacroButton(int index, QWidget* parent = nullptr);
    int index() const { return index_; }
    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    void setAppearance(const ButtonAppearance& normal, const ButtonAppearance& mouseOver);
    bool hovered() const { return hovered_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Any mouse button went down on the button.
    void mouseDown(int index);
    void rightClicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const ButtonAppearance& current() const { return hovered_ ? mouseOver_ : normal_; }
    QString keyName() const;

    int index_;
    QString caption_;
    ButtonAppearance normal_;
    ButtonAppearance mouseOver_;
    bool hovered_ = false;
    bool mouseDown_ = false;
};

} // namespace tavrik
