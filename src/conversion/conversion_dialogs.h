#pragma once

#include <QString>

namespace tavrik::conversion {

// The modal dialogs of the program, behind one interface so a test can answer them.
class ConversionDialogs {
public:
    enum class Icon { None, Exclamation };

    virtual ~ConversionDialogs() = default;
    // One existing file name, or empty when the user cancels.
    virtual QString chooseFile(const QString& filter) = 0;
    // The text typed, or empty when the user cancels.
    virtual QString askText(const QString& prompt, const QString& title) = 0;
    // A message with an OK button.
    virtual void showMessage(const QString& text, const QString& title, Icon icon) = 0;
};

} // namespace tavrik::conversion
