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
#include "platform/priority.h"
#include "settings/setting_table.h"

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
    sBar_->srxField().setVisible(false);
    sBar_->nameField().clear();
    menus_->mnuTX->setEnabled(false);
    menus_->mnuAbort->setEnabled(false);
    sBar_->keyLamp().setOn(false);
    sBar_->pttLamp().setOn(false);

    station_.loadSettings(options, [this](const QString& text) {
        ShowSaveProblem(this, QString::fromLatin1(SettingsFile::kSaveProblemTitle), text);
    });
    station_.applySettings();
    applySettings();
    networkKeyer_->applySettings();
    station_.openKeyer();

    sBar_->callsignField().setVisible(true);
    sBar_->history().setVisible(true);
    box_->setFocus();
    menus_->mnuDedicatedSerialPort->setChecked(station_.dedicatedPortOpen());

    openLink();
    station_.link().pollLink();
    if (station_.hasShutDown())
        return;
    QApplication::restoreOverrideCursor();
    station_.startPolling();
    if (station_.settings().onTop) {
        menus_->mnuOnTop->setChecked(true);
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    station_.keyer().options().userLangId = UserLangId();
    QCoreApplication::processEvents();
}

void FrmTavrik::showTimingPriority()
{
    // Keying is exact only with real-time scheduling; the line says how to get it.
    QAction* entry = menus_->mnuVer->addAction(QString::fromLatin1(TimingLineText(station_.priority())));
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
    const TavrikSettings& s = station_.settings();
    router_.setInsertKeyCode(s.insertKeyCode);

    const double tpp = twipsPerPixel();
    move(static_cast<int>(s.left / tpp), static_cast<int>(s.top / tpp));
    resize(static_cast<int>(s.width / tpp), static_cast<int>(s.height / tpp));

    applyTextFont();
    box_->setBackground(s.textBoxBackColor);
    box_->setTypingColour(s.textBoxForeColor);

    showKeyerChoice(station_.keyerChoice());
    menus_->showKeying(s.keying);
    sBar_->setSpeedColour(s.wpmTextColor);

    const bool banks[3] = {s.fKeysVisible, s.altFKeysVisible, s.ctlFKeysVisible};
    QAction* bankEntries[3] = {menus_->mFkeys, menus_->mSFkeys, menus_->mAFkeys};
    for (int b = 0; b < 3; ++b) {
        bankEntries[b]->setChecked(banks[b]);
        banks_->setBankShown(b, banks[b]);
    }
    menus_->mnuShowCallsign->setChecked(s.callsignFieldVisible);
    sBar_->setVisible(s.callsignFieldVisible);
    if (s.srxFieldVisible)
        menus_->mnuShowSRX->trigger();

    menus_->showSerialZero(s.serialZero);

    for (int i = 1; i <= MacroButtons::kButtonCount; ++i)
        repaintMacroButton(i);
    relayout();
}

void FrmTavrik::openLink()
{
    if (const std::optional<LinkStartupMessage> message = station_.openLink()) {
        QApplication::restoreOverrideCursor();
        station_.dialogs().showMessage(DialogTitle(message->title), message->text,
                                       message->exclamation ? MessageIcon::Exclamation : MessageIcon::None);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void FrmTavrik::closeEvent(QCloseEvent* event)
{
    if (station_.hasShutDown()) {
        event->accept();
        return;
    }
    if (!station_.transmit().queryClose()) {
        event->ignore();
        return;
    }
    shutDown();
    event->accept();
}

void FrmTavrik::shutDown()
{
    networkKeyer_->shutDown();
    station_.shutDown();
    if (!isMinimized()) {
        const double tpp = twipsPerPixel();
        const auto twips = [tpp](int pixels) { return QString::number(static_cast<int>(pixels * tpp)); };
        station_.write(StoredText(setting::kTop, twips(y())));
        station_.write(StoredText(setting::kLeft, twips(x())));
        station_.write(StoredText(setting::kHeight, twips(height())));
        station_.write(StoredText(setting::kWidth, twips(width())));
    }
    station_.sidetone().release();
}

// --- what the link does to the window ------------------------------------------------------

QString FrmTavrik::callsignText() const
{
    return sBar_->callsignField().text();
}

QString FrmTavrik::nameText() const
{
    return sBar_->nameField().text();
}

QString FrmTavrik::srxText() const
{
    return sBar_->srxField().text();
}

void FrmTavrik::setCallsignText(const QString& text)
{
    sBar_->callsignField().setText(text);
    sBar_->callsignField().end(false);
}

void FrmTavrik::setNameText(const QString& text)
{
    sBar_->nameField().setText(text);
    sBar_->nameField().end(false);
}

void FrmTavrik::setSrxText(const QString& text)
{
    sBar_->srxField().setText(text);
    sBar_->srxField().end(false);
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
    station_.winKey().selectRadioPin();
}

void FrmTavrik::showLinkProblem(const QString& problem)
{
    // Shown only while there is something to say, so a working link costs no room.
    statusBar()->setVisible(!problem.isEmpty() || !networkKeyer_->statusText().isEmpty());
    statusBar()->showMessage(problem);
    relayout();
}

} // namespace tavrik
