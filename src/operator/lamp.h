#pragma once

#include <QWidget>

namespace tavrik {

// KeyBox and PTTBox: a red or green lamp with its line's name under it.
class Lamp final : public QWidget {
public:
    Lamp(const QString& objectName, const QString& label, QWidget* parent = nullptr);
    void setOn(bool on);
    bool isOn() const { return on_; }
    // Grey while the line's port is gone: neither on nor off can be known.
    void setLineGone(bool gone);
    bool lineGone() const { return gone_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString label_;
    bool on_ = false;
    bool gone_ = false;
};

} // namespace tavrik
