#pragma once

#include <QDialog>
#include <QPlainTextEdit>

#include <functional>

class QLineEdit;
class QPushButton;

namespace tavrik {

class MacroButton;
class MacroStore;
class OperatorDialogs;

// The macro text box: "~" stands for a line break in the settings file, so it cannot be
// typed, composed or pasted here.
class MacroTextEdit final : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
};

// frmCWMacroSetup: edits one macro, its caption and its button's two looks. Slot 0 of the
// store is the working copy of the look; nothing reaches slot n or the file before OK.
class FrmCwMacroSetup final : public QDialog {
    Q_OBJECT
public:
    struct Host {
        MacroStore& store;
        OperatorDialogs& dialogs;
        // Repaints main-window button n from its slot.
        std::function<void(int index)> repaintButton;
        // Writes one key of section "frmTavrik Settings".
        std::function<void(const QString& key, const QString& value)> writeSetting;
        // Runs a modal picker once no transmission is under way, ending one first.
        std::function<void(std::function<void()> open)> endTransmissionThen;
    };

    FrmCwMacroSetup(int index, Host host, QWidget* owner);
    int index() const { return index_; }

private:
    void buildWindow();
    // The preview shows slot 0: its normal look, its mouse-over look under the pointer.
    void paintPreview();
    void chooseBackColor(bool mouseOver);
    void chooseFont(bool mouseOver);
    void resetBackColors();
    void resetAll();
    void accept() override;

    int index_;
    Host host_;
    MacroTextEdit* macroText_ = nullptr;
    QLineEdit* captionText_ = nullptr;
    MacroButton* preview_ = nullptr;
};

} // namespace tavrik
