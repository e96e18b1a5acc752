// Start-up, the settings applied to the window, and shut-down.
#include "operator/frm_tavrik.h"

#include "link/link.h"
#include "operator/language_library.h"
#include "operator/lamp.h"
#include "operator/network_keyer_bridge.h"
#include "operator/operator_dialogs.h"
#include "operator/rig_bridge.h"
#include "operator/save_problem_notice.h"
#include "operator/tavrik_menus.h"
#include "operator/windows_fonts.h"
#include "platform/locale.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "settings/load_settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>

namespace tavrik {
namespace {

constexpr const char* kMainSection = "frmTavrik Settings";
constexpr int kFirstMenuString = 9501;

} // namespace

double FrmTavrik::twipsPerPixel() const
{
    return 1440.0 / std::max(1, logicalDpiY());
}

void FrmTavrik::formLoad(const StartupOptions& options)
{
    applyLanguageLibrary(options.programDir);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    menus_->mnuVersion->setText(menus_->mnuVersion->text() + QStringLiteral(" ") + QStringLiteral(TAVRIK_VERSION));
    showTimingPriority();
    srx_->setVisible(false);

    settingsFile_ = std::make_unique<SettingsFile>(options.programDir, options.argumentText);
    settingsFile_->PrepareSettingsFile();
    settingsFile_->setSaveProblemReporter([this](const QString& text) {
        ShowSaveProblem(this, QString::fromLatin1(SettingsFile::kSaveProblemTitle), text);
    });

    box_->clear();
    name_->clear();
    keyer_.state().isSending = false;
    menus_->mnuTX->setEnabled(false);
    menus_->mnuAbort->setEnabled(false);
    keyBox_->setOn(false);
    pttBox_->setOn(false);

    settings_ = LoadSettings(*settingsFile_, [] { QCoreApplication::processEvents(); });
    applySettings();
    openKeyer();

    callsign_->setVisible(true);
    cmbPrevious_->setVisible(true);
    box_->setFocus();
    menus_->mnuDedicatedSerialPort->setChecked(cwControl_.portOpen());

    openLink();
    link_.pollLink();
    if (hasShutDown_)
        return;
    setFormReady(true);
    QApplication::restoreOverrideCursor();
    timer1_.setRunning(true);
    if (settings_.onTop) {
        menus_->mnuOnTop->setChecked(true);
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    keyer_.options().userLangId = UserLangId();
    QCoreApplication::processEvents();
}

void FrmTavrik::showTimingPriority()
{
    // Keying is exact only with real-time scheduling; the line says how to get it.
    QAction* entry = menus_->mnuVer->addAction(QString::fromLatin1(TimingLineText(devices_.priority)));
    entry->setObjectName(QStringLiteral("mnuTimingPriority"));
    entry->setEnabled(false);
}

void FrmTavrik::applyLanguageLibrary(const QString& programDir)
{
    const LanguageLibrary library = LanguageLibrary::Load(programDir, UserLangId());
    if (!library.loaded())
        return;
    for (qsizetype i = 0; i < menus_->entriesInOrder.size(); ++i) {
        const QString caption = library.resourceText(kFirstMenuString + static_cast<int>(i));
        QAction* entry = menus_->entriesInOrder.at(i);
        if (!caption.isEmpty() && !entry->isSeparator())
            entry->setText(caption);
    }
}

void FrmTavrik::applySettings()
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
    router_.setInsertKeyCode(s.insertKeyCode);

    const double tpp = twipsPerPixel();
    move(static_cast<int>(s.left / tpp), static_cast<int>(s.top / tpp));
    resize(static_cast<int>(s.width / tpp), static_cast<int>(s.height / tpp));

    QFont font = ScreenFont(s.textBoxFontName, s.textBoxFontSize, box_->font());
    font.setBold(s.textBoxFontBold);
    font.setItalic(s.textBoxFontItalic);
    box_->setFont(font);
    box_->setBackground(s.textBoxBackColor);
    box_->setTypingColour(s.textBoxForeColor);
    transmit_.setColours(s.textBoxBackColor, s.loopingBackColor);

    const bool winKey = s.keyer == KeyerChoice::WinKey;
    menus_->mnuWinKey->setChecked(winKey);
    menus_->mnuSoftwareKeyer->setChecked(!winKey);
    setWindowTitle(winKey ? QStringLiteral("Tavrik - WinKey") : QStringLiteral("Tavrik - Software"));
    menus_->mnuVOX->setChecked(s.keying == KeyingMode::Vox);
    menus_->mnuMOX->setChecked(s.keying == KeyingMode::Mox);

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
    QPalette speedPalette = speedLabel_->palette();
    speedPalette.setColor(QPalette::WindowText, ToQColor(s.wpmTextColor));
    speedLabel_->setPalette(speedPalette);

    const bool banks[3] = {s.fKeysVisible, s.altFKeysVisible, s.ctlFKeysVisible};
    QAction* bankEntries[3] = {menus_->mFkeys, menus_->mSFkeys, menus_->mAFkeys};
    for (int b = 0; b < 3; ++b) {
        bankEntries[b]->setChecked(banks[b]);
        banks_[static_cast<std::size_t>(b)]->setVisible(banks[b]);
    }
    menus_->mnuShowCallsign->setChecked(s.callsignFieldVisible);
    sBar_->setVisible(s.callsignFieldVisible);
    if (s.srxFieldVisible)
        menus_->mnuShowSRX->trigger();

    menus_->mnuSend0as0->setChecked(s.serialZero == SerialZero::Zero);
    menus_->mnuSend0asT->setChecked(s.serialZero == SerialZero::LetterT);
    menus_->mnuSend0asO->setChecked(s.serialZero == SerialZero::LetterO);

    for (int i = 1; i <= MacroButtons::kButtonCount; ++i) {
        MacroSlot& slot = macroStore_.slot(i);
        slot = s.macros[static_cast<std::size_t>(i)];
        slot.text = LoadedMacroText(slot.text);
        repaintMacroButton(i);
    }
    sidetone_.setOutputSetting(s.devices.sidetoneOutput);
    winKey_.setSettings(s.winKey);
    rig_->applySettings(s.keyer);
    networkKeyer_->applySettings();
    relayout();
}

void FrmTavrik::openKeyer()
{
    if (rig_->chosen())
        return; // the radio keys itself
    if (menus_->mnuSoftwareKeyer->isChecked())
        openSoftwareKeyer();
    else
        openWinKey();
}

void FrmTavrik::openSoftwareKeyer()
{
    sidetone_.setSidetoneOn(settings_.sidetoneOn);
    if (!sidetone_.createSidetone(settings_.sidetoneFrequency))
        box_->showNotice(QString::fromLatin1(kSidetoneUnavailableText));
    if (const std::optional<QString> error = keyerPort_.initKeyerPort())
        box_->showNotice(*error);
    showKeyingPortState();
}

void FrmTavrik::openLink()
{
    const LinkOpenOutcome outcome = link_.open();
    if (const std::optional<LinkStartupMessage> message = StartupMessageFor(outcome)) {
        QApplication::restoreOverrideCursor();
        devices_.dialogs.showMessage(DialogTitle(message->title), message->text,
                                     message->exclamation ? MessageIcon::Exclamation : MessageIcon::None);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void FrmTavrik::writeSetting(const QString& section, const QString& key, const QString& value)
{
    if (settingsFile_)
        settingsFile_->WriteSetting(section, key, value);
}

void FrmTavrik::closeEvent(QCloseEvent* event)
{
    if (hasShutDown_) {
        event->accept();
        return;
    }
    if (!transmit_.queryClose()) {
        event->ignore();
        return;
    }
    shutDown();
    event->accept();
}

void FrmTavrik::shutDown()
{
    // A close can arrive from the link inside a macro's expansion: what that macro appends
    // afterwards must not start a transmission.
    hasShutDown_ = true;
    setFormReady(false);
    networkKeyer_->shutDown();
    keyer_.restorePriority();
    if (sidetone_.sidetoneOn())
        keyer_.toneOff();
    box_->clear();
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
    if (!isMinimized() && settingsFile_) {
        const double tpp = twipsPerPixel();
        const QString section = QLatin1String(kMainSection);
        const auto twips = [tpp](int pixels) { return QString::number(static_cast<int>(pixels * tpp)); };
        writeSetting(section, QStringLiteral("Top"), twips(y()));
        writeSetting(section, QStringLiteral("Left"), twips(x()));
        writeSetting(section, QStringLiteral("Height"), twips(height()));
        writeSetting(section, QStringLiteral("Width"), twips(width()));
    }
    sidetone_.release();
}

// --- what the link does to the window ------------------------------------------------------

QString FrmTavrik::callsignText() const
{
    return callsign_->text();
}

QString FrmTavrik::nameText() const
{
    return name_->text();
}

QString FrmTavrik::srxText() const
{
    return srx_->text();
}

void FrmTavrik::setCallsignText(const QString& text)
{
    callsign_->setText(text);
    callsign_->end(false);
}

void FrmTavrik::setNameText(const QString& text)
{
    name_->setText(text);
    name_->end(false);
}

void FrmTavrik::setSrxText(const QString& text)
{
    srx_->setText(text);
    srx_->end(false);
}

void FrmTavrik::closeMainWindow()
{
    close();
}

void FrmTavrik::restoreMainWindow()
{
    showNormal();
}

void FrmTavrik::minimizeMainWindow()
{
    showMinimized();
}

void FrmTavrik::pressKey(int keyCode, int shift)
{
    cwTextBoxKeyDown(keyCode, shift);
}

void FrmTavrik::selectRadioPin(int)
{
    // Only the WinKey switches radios by pin; it does so only while it is the keyer.
    winKey_.selectRadioPin();
}

void FrmTavrik::showLinkProblem(const QString& problem)
{
    // Shown only while there is something to say, so a working link costs no room.
    statusBar()->setVisible(!problem.isEmpty() || !networkKeyer_->statusText().isEmpty());
    statusBar()->showMessage(problem);
    relayout();
}

void FrmTavrik::sharedLinesFailed(const QString& why)
{
    endTransmissionTelling(PortErrorText(why));
}

void FrmTavrik::endTransmissionTelling(const QString& notice)
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
    box_->showNotice(notice);
}

void FrmTavrik::keyingPortLost()
{
    if (winKeySelected() || !softwareKeyerOnDedicatedSerial())
        return;
    menus_->mnuDedicatedSerialPort->setChecked(false);
    showKeyingPortState();
    const QString why = cwControl_.lastError();
    cwControl_.clearError();
    if (sendingNow())
        sharedLinesFailed(why);
    else
        box_->showNotice(PortErrorText(why));
}

void FrmTavrik::showKeyingPortState()
{
    const bool gone = !winKeySelected() && softwareKeyerOnDedicatedSerial() && !cwControl_.portOpen();
    keyBox_->setLineGone(gone);
    pttBox_->setLineGone(gone);
}

void FrmTavrik::clearTypingBoxAndCallsign()
{
    box_->clear();
    callsign_->clear();
}

ZeroPreference FrmTavrik::zeroPreference() const
{
    if (menus_->mnuSend0asO->isChecked())
        return ZeroPreference::LetterO;
    if (menus_->mnuSend0asT->isChecked())
        return ZeroPreference::LetterT;
    return ZeroPreference::Digit;
}

} // namespace tavrik
