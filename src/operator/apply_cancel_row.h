#pragma once

class QDialog;
class QHBoxLayout;
class QPushButton;

namespace tavrik {

// The foot of a small settings dialog: Apply (named "btnOK", the default) and Cancel (named
// "btnCancel", which closes the dialog), on the right.
struct ApplyCancelRow {
    QPushButton* apply;
    QHBoxLayout* row;
};
ApplyCancelRow MakeApplyCancelRow(QDialog& dialog);

} // namespace tavrik
