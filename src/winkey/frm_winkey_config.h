#pragma once

#include "settings/tavrik_settings.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

namespace tavrik {

// "WinKey config ...": every WinKey parameter, kept consistent while edited; Apply stores
// them all and hands them back for the connection to start again. Not modal; stays on top.
class FrmWinKeyConfig final : public QDialog {
    Q_OBJECT
public:
    using SettingWriter = std::function<void(const QString& section, const QString& key, const QString& value)>;
    // Shows an information box and returns at once; the operator closes it.
    using NoticeShower = std::function<void(const QString& title, const QString& text)>;

    FrmWinKeyConfig(const WinKeySettings& current, SettingWriter writeSetting, NoticeShower showNotice,
                    QWidget* owner);

    // Apply: checks the speed pot, stores the 28 settings of the setting table's WinKey rows in
    // their order, and closes; false when refused.
    bool apply();

    // "1:3", "+20%", "250 ms.": what the label beside a slider shows.
    static QString ValueText(const QString& sliderName, int value);

signals:
    void applied(const WinKeySettings& settings);

private:
    QWidget* buildPortAndMode();
    QWidget* buildSpeeds();
    QWidget* buildTiming();
    QWidget* buildPaddles();
    QWidget* buildOutputs();
    QWidget* buildRadios();
    QSlider* slider(const char* name, int low, int high);
    QCheckBox* check(const char* name, const QString& caption);
    void connectInterlocks();
    void load(const WinKeySettings& s);
    void setSingleRadioChoicesEnabled(bool enabled);
    WinKeySettings fromControls() const;

    WinKeySettings original_;
    SettingWriter writeSetting_;
    NoticeShower showNotice_;
    QComboBox* cmbPort_;
    QComboBox* cmbKeyMode_;
    QComboBox* cmbTone_;
    QComboBox* cmbWordSpace_;
    QComboBox* cmbPaddle_;
    QSlider* speed_;        // Slider11
    QSlider* potMax_;       // Slider1
    QSlider* potMin_;       // Slider5
    QSlider* farnsworth_;   // Slider2
    QSlider* pttLead_;      // Slider3
    QSlider* pttTail_;      // Slider4
    QSlider* ratio_;        // Slider6
    QSlider* weight_;       // Slider7
    QSlider* extension_;    // Slider8
    QSlider* compensation_; // Slider9
    QSlider* switchpoint_;  // Slider10
    QCheckBox* ckPtt_;
    QCheckBox* ckSideTone_;
    QCheckBox* ckPin3_;
    QCheckBox* ckPin5_;
    QCheckBox* ckAutoSpace_;
    QCheckBox* ckContestWordSpace_;
    QCheckBox* ckSwitchPaddles_;
    QCheckBox* ckAnalogSpeed_;
    QCheckBox* ckDisablePaddleMemory_;
    QCheckBox* ckPaddleInsertCancelsMacro_;
    QCheckBox* ckRadio1Pin3_;
    QCheckBox* ckRadio1Pin5_;
    QCheckBox* ckRadioPolling_;
};

} // namespace tavrik
