#pragma once

#include "common/message_dialogs.h"

#include <QString>

namespace tavrik::notecart {

// The modal dialogs of the program, behind one interface so a test can answer them. Its
// messages wait for OK.
class NotecartDialogs : public MessageDialogs {
public:
    // The chosen file's name, or empty when the user cancels. `filter` is "description|pattern";
    // `fileName` is offered first.
    virtual QString chooseFile(const DialogTitle& title, const QString& filter, const QString& fileName) = 0;
};

} // namespace tavrik::notecart
