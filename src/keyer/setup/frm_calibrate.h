#pragma once

#include "keyer/calibration.h"

#include <QDialog>

class QLabel;

namespace tavrik {

// frmCalibrate: the report of a speed test, worked out once when the window is made.
class FrmCalibrate final : public QDialog {
    Q_OBJECT
public:
    FrmCalibrate(const CalibrationReport& report, QWidget* owner);

    QLabel& label1() { return *label1_; }
    QLabel& label2() { return *label2_; }

private:
    QLabel* label1_;
    QLabel* label2_;
};

} // namespace tavrik
