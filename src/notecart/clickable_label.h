#pragma once

#include <QLabel>

namespace tavrik::notecart {

// A label that works as a button: a click, or Space or Enter while it has the focus.
class ClickableLabel final : public QLabel {
    Q_OBJECT

public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace tavrik::notecart
