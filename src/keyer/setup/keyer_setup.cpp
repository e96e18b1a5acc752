#include "keyer/setup/keyer_setup.h"

#include "common/vb_numbers.h"
#include "keyer/keyer_port.h"
#include "keyer/setup/keyer_setup_host.h"
#include "keyer/software_keyer.h"
#include "settings/setting_table.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavrik {
namespace {

// Shortest decimal form: 3 stays "3", 2.5 "2.5".
QString Shortest(double value)
{
    return QString::number(value, 'g', 15);
}

bool FitsLong(double value)
{
    return std::isfinite(value) && value >= std::numeric_limits<std::int32_t>::min()
           && value <= std::numeric_limits<std::int32_t>::max();
}

std::optional<std::int32_t> WholeAddress(const QString& text)
{
    const std::optional<double> number = StrictNumber(text);
    if (!number || !FitsLong(*number) || std::floor(*number) != *number)
        return std::nullopt;
    return static_cast<std::int32_t>(*number);
}

std::int32_t PttDelayFrom(const QString& text)
{
    return static_cast<std::int32_t>(RoundHalfEven(LeadingNumber(text)));
}

} // namespace

KeyerSetup::KeyerSetup(KeyerSetupHost& host) : host_(host) {}

KeyerSetupValues KeyerSetup::load()
{
    applied_ = false;
    SoftwareKeyer& keyer = host_.keyer();
    const KeyerOptions& o = keyer.options();
    const KeyerPortSettings& port = host_.portSettings();

    KeyerSetupValues v;
    v.wpm = std::clamp<int>(keyer.state().wpm, kSlowestWpm, kFastestWpm);
    v.parallelAddress = QStringLiteral("&H") + QString::number(port.parallelPortAddress, 16).toUpper();
    v.pttDelay = QString::number(o.pttDelayMs);
    v.dashLength = Shortest(o.ratios.dashLength);
    v.letterSpace = Shortest(o.ratios.letterSpace);
    v.wordSpace = Shortest(o.ratios.wordSpace);
    // A speed the slider cannot show must not change the keying before the operator acts.
    if (v.wpm == keyer.state().wpm)
        speedChanged(v.wpm);
    v.ptt = o.pttEnabled;
    v.slowTyping = o.slowTyping;
    v.disablePolling = o.disablePolling;
    v.portMode = port.portIsParallel       ? KeyingPortMode::Parallel
                 : port.portIsSharedSerial ? KeyingPortMode::SharedSerial
                                           : KeyingPortMode::DedicatedSerial;
    // The drop-down shows the stored port in every mode, so applying in parallel mode keeps it.
    v.serialPortName = port.dedicatedSerialPort.isEmpty() && v.portMode == KeyingPortMode::Parallel
                           ? QString::fromLatin1(kNoPort)
                           : port.dedicatedSerialPort;
    for (int n = 1; n <= 8; ++n)
        v.serialDevices[static_cast<std::size_t>(n - 1)] = host_.serialDevice(n);
    v.sidetone = host_.sidetoneOn();
    sidetoneAtOpening_ = host_.sidetoneOn();
    pitchAtOpening_ = RoundHalfEven(host_.sidetoneFrequency());
    v.pitch = static_cast<int>(std::clamp<std::int64_t>(pitchAtOpening_, kLowestPitch, kHighestPitch));
    return v;
}

void KeyerSetup::speedChanged(int wpm)
{
    SoftwareKeyer& keyer = host_.keyer();
    keyer.state().dotMs = keyer.dotMsFromWpm(static_cast<std::int16_t>(wpm));
}

QString KeyerSetup::SpeedCaption(int wpm)
{
    return QStringLiteral(" Keying speed ") + FormatNumber(wpm, QStringLiteral("##0")).value_or(QString())
           + QStringLiteral(" WPM.");
}

void KeyerSetup::pitchChanged(int hz)
{
    host_.setSidetoneFrequency(hz);
}

std::optional<SetupRefusal> KeyerSetup::Check(const KeyerSetupValues& values)
{
    if (!WholeAddress(values.parallelAddress)) {
        return SetupRefusal{QStringLiteral("Parallel port address"),
                            QStringLiteral("\"%1\" is not a port address. Type a whole number, in decimal (888) or "
                                           "in hexadecimal after &H (&H378).")
                                .arg(values.parallelAddress),
                            "Text2"};
    }
    // What is stored must read back as the same delay after a restart.
    const QString delayCaption = QStringLiteral("Tx delay (in ms)");
    if (!ToLong(values.pttDelay)) {
        const std::optional<double> number = StrictNumber(values.pttDelay);
        const QString why = number && !FitsLong(std::nearbyint(*number))
                                ? QStringLiteral("\"%1\" is too long a delay. The longest is 2147483647 ms.")
                                : QStringLiteral("\"%1\" is not a delay. Type a whole number of milliseconds.");
        return SetupRefusal{delayCaption, why.arg(values.pttDelay), "Text3"};
    }
    if (*ToLong(values.pttDelay) < 0) {
        return SetupRefusal{delayCaption,
                            QStringLiteral("\"%1\" is not a delay. Type a whole number of milliseconds, 0 or more.")
                                .arg(values.pttDelay),
                            "Text3"};
    }
    // A ratio read as 0 would key a dash, or leave a gap, of no length at all.
    const struct { const QString& text; const char* caption; const char* box; } ratios[] = {
        {values.dashLength, "A dash", "Text4"},
        {values.letterSpace, "A letter space", "Text5"},
        {values.wordSpace, "A word space", "Text6"},
    };
    for (const auto& r : ratios) {
        const std::optional<double> dots = StrictNumber(r.text);
        if (!dots || !std::isfinite(*dots) || *dots <= 0) {
            return SetupRefusal{QLatin1String(r.caption),
                                QStringLiteral("\"%1\" is not a length. Type a number of dots greater than 0.")
                                    .arg(r.text),
                                r.box};
        }
    }
    return std::nullopt;
}

ApplyOutcome KeyerSetup::apply(const KeyerSetupValues& v)
{
    namespace k = setting;
    SoftwareKeyer& keyer = host_.keyer();
    KeyerOptions& o = keyer.options();
    KeyerPortSettings& port = host_.portSettings();

    applied_ = true;
    o.pttDelayMs = PttDelayFrom(v.pttDelay);
    o.pttEnabled = v.ptt;
    o.disablePolling = v.disablePolling;
    Write(host_, Stored(k::kDisablePolling, v.disablePolling));
    host_.setSidetoneOn(v.sidetone);
    Write(host_, Stored(k::kSidetone, v.sidetone));
    o.slowTyping = v.slowTyping;
    Write(host_, Stored(k::kSlowTyping, v.slowTyping));
    // The ratios and the delay are stored as typed; Check made sure they read back.
    o.ratios.dashLength = LeadingNumber(v.dashLength);
    Write(host_, StoredText(k::kDashLength, v.dashLength));
    o.ratios.wordSpace = LeadingNumber(v.wordSpace);
    Write(host_, StoredText(k::kWordSpace, v.wordSpace));
    o.ratios.letterSpace = LeadingNumber(v.letterSpace);
    Write(host_, StoredText(k::kLetterSpace, v.letterSpace));
    keyer.state().dotMs = keyer.dotMsFromWpm(static_cast<std::int16_t>(v.wpm));
    Write(host_, Stored(k::kWpm, static_cast<std::int16_t>(v.wpm)));
    keyer.showKeyingSpeed(static_cast<std::int16_t>(v.wpm));
    Write(host_, Stored(k::kPtt, v.ptt));
    Write(host_, StoredText(k::kPttDelay, v.pttDelay));
    port.portIsParallel = v.portMode == KeyingPortMode::Parallel;
    port.portIsSharedSerial = v.portMode == KeyingPortMode::SharedSerial;
    Write(host_, Stored(k::kPortToUse, PortToUseWord(port.portIsParallel, port.portIsSharedSerial)));
    port.parallelPortAddress = WholeAddress(v.parallelAddress).value_or(port.parallelPortAddress);
    Write(host_, StoredText(k::kParallelPortAddress, v.parallelAddress));
    port.dedicatedSerialPort = v.serialPortName;
    Write(host_, Stored(k::kDedicatedSerialPort, v.serialPortName));
    host_.setSidetoneFrequency(v.pitch);
    Write(host_, Stored(k::kFrequency, static_cast<double>(v.pitch)));
    // The devices behind the port names, where the operator changed them.
    for (int n = 1; n <= 8; ++n) {
        const QString& path = v.serialDevices[static_cast<std::size_t>(n - 1)];
        if (path.isEmpty() || path == host_.serialDevice(n))
            continue;
        host_.setSerialDevice(n, path);
        host_.writeSetting(QString::fromLatin1(setting::kDevicesSection), CommPortKey(n), path);
    }
    portProblem_ = host_.initKeyerPort();
    if (portProblem_)
        return ApplyOutcome::StayOpen;
    host_.createSidetone();
    return ApplyOutcome::Close;
}

bool KeyerSetup::closing()
{
    host_.keyer().calibration().calibrating = false;
    if (applied_)
        return true;
    host_.setSidetoneFrequency(static_cast<double>(pitchAtOpening_));
    host_.setSidetoneOn(sidetoneAtOpening_);
    return host_.createSidetone();
}

} // namespace tavrik
