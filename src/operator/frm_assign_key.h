#pragma once

#include <QDialog>

#include <functional>

class QListWidget;

namespace tavrik {

// frmAssignKey, "Assign INS Key": which function key the Insert key stands for. The first
// click on an entry, or Enter on the selected one, assigns it and closes the dialog.
class FrmAssignKey final : public QDialog {
public:
    // `assign` receives the new code, 112 (F1) to 147 (Ctrl+F12).
    FrmAssignKey(int insertKeyCode, std::function<void(int)> assign, QWidget* owner);
    QListWidget& list() { return *list_; }

private:
    QListWidget* list_;
    std::function<void(int)> assign_;
};

} // namespace tavrik
