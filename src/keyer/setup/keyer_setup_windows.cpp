#include "keyer/setup/keyer_setup_windows.h"

#include "keyer/calibration.h"
#include "keyer/setup/frm_calibrate.h"
#include "keyer/setup/frm_port.h"
#include "keyer/setup/keyer_setup_host.h"
#include "keyer/setup/serial_devices_present.h"
#include "keyer/software_keyer.h"

#include <QCoreApplication>
#include <QTimer>

namespace tavrik {

KeyerSetupWindows::KeyerSetupWindows(KeyerSetupHost& host, QWidget* owner)
    : host_(host), owner_(owner), listDevices_([] { return PresentSerialDevices(); })
{
}

KeyerSetupWindows::~KeyerSetupWindows()
{
    delete report_.data();
    delete setup_.data();
}

FrmPort* KeyerSetupWindows::setupDialog() const
{
    return setup_.data();
}

FrmCalibrate* KeyerSetupWindows::reportWindow() const
{
    return report_.data();
}

void KeyerSetupWindows::openSetup()
{
    if (setup_) {
        setup_->raise();
        setup_->activateWindow();
        return;
    }
    setup_ = new FrmPort(host_, listDevices_(), owner_);
    connect(setup_, &FrmPort::closed, this, [this] { setup_.clear(); });
    setup_->setCalibrationStarter([this](int wpm) {
        // The test's transmission runs once the click is over, so the dialog may be closed
        // while it sends.
        QTimer::singleShot(0, this, [this, wpm] {
            if (setup_)
                startCalibrationTest(wpm);
        });
    });
    setup_->load();
    setup_->show();
}

void KeyerSetupWindows::startCalibrationTest(int wpm)
{
    SoftwareKeyer& keyer = host_.keyer();
    Calibration& run = keyer.calibration();
    const QString text = CalibrationTestText(wpm);
    run.savedWpm = keyer.state().wpm;
    run.calibrating = true;
    run.wpm = static_cast<std::int16_t>(wpm);
    keyer.state().dotMs = keyer.dotMsFromWpm(run.wpm);
    QCoreApplication::processEvents();
    host_.queueTypedText(text);
}

void KeyerSetupWindows::showCalibrationReport()
{
    if (setup_)
        setup_->testReported();
    if (report_) {
        report_->raise();
        report_->activateWindow();
        return;
    }
    const CalibrationReport report = MakeCalibrationReport(host_.keyer().calibration(), host_.counterFrequency(),
                                                           host_.keyer().options().pttDelayMs);
    report_ = new FrmCalibrate(report, setup_ ? static_cast<QWidget*>(setup_.data()) : owner_);
    report_->show();
}

void KeyerSetupWindows::sidetoneUnavailable()
{
    if (setup_)
        setup_->sidetoneUnavailable();
}

} // namespace tavrik
