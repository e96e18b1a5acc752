#pragma once

#include <QString>

namespace tavrik::notecart {

// The modal dialogs of the program, behind one interface so a test can answer them.
class NotecartDialogs {
public:
    virtual ~NotecartDialogs() = default;
    // The chosen file's name, or empty when the user cancels. `filter` is "description|pattern";
    // `fileName` is offered first.
    virtual QString chooseFile(const QString& title, const QString& filter, const QString& fileName) = 0;
    // A message with an OK button.
    virtual void showMessage(const QString& text, const QString& title) = 0;
};

} // namespace tavrik::notecart
