#pragma once

#include "operator/key_router.h"

#include <QLineEdit>

namespace tavrik {

class ContactFieldEvents {
public:
    virtual ~ContactFieldEvents() = default;
    virtual void fieldKeyDown(ContactField field, int& keyCode, int& shift) = 0;
    virtual void fieldKeyPress(ContactField field, int& keyAscii) = 0;
    virtual void fieldMouseDown(ContactField field) = 0;
    virtual void fieldFocused(ContactField field) = 0;
    virtual bool claimsAltKey(int keyCode) const = 0;
};

// CallsignField, NameField and SRXField: one line each, a value of the shared block.
class ContactFieldEdit final : public QLineEdit {
public:
    ContactFieldEdit(ContactField field, const QString& objectName, QWidget* parent = nullptr);
    void setEvents(ContactFieldEvents* events) { events_ = events; }
    ContactField field() const { return field_; }

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    ContactField field_;
    ContactFieldEvents* events_ = nullptr;
};

} // namespace tavrik
