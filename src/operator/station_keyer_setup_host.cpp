#include "operator/station_keyer_setup_host.h"

#include "keyer/setup/keyer_setup_windows.h"
#include "operator/operator_dialogs.h"
#include "operator/station_model.h"
#include "operator/typing_box.h"
#include "platform/clock.h"

namespace tavrik {

SoftwareKeyer& StationKeyerSetupHost::keyer()
{
    return station_.keyer();
}

KeyerPortSettings& StationKeyerSetupHost::portSettings()
{
    return station_.keyerPort().settings();
}

bool StationKeyerSetupHost::sidetoneOn() const
{
    return station_.sidetone().sidetoneOn();
}

void StationKeyerSetupHost::setSidetoneOn(bool on)
{
    station_.sidetone().setSidetoneOn(on);
    station_.settings().sidetoneOn = on;
}

double StationKeyerSetupHost::sidetoneFrequency() const
{
    return station_.settings().sidetoneFrequency;
}

void StationKeyerSetupHost::setSidetoneFrequency(double hz)
{
    station_.settings().sidetoneFrequency = hz;
}

QString StationKeyerSetupHost::serialDevice(int portNumber) const
{
    if (portNumber < 1 || portNumber > SerialDevices::kPortCount)
        return {};
    return station_.settings().devices.commPorts[static_cast<std::size_t>(portNumber - 1)];
}

void StationKeyerSetupHost::setSerialDevice(int portNumber, const QString& path)
{
    if (portNumber < 1 || portNumber > SerialDevices::kPortCount)
        return;
    std::array<QString, 8>& ports = station_.settings().devices.commPorts;
    ports[static_cast<std::size_t>(portNumber - 1)] = path;
    SerialDevices devices;
    for (int n = 1; n <= SerialDevices::kPortCount; ++n)
        devices.setPath(n, ports[static_cast<std::size_t>(n - 1)]);
    station_.cwControl().setDevices(devices);
}

void StationKeyerSetupHost::writeSetting(const QString& section, const QString& key, const QString& value)
{
    station_.writeSetting(section, key, value);
}

std::optional<QString> StationKeyerSetupHost::initKeyerPort()
{
    const std::optional<QString> error = station_.keyerPort().initKeyerPort();
    station_.showKeyingPortState();
    if (!error) {
        // What the box said about the port before is mended now.
        station_.box().withdrawNotice(PortErrorText(QString()));
        return std::nullopt;
    }
    station_.box().showNotice(*error);
    // A serial port that would not open has been reported and dealt with, as the serial
    // control always did; the parallel port's failure is still pending for the dialog.
    if (!station_.keyerPort().settings().portIsParallel)
        return std::nullopt;
    return error;
}

bool StationKeyerSetupHost::createSidetone()
{
    if (station_.sidetone().createSidetone(station_.settings().sidetoneFrequency))
        return true;
    station_.box().showNotice(QString::fromLatin1(kSidetoneUnavailableText));
    if (windows_)
        windows_->sidetoneUnavailable();
    return false;
}

std::int64_t StationKeyerSetupHost::counterFrequency() const
{
    return station_.clock().frequency();
}

void StationKeyerSetupHost::showSetupMessage(const QString& title, const QString& text)
{
    station_.dialogs().showMessage(DialogTitle(title), text, MessageIcon::Exclamation);
}

bool StationKeyerSetupHost::transmitting() const
{
    return station_.keyer().state().isSending;
}

void StationKeyerSetupHost::queueTypedText(const QString& text)
{
    TypingBox& box = station_.box();
    box.clear();
    box.setTypingColour(station_.keyer().options().textBoxForeColor);
    box.insertAtEnd(text);
    station_.transmit().typingBoxChanged();
}

} // namespace tavrik
