#pragma once

#include "conversion/conversion_run.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tavrik::conversion {

// The program's window: two exclusive choices for the second words of a name, the callsign of
// the record being converted, and Start, Abort and Exit.
class Convert final : public QWidget, private RunView {
    Q_OBJECT

public:
    Convert(ConversionDialogs& dialogs, Clock& clock, const QString& programFolder,
            QWidget* parent = nullptr);

    QCheckBox* ckSecondWordsInComment;
    QCheckBox* ckSecondWordsInQth;
    QPushButton* cmdStart;
    QPushButton* cmdAbort;
    QPushButton* cmdExit;
    QLineEdit* txtCall;
    QProgressBar* progress;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onStart();
    void onCommentToggled(bool checked);
    void onQthToggled(bool checked);

    SecondWords secondWords() const override;
    void showProgress(const QString& call, qint64 bytesDone, qint64 bytesTotal) override;
    void processEvents() override;

    ConversionRun run_;
    bool running_ = false;
    bool centred_ = false;
};

} // namespace tavrik::conversion
