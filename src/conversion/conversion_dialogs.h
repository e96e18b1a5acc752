#pragma once

#include "common/message_dialogs.h"

#include <QString>

namespace tavrik::conversion {

// The modal dialogs of the program, behind one interface so a test can answer them. Its
// messages wait for OK.
class ConversionDialogs : public MessageDialogs {
public:
    // One existing file name, or empty when the user cancels.
    virtual QString chooseFile(const QString& filter) = 0;
    // The text typed, or empty when the user cancels.
    virtual QString askText(const DialogTitle& title, const QString& prompt) = 0;
};

} // namespace tavrik::conversion
