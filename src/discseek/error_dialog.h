#pragma once

#include <QString>

#include <memory>

namespace discseek {

// The error box: shown, and back only once the user has closed it.
class ErrorDialog {
public:
    virtual ~ErrorDialog() = default;
    virtual void showError(const QString& title, const QString& text) = 0;
};

// A modal box on top of every window, with an OK button.
class MessageBoxErrorDialog final : public ErrorDialog {
public:
    void showError(const QString& title, const QString& text) override;
};

// Where nobody could see a box: "<title>: <text>" on standard error, and back at once.
class StderrErrorDialog final : public ErrorDialog {
public:
    void showError(const QString& title, const QString& text) override;
};

// DISCSEEK_ERRORS=stderr or =box decides; unset, a box needs a display that someone can see
// (not the offscreen or minimal platform).
bool ErrorsGoToStderr();
std::unique_ptr<ErrorDialog> MakeErrorDialog(bool toStderr);

} // namespace discseek
