#pragma once

#include "keyer/setup/keyer_setup.h"

#include <QDialog>
#include <QLineEdit>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace tavrik {

// Text2..Text6's sibling for the ratios: takes only digits, the decimal point and Backspace,
// and selects its first character when it gets the focus, ready to be typed over.
class RatioBox final : public QLineEdit {
public:
    explicit RatioBox(const char* name, QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// frmPort, "Keyer setup": the software keyer's port, PTT, ratios, speed, sidetone and the
// speed tests. Not modal; stays above the main window, which takes typing meanwhile.
class FrmPort final : public QDialog {
    Q_OBJECT
public:
    FrmPort(KeyerSetupHost& host, QStringList presentDevices, QWidget* owner);

    // The loading steps; the dialog is shown afterwards.
    void load();
    // A speed test asked for; `start` runs it once the click is over.
    void setCalibrationStarter(std::function<void(int wpm)> start) { startTest_ = std::move(start); }
    // The busy pointer of a running test goes once its report is shown.
    void testReported();
    // The sound device failed while the dialog is open.
    void sidetoneUnavailable();

    KeyerSetupValues values() const;

    void reject() override;

signals:
    // The dialog is gone for the program, though Qt deletes it a moment later.
    void closed();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QWidget* buildPortGroup();
    QWidget* buildTimingGroup();
    QWidget* buildSoundGroup();
    QWidget* buildButtons();

    void portBoxClicked(QCheckBox* box, bool checked);
    void updatePortControls();
    void showSerialPortName(const QString& name);
    QString serialPortName() const;
    void refreshPortCaptions();
    void portChosen();
    void deviceEdited(const QString& path);
    void speedMoved(int wpm);
    void pitchMoved(int hz);
    void toneTestPressed();
    void toneTestReleased();
    void testClicked(int wpm);
    void applyClicked();

    KeyerSetupHost& host_;
    KeyerSetup setup_;
    QStringList presentDevices_;
    std::array<QString, 8> devices_;
    std::function<void(int)> startTest_;
    bool closed_ = false;

    QCheckBox* checkParallel_;
    QCheckBox* checkSerial_;
    QCheckBox* checkSharedSerial_;
    QLabel* parallelAddressLabel_;
    QLineEdit* parallelAddress_;
    QLabel* comPortLabel_;
    QComboBox* cmbPort_;
    QLabel* deviceLabel_;
    QComboBox* cmbDevice_;
    QCheckBox* pttOnPort_;
    QLineEdit* pttDelay_;
    RatioBox* dashLength_;
    RatioBox* letterSpace_;
    RatioBox* wordSpace_;
    QSlider* dotLengthSlider_;
    QLabel* lbl_;
    QSlider* pitch_;
    QLabel* pitchValue_;
    QCheckBox* ckSidetone_;
    QPushButton* btnTest_;
    QCheckBox* ckSlowTyping_;
    QCheckBox* disablePolling_;
    QPushButton* arButton1_;
    QPushButton* arButton2_;
    QPushButton* btnOK_;
    QLabel* portProblem_;
    QPushButton* btnCancel_;
};

} // namespace tavrik
