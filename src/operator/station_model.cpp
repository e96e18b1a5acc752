#include "operator/station_model.h"

#include "common/vb_numbers.h"
#include "operator/operator_dialogs.h"
#include "operator/typing_box.h"
#include "platform/parallel_port.h"
#include "settings/load_settings.h"

#include <QCoreApplication>

namespace tavrik {

StationModel::StationModel(Parts parts)
    : devices_(parts.devices),
      box_(parts.box),
      view_(parts.view),
      cwControl_(SerialDevices(), devices_.modemLines),
      winKeyLine_(cwControl_),
      keyerPort_(devices_.parallelPort, cwControl_, lineRequests_),
      radioPtt_(keyerPort_, rigClient_),
      sidetone_(QString(), devices_.clock),
      link_(parts.linkHost),
      lineRequests_(link_, [this](const QString& why) { sharedLinesFailed(why); }),
      keyerLink_(link_, &lineRequests_),
      timer1_(link_),
      keyer_({devices_.clock, devices_.priority, radioPtt_, sidetone_, box_, keyerLink_, *this}),
      winKey_(winKeyLine_, devices_.clock, *this),
      winKeyHandOver_(winKey_, keyer_, box_, *this),
      rigKeyer_({rigClient_, keyer_, box_, keyerLink_, *this}),
      transmit_(keyer_, box_, *this),
      macroContext_(*this),
      expander_(macroContext_)
{
    transmit_.setMacroExpander([this](const QString& text) { return expander_.ExpandMacro(text); });
    loopTimer_.setSingleShot(false);
    connect(&loopTimer_, &QTimer::timeout, this, [this] { transmit_.loopTimerFired(); });
    afterSending_.setSingleShot(true);
    connect(&afterSending_, &QTimer::timeout, this, &StationModel::runWhatWaitedForTheEnd);
    // A logging program slow to answer a line request must not freeze the window. Keys and
    // clicks wait until the request is answered: what they do may need the lines.
    link_.setWhileWaiting([] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    });
    const auto rigFailed = [this](const QString& problem) {
        endTransmissionTelling(QLatin1String(RigKeyer::kErrorPrefix) + problem);
    };
    rigKeyer_.setFailureHandler(rigFailed);
    radioPtt_.setFailureHandler(rigFailed);
    keyer_.setSpeedStepped([this](std::int16_t wpm) { write(Stored(setting::kWpm, wpm)); });
    connect(&cwControl_, &SerialLine::received, this, [this] { winKey_.receive(); });
    connect(&cwControl_, &SerialLine::lost, this, [this] { winKey_.lineLost(); });
    connect(&cwControl_, &SerialLine::lost, this, &StationModel::keyingPortLost);
}

StationModel::~StationModel() = default;

// --- start-up and shut-down ----------------------------------------------------------------

void StationModel::loadSettings(const StartupOptions& options, std::function<void(const QString&)> reportSaveProblem)
{
    settingsFile_ = std::make_unique<SettingsFile>(options.programDir, options.argumentText);
    settingsFile_->PrepareSettingsFile();
    settingsFile_->setSaveProblemReporter(std::move(reportSaveProblem));
    box_.clear();
    keyer_.state().isSending = false;
    settings_ = LoadSettings(*settingsFile_, [] { QCoreApplication::processEvents(); });
    rigControl_ = LoadRigControlSettings(*settingsFile_);
}

void StationModel::applySettings()
{
    const TavrikSettings& s = settings_;
    KeyerOptions& o = keyer_.options();
    o.slowTyping = s.slowTyping;
    o.pttDelayMs = s.pttDelay;
    o.pttEnabled = s.pttEnabled;
    o.disablePolling = s.disablePolling;
    o.ratios = TimingRatios{s.dashLength, s.letterSpace, s.wordSpace};
    o.transmittedTextColor = s.transmittedTextColor;
    o.transmittingTextColor = s.transmittingTextColor;
    o.textBoxForeColor = s.textBoxForeColor;
    transmit_.setColours(s.textBoxBackColor, s.loopingBackColor);

    keyerChoice_ = s.keyer;
    keying_ = s.keying;
    serialZero_ = s.serialZero;

    KeyerPortSettings& port = keyerPort_.settings();
    port.portIsParallel = s.portIsParallel;
    port.portIsSharedSerial = s.portIsSharedSerial;
    port.parallelPortAddress = s.parallelPortAddress;
    port.dedicatedSerialPort = s.dedicatedSerialPort;
    SerialDevices serialDevices;
    for (int n = 1; n <= SerialDevices::kPortCount; ++n)
        serialDevices.setPath(n, s.devices.commPorts[static_cast<std::size_t>(n - 1)]);
    cwControl_.setDevices(serialDevices);
    devices_.parallelPort.setDevicePath(s.devices.parallelDevice);

    keyer_.setOperatorSpeed(s.wpm);
    for (int i = 1; i <= MacroButtons::kButtonCount; ++i) {
        MacroSlot& slot = macroStore_.slot(i);
        slot = s.macros[static_cast<std::size_t>(i)];
        slot.text = LoadedMacroText(slot.text);
    }
    sidetone_.setOutputSetting(s.devices.sidetoneOutput);
    winKey_.setSettings(s.winKey);
    applyRigControl(rigControl_);
    transmit_.setKeyer(keyerChoice_ == KeyerChoice::WinKey ? static_cast<Keyer&>(winKeyHandOver_)
                       : keyerChoice_ == KeyerChoice::Rig  ? static_cast<Keyer&>(rigKeyer_)
                                                           : static_cast<Keyer&>(keyer_));
}

void StationModel::applyRigControl(const RigControlSettings& rig)
{
    rigControl_ = rig;
    rigClient_.setEndpoint(rig.endpoint);
    radioPtt_.setPttThroughRadio(rig.ptt);
    keyer_.options().pttThroughRadio = rig.ptt;
}

void StationModel::openKeyer()
{
    if (keyerChoice_ == KeyerChoice::Software)
        openSoftwareKeyer();
    else if (keyerChoice_ == KeyerChoice::WinKey)
        winKey_.openWinKey();
    // The radio keys itself.
}

void StationModel::openSoftwareKeyer()
{
    sidetone_.setSidetoneOn(settings_.sidetoneOn);
    makeSidetone();
    if (const std::optional<QString> error = keyerPort_.initKeyerPort())
        box_.showNotice(*error);
    showKeyingPortState();
}

bool StationModel::makeSidetone()
{
    if (sidetone_.createSidetone(settings_.sidetoneFrequency))
        return true;
    box_.showNotice(QString::fromLatin1(kSidetoneUnavailableText));
    return false;
}

std::optional<QString> StationModel::applyKeyingPort()
{
    const std::optional<QString> error = keyerPort_.initKeyerPort();
    showKeyingPortState();
    if (!error) {
        // What the box said about the port before is mended now.
        box_.withdrawNotice(PortErrorText(QString()));
        return std::nullopt;
    }
    box_.showNotice(*error);
    // A serial port that would not open has been reported and dealt with, as the serial
    // control always did; the parallel port's failure is still pending for the dialog.
    if (!keyerPort_.settings().portIsParallel)
        return std::nullopt;
    return error;
}

std::optional<LinkStartupMessage> StationModel::openLink()
{
    const std::optional<LinkStartupMessage> message = StartupMessageFor(link_.open());
    link_.pollLink();
    return message;
}

void StationModel::startPolling()
{
    transmit_.setFormReady(true);
    timer1_.setRunning(true);
}

void StationModel::shutDown()
{
    // A close can arrive from the link inside a macro's expansion: what that macro appends
    // afterwards must not start a transmission.
    hasShutDown_ = true;
    transmit_.setFormReady(false);
    keyer_.restorePriority();
    if (sidetone_.sidetoneOn())
        keyer_.toneOff();
    box_.clear();
    keyer_.state().abort = true;
    // What the last transmission changed goes to the disk before the placement.
    if (settingsFile_)
        settingsFile_->releaseWrites();
    timer1_.setRunning(false);
    // Before the link goes: a hold on radio polling is released through it.
    if (winKeySelected())
        winKeyHandOver_.shutDown();
    link_.closeLink();
    if (cwControl_.portOpen())
        cwControl_.setPortOpen(false);
}

void StationModel::writeSetting(const QString& section, const QString& key, const QString& value)
{
    if (settingsFile_)
        settingsFile_->WriteSetting(section, key, value);
}

QString StationModel::macroText(int index) const
{
    return index >= 0 && index <= MacroButtons::kButtonCount ? macroStore_.slot(index).text : QString();
}

QString StationModel::macroCaption(int index) const
{
    return index >= 0 && index <= MacroButtons::kButtonCount ? macroStore_.slot(index).caption : QString();
}

// --- the state the menus show ------------------------------------------------------------

void StationModel::chooseKeyer(KeyerChoice keyer)
{
    // Choosing the keyer in use again changes nothing; its entry stays checked.
    if (keyer == keyerChoice_) {
        view_.showKeyerChoice(keyer);
        return;
    }
    keyerChoice_ = keyer;
    write(Stored(setting::kKeyer, keyer));
    view_.showKeyerChoice(keyer);
    if (keyer != KeyerChoice::WinKey)
        winKey_.closePort();
    view_.showKeyLamp(false);
    box_.clear();
    switch (keyer) {
    case KeyerChoice::WinKey:
        transmit_.setKeyer(winKeyHandOver_);
        winKey_.openWinKey();
        showKeyingPortState();
        break;
    case KeyerChoice::Software:
        transmit_.setKeyer(keyer_);
        restoreStoredSpeed();
        openSoftwareKeyer();
        break;
    case KeyerChoice::Rig:
        transmit_.setKeyer(rigKeyer_);
        restoreStoredSpeed();
        break;
    }
}

void StationModel::restoreStoredSpeed()
{
    std::int16_t wpm = 20;
    if (settingsFile_) {
        settingsFile_->setReadSection(QLatin1String(setting::kMainSection));
        wpm = WholeNumber(settingsFile_->ReadSetting(KeyOf(setting::kWpm), QLatin1String(setting::kWpm.defaultText)))
                  .value_or(20);
    }
    keyer_.setOperatorSpeed(wpm);
}

void StationModel::setKeying(KeyingMode keying)
{
    keying_ = keying;
    view_.showTransmitEnabled(keying == KeyingMode::Mox && box_.length() > 0);
    write(Stored(setting::kKeying, keying));
}

void StationModel::setSerialZero(SerialZero zero)
{
    serialZero_ = zero;
    write(Stored(setting::kSerialZero, zero));
}

ZeroPreference StationModel::zeroPreference() const
{
    switch (serialZero_) {
    case SerialZero::LetterO:
        return ZeroPreference::LetterO;
    case SerialZero::LetterT:
        return ZeroPreference::LetterT;
    case SerialZero::Zero:
        break;
    }
    return ZeroPreference::Digit;
}

bool StationModel::softwareKeyerOnDedicatedSerial() const
{
    const KeyerPortSettings& port = keyerPort_.settings();
    return !port.portIsParallel && !port.portIsSharedSerial;
}

void StationModel::toggleDedicatedSerialPort()
{
    if (keyerChoice_ == KeyerChoice::Software) {
        cwControl_.setPortOpen(!cwControl_.portOpen());
    } else if (cwControl_.portOpen() || winKey_.reconnecting()) {
        winKey_.closePort();
    } else {
        winKey_.openWinKey();
    }
    view_.showDedicatedPortOpen(cwControl_.portOpen());
    showKeyingPortState();
    if (cwControl_.portOpen())
        box_.withdrawNotice(PortErrorText(QString()));
    if (!cwControl_.lastError().isEmpty()) {
        box_.showNotice(PortErrorText(cwControl_.lastError()));
        cwControl_.clearError();
    }
}

void StationModel::showKeyingPortState()
{
    view_.showKeyingLinesGone(!winKeySelected() && softwareKeyerOnDedicatedSerial() && !cwControl_.portOpen());
}

void StationModel::clearTypingBoxAndCallsign()
{
    box_.clear();
    view_.clearCallsign();
}

// --- transmissions and their errors ------------------------------------------------------

bool StationModel::sendingNow() const
{
    return keyer_.state().isSending || transmit_.tuneActive();
}

void StationModel::endTransmissionThen(std::function<void()> open)
{
    if (sendingNow())
        transmit_.abort();
    // The send loop lets go of the lines on its way out; the picker waits until it has.
    whenNotSending(std::move(open));
}

void StationModel::whenNotSending(std::function<void()> action)
{
    if (!sendingNow()) {
        action();
        return;
    }
    waitingForTheEnd_.push_back(std::move(action));
}

void StationModel::runWhatWaitedForTheEnd()
{
    // An abort inside a wait leaves the sending state before the send loop has returned:
    // the end of that loop starts the timer again.
    if (sendingNow())
        return;
    std::vector<std::function<void()>> actions;
    actions.swap(waitingForTheEnd_);
    for (const auto& action : actions)
        action();
}

void StationModel::sharedLinesFailed(const QString& why)
{
    endTransmissionTelling(PortErrorText(why));
}

void StationModel::endTransmissionTelling(const QString& notice)
{
    keyer_.state().abort = true;
    // Tuning is still inside its own start here: it is switched off once that has returned.
    if (transmit_.tuneActive()) {
        QTimer::singleShot(0, this, [this] {
            if (transmit_.tuneActive())
                transmit_.toggleTune();
        });
    } else {
        transmit_.abort();
    }
    box_.showNotice(notice);
}

void StationModel::keyingPortLost()
{
    if (winKeySelected() || !softwareKeyerOnDedicatedSerial())
        return;
    view_.showDedicatedPortOpen(false);
    showKeyingPortState();
    const QString why = cwControl_.lastError();
    cwControl_.clearError();
    if (sendingNow())
        sharedLinesFailed(why);
    else
        box_.showNotice(PortErrorText(why));
}

bool StationModel::keyingLinesReady()
{
    if (keyerChoice_ != KeyerChoice::Software || !softwareKeyerOnDedicatedSerial() || cwControl_.portOpen())
        return true;
    const QString why = cwControl_.lastError().isEmpty()
                            ? QStringLiteral("%1 is not open").arg(keyerPort_.settings().dedicatedSerialPort)
                            : cwControl_.lastError();
    cwControl_.clearError();
    box_.showNotice(PortErrorText(why));
    showKeyingPortState();
    return false;
}

// --- the contact fields ------------------------------------------------------------------

void StationModel::callsignEdited(const QString& text)
{
    if (!transmit_.formReady())
        return;
    transmit_.callsignFieldChanged(lastCallsign_, text);
    if (link_.isUp())
        link_.writeSlot(0, text);
    lastCallsign_ = text;
}

void StationModel::nameEdited(const QString& text)
{
    if (transmit_.formReady() && link_.isUp())
        link_.writeSlot(1, text);
}

void StationModel::srxEdited(const QString& text)
{
    if (link_.isUp())
        link_.writeSlot(6, text);
}

// --- KeyerWindow -------------------------------------------------------------------------

void StationModel::processPendingEvents()
{
    view_.showKeyLamp(keyLampOn_);
    view_.processPendingEvents();
}

void StationModel::setLinkTimerRunning(bool running)
{
    timer1_.setRunning(running);
}

void StationModel::setSendingControls(bool sending)
{
    if (sending && settingsFile_ && !settingsFile_->writesHeld()) {
        settingsFile_->holdWrites();
        waitingForTheEnd_.push_back([this] { settingsFile_->releaseWrites(); });
    }
    if (!sending && !waitingForTheEnd_.empty())
        afterSending_.start(0);
    view_.showSendingControls(sending);
    view_.showKeyLamp(keyLampOn_);
}

void StationModel::showSpeedText(const QString& text)
{
    view_.showSpeedText(text);
}

void StationModel::showKeyLamp(bool on)
{
    keyLampOn_ = on;
    // While the send loop keys, the lamp follows when the next wait processes events: a
    // repaint request between a key edge and the wait that times it lengthens the element.
    if (!keyer_.state().isSending || transmit_.tuneActive())
        view_.showKeyLamp(on);
}

void StationModel::showPttLamp(bool on)
{
    view_.showPttLamp(on);
}

void StationModel::armPendingLoop()
{
    transmit_.armPendingLoop();
}

void StationModel::logContactIfRequested()
{
    transmit_.logContactIfRequested();
}

// --- TransmitControls --------------------------------------------------------------------

bool StationModel::manualTransmit() const
{
    return keying_ == KeyingMode::Mox;
}

void StationModel::setTransmitEnabled(bool enabled)
{
    view_.showTransmitEnabled(enabled);
}

void StationModel::startLoopTimer(int intervalMs)
{
    loopTimer_.start(intervalMs);
}

void StationModel::stopLoopTimer()
{
    loopTimer_.stop();
}

void StationModel::pressButton(int index)
{
    view_.pressButton(index);
}

void StationModel::logContact()
{
    link_.logContact();
}

// --- WinKeyWindow ------------------------------------------------------------------------

void StationModel::setDedicatedSerialChecked(bool checked)
{
    view_.showDedicatedPortOpen(checked);
}

void StationModel::showBoxMessage(const QString& text)
{
    box_.showNotice(text);
}

void StationModel::clearTypingBox()
{
    box_.clear();
}

int StationModel::activeRadio() const
{
    return link_.activeRadio();
}

void StationModel::postNotice(int code, int argument)
{
    link_.postLinkNotice(code, argument);
}

void StationModel::abortTransmission()
{
    transmit_.abort();
}

void StationModel::clearBoxMessage()
{
    box_.clearNotice();
}

void StationModel::sendWaitingText()
{
    transmit_.typingBoxChanged();
}

void StationModel::showWinKeyState(const QString& state, const QString& version)
{
    view_.showWinKeyState(state, version);
}

} // namespace tavrik
