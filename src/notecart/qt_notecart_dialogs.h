#pragma once

#include "notecart/notecart_dialogs.h"

class QWidget;

namespace tavrik::notecart {

// The Qt dialogs, shown over the window.
class QtNotecartDialogs final : public NotecartDialogs {
public:
    explicit QtNotecartDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    QString chooseFile(const DialogTitle& title, const QString& filter, const QString& fileName) override;
    void showMessage(const DialogTitle& title, const QString& text, MessageIcon icon) override;

private:
    QWidget* parent_;
};

} // namespace tavrik::notecart
