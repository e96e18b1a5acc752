#pragma once

#include "netkeyer/network_keyer_settings.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace tavrik {

// "Network keyer": the address and port loggers send to. Apply hands the values over and
// closes; Cancel closes and changes nothing.
class FrmNetworkKeyer final : public QDialog {
public:
    static constexpr const char* kOpenWarning =
        "Anyone who can reach this address can key your transmitter.";

    FrmNetworkKeyer(const NetworkKeyerSettings& settings, std::function<void(const NetworkKeyerSettings&)> applied,
                    QWidget* parent);

private:
    void showWarning();
    void apply();

    NetworkKeyerSettings settings_;
    std::function<void(const NetworkKeyerSettings&)> applied_;
    QLineEdit* address_;
    QSpinBox* port_;
    QLabel* warning_;
};

} // namespace tavrik
