#pragma once

#include "conversion/conversion_dialogs.h"

class QWidget;

namespace tavrik::conversion {

// The Qt dialogs, owned by the window they are shown over.
class QtConversionDialogs final : public ConversionDialogs {
public:
    explicit QtConversionDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    QString chooseFile(const QString& filter) override;
    QString askText(const DialogTitle& title, const QString& prompt) override;
    void showMessage(const DialogTitle& title, const QString& text, MessageIcon icon) override;

private:
    QWidget* parent_;
};

} // namespace tavrik::conversion
