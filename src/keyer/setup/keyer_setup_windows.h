#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QWidget;

namespace tavrik {

class FrmCalibrate;
class FrmPort;
class KeyerSetupHost;

// The software keyer's setup dialog and the speed-test report: at most one of each, the
// dialog owned by the main window and the report by the dialog.
class KeyerSetupWindows final : public QObject {
    Q_OBJECT
public:
    KeyerSetupWindows(KeyerSetupHost& host, QWidget* owner);
    ~KeyerSetupWindows() override;

    // How the dialog learns which serial devices the machine has.
    void setDeviceLister(std::function<QStringList()> lister) { listDevices_ = std::move(lister); }

    // Shows the dialog, or brings the open one forward.
    void openSetup();
    // The open dialog, or none.
    FrmPort* setupDialog() const;
    FrmCalibrate* reportWindow() const;

    // Queues the test text as if typed, at the test's speed; the keyer measures the
    // transmission it starts.
    void startCalibrationTest(int wpm);
    // The test's transmission has closed. An open report is brought forward unchanged.
    void showCalibrationReport();
    // The sound device failed: the dialog's sidetone box follows.
    void sidetoneUnavailable();

private:
    KeyerSetupHost& host_;
    QWidget* owner_;
    std::function<QStringList()> listDevices_;
    QPointer<FrmPort> setup_;
    QPointer<FrmCalibrate> report_;
};

} // namespace tavrik
