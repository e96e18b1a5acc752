#pragma once

#include "common/message_dialogs.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace tavrik {

// The box a program shows for a message: its title, its text as written (a record or a path
// in it is never read as markup), its icon, and an OK button. Not shown yet: the program
// decides whether it waits for OK.
std::unique_ptr<QMessageBox> MakeMessageBox(const DialogTitle& title, const QString& text, MessageIcon icon,
                                            QWidget* parent);

} // namespace tavrik
