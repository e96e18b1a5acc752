#include "operator/window_keyer_setup_host.h"

#include "keyer/setup/keyer_setup_windows.h"
#include "operator/frm_tavrik.h"
#include "operator/operator_dialogs.h"
#include "platform/clock.h"

namespace tavrik {

SoftwareKeyer& WindowKeyerSetupHost::keyer()
{
    return window_.keyer();
}

KeyerPortSettings& WindowKeyerSetupHost::portSettings()
{
    return window_.keyerPort().settings();
}

bool WindowKeyerSetupHost::sidetoneOn() const
{
    return window_.sidetone().sidetoneOn();
}

void WindowKeyerSetupHost::setSidetoneOn(bool on)
{
    window_.sidetone().setSidetoneOn(on);
    window_.settings().sidetoneOn = on;
}

double WindowKeyerSetupHost::sidetoneFrequency() const
{
    return window_.settings().sidetoneFrequency;
}

void WindowKeyerSetupHost::setSidetoneFrequency(double hz)
{
    window_.settings().sidetoneFrequency = hz;
}

QString WindowKeyerSetupHost::serialDevice(int portNumber) const
{
    if (portNumber < 1 || portNumber > SerialDevices::kPortCount)
        return {};
    return window_.settings().devices.commPorts[static_cast<std::size_t>(portNumber - 1)];
}

void WindowKeyerSetupHost::setSerialDevice(int portNumber, const QString& path)
{
    if (portNumber < 1 || portNumber > SerialDevices::kPortCount)
        return;
    std::array<QString, 8>& ports = window_.settings().devices.commPorts;
    ports[static_cast<std::size_t>(portNumber - 1)] = path;
    SerialDevices devices;
    for (int n = 1; n <= SerialDevices::kPortCount; ++n)
        devices.setPath(n, ports[static_cast<std::size_t>(n - 1)]);
    window_.cwControl().setDevices(devices);
}

void WindowKeyerSetupHost::writeSetting(const QString& section, const QString& key, const QString& value)
{
    window_.writeSetting(section, key, value);
}

std::optional<QString> WindowKeyerSetupHost::initKeyerPort()
{
    const std::optional<QString> error = window_.keyerPort().initKeyerPort();
    window_.showKeyingPortState();
    if (!error) {
        // What the box said about the port before is mended now.
        window_.typingBox().withdrawNotice(PortErrorText(QString()));
        return std::nullopt;
    }
    window_.typingBox().showNotice(*error);
    // A serial port that would not open has been reported and dealt with, as the serial
    // control always did; the parallel port's failure is still pending for the dialog.
    if (!window_.keyerPort().settings().portIsParallel)
        return std::nullopt;
    return error;
}

bool WindowKeyerSetupHost::createSidetone()
{
    if (window_.sidetone().createSidetone(window_.settings().sidetoneFrequency))
        return true;
    window_.typingBox().showNotice(QString::fromLatin1(kSidetoneUnavailableText));
    window_.keyerSetup().sidetoneUnavailable();
    return false;
}

std::int64_t WindowKeyerSetupHost::counterFrequency() const
{
    return window_.clock().frequency();
}

void WindowKeyerSetupHost::showSetupMessage(const QString& title, const QString& text)
{
    window_.dialogs().showMessage(DialogTitle(title), text, MessageIcon::Exclamation);
}

bool WindowKeyerSetupHost::transmitting() const
{
    return window_.keyer().state().isSending;
}

void WindowKeyerSetupHost::queueTypedText(const QString& text)
{
    CwTextBox& box = window_.typingBox();
    box.clear();
    box.setTypingColour(window_.keyer().options().textBoxForeColor);
    box.insertAtEnd(text);
    window_.transmit().typingBoxChanged();
}

} // namespace tavrik
