#pragma once

#include "rig/rig_control_settings.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace tavrik {

// "Rig control": where rigctld listens, and whether PTT goes through the radio. Apply hands
// the values over and closes; Cancel closes and changes nothing.
class FrmRigControl final : public QDialog {
public:
    FrmRigControl(const RigControlSettings& settings, std::function<void(const RigControlSettings&)> applied,
                  QWidget* parent);

private:
    void apply();

    std::function<void(const RigControlSettings&)> applied_;
    QLineEdit* host_;
    QSpinBox* port_;
    QCheckBox* ptt_;
};

} // namespace tavrik
