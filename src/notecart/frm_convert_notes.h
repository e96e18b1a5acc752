#pragma once

#include "notecart/notes_transfer.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace tavrik::notecart {

class ClickableLabel;

// The path a Browse control puts into its text box: the chosen name without ".ISD".
QString TextBoxPathFor(const QString& chosenName);

// The program's window: the notes file, the logbook, the operator filter, Start, and the log.
class frmConvertNotes final : public QWidget, private TransferView {
    Q_OBJECT

public:
    frmConvertNotes(IsamLibrary& library, NotecartDialogs& dialogs, Clock& clock,
                    QWidget* parent = nullptr);

    QLabel* lblNotesFile;
    QLineEdit* txtNotesFile;
    ClickableLabel* lblBrowse;
    QLabel* lblLogbook;
    QLineEdit* txtLogbook;
    QPushButton* cmdBrowseLogbook;
    QCheckBox* ckOperatorOnly;
    QLineEdit* txtOperator;
    QPushButton* cmdStart;
    QPushButton* cmdStop;
    QLabel* lblProgress;
    QProgressBar* progress;
    QLabel* lblLog;
    QPlainTextEdit* txtLog;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void browse(QLineEdit* target, const DialogTitle& title, const QString& filter);
    void onStart();
    void flushLog();

    bool operatorFilterOn() const override;
    QString operatorCall() const override;
    void startLog(const QString& text) override;
    void appendLog(const QString& text) override;
    void showProgress(int notesRead, const QString& call) override;
    void processEvents() override;

    NotecartDialogs& dialogs_;
    NotesTransfer transfer_;
    QString pendingLog_;
    bool centred_ = false;
};

} // namespace tavrik::notecart
