#pragma once

#include "common/message_dialogs.h"

#include <memory>

namespace discseek {

// The error box: a modal box on top of every window, back only once the user has closed it.
class MessageBoxErrorDialog final : public tavrik::MessageDialogs {
public:
    void showMessage(const tavrik::DialogTitle& title, const QString& text, tavrik::MessageIcon icon) override;
};

// Where nobody could see a box: "<title>: <text>" on standard error, and back at once.
class StderrErrorDialog final : public tavrik::MessageDialogs {
public:
    void showMessage(const tavrik::DialogTitle& title, const QString& text, tavrik::MessageIcon icon) override;
};

// DISCSEEK_ERRORS=stderr or =box decides; unset, a box needs a display that someone can see
// (not the offscreen or minimal platform).
bool ErrorsGoToStderr();
std::unique_ptr<tavrik::MessageDialogs> MakeErrorDialog(bool toStderr);

} // namespace discseek
