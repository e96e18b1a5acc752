#pragma once

#include <QString>

class QWidget;

namespace tavrik {

enum class MessageIcon { None, Exclamation, Information, Critical };

// The modal boxes the window shows, behind an interface so tests can answer them.
class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;
    virtual void showMessage(const QString& title, const QString& text, MessageIcon icon) = 0;
};

class QtOperatorDialogs final : public OperatorDialogs {
public:
    explicit QtOperatorDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void showMessage(const QString& title, const QString& text, MessageIcon icon) override;

private:
    QWidget* parent_;
};

} // namespace tavrik
