#pragma once

#include <QString>

class QWidget;

namespace tavrik {

// Tells the operator that a setting was not saved, in a box that neither waits for an answer
// nor takes the keyboard: a transmission and the typing go on while it is shown.
void ShowSaveProblem(QWidget* parent, const QString& title, const QString& text);

} // namespace tavrik
