#pragma once

#include "common/colour.h"
#include "common/message_dialogs.h"

#include <QString>

#include <optional>

class QWidget;

namespace tavrik {

// A font with its text colour, as the font dialog shows and returns it.
struct FontChoice {
    QString name;
    int size = 8; // points
    bool bold = false;
    bool italic = false;
    Colour colour = 0;
};

// `widget` is `owner` or lies within it, in a window of its own or not.
bool BelongsTo(const QWidget* widget, const QWidget* owner);

// The boxes the window shows, behind an interface so tests can answer them. A message box
// returns at once and stays until the operator closes it.
class OperatorDialogs : public MessageDialogs {
public:
    // Modal: wait for the operator. Nothing when the operator cancels.
    virtual std::optional<Colour> chooseColour(Colour initial) = 0;
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial) = 0;
};

class QtOperatorDialogs final : public OperatorDialogs {
public:
    explicit QtOperatorDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void showMessage(const DialogTitle& title, const QString& text, MessageIcon icon) override;
    std::optional<Colour> chooseColour(Colour initial) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;

private:
    QWidget* owner() const;

    QWidget* parent_;
};

} // namespace tavrik
