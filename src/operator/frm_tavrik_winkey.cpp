// The keyer choice, the WinKey's side of the window, the serial-port entry and the speed clicks.
#include "operator/frm_tavrik.h"

#include "common/vb_numbers.h"
#include "operator/lamp.h"
#include "operator/operator_dialogs.h"
#include "operator/tavrik_menus.h"
#include "winkey/frm_winkey_config.h"

#include <QAction>
#include <QBoxLayout>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

namespace tavrik {

void FrmTavrik::connectKeyerMenus()
{
    TavrikMenus& m = *menus_;
    connect(m.mnuWinKey, &QAction::triggered, this, [this](bool checked) {
        if (checked)
            chooseWinKey();
    });
    connect(m.mnuSoftwareKeyer, &QAction::triggered, this, [this](bool checked) {
        if (checked)
            chooseSoftwareKeyer();
    });
    connect(m.mnuDedicatedSerialPort, &QAction::triggered, this,
            [this](bool checked) { toggleDedicatedSerialPort(!checked); });
    connect(m.mnuKeying, &QMenu::aboutToShow, this, &FrmTavrik::refreshKeyingMenu);
    connect(&cwControl_, &SerialLine::received, this, [this] { winKey_.receive(); });
    connect(&cwControl_, &SerialLine::lost, this, [this] { winKey_.lineLost(); });
    // Where the WinKey stands, beside the lamps, and its version under Ver.
    winKeyStateLabel_ = new QLabel(sBar_);
    winKeyStateLabel_->setObjectName(QStringLiteral("sBarWinKey"));
    winKeyStateLabel_->setVisible(false);
    // As wide as its longest text, so a change of state does not widen the window.
    winKeyStateLabel_->setMinimumWidth(winKeyStateLabel_->fontMetrics().horizontalAdvance(QStringLiteral("WinKey: searching")));
    if (auto* row = qobject_cast<QBoxLayout*>(sBar_->layout()))
        row->addWidget(winKeyStateLabel_);
    winKeyVersionEntry_ = menus_->mnuVer->addAction(QString());
    winKeyVersionEntry_->setObjectName(QStringLiteral("mnuWinKeyVersion"));
    winKeyVersionEntry_->setEnabled(false);
    winKeyVersionEntry_->setVisible(false);
    connect(&cwControl_, &SerialLine::lost, this, &FrmTavrik::keyingPortLost);
    // Only the speed display: the lamps and the gaps between the parts are no speed control.
    speedLabel_->installEventFilter(this);
}

void FrmTavrik::chooseWinKey()
{
    setWindowTitle(QStringLiteral("Tavrik - WinKey"));
    writeSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("Keyer to Use"), QStringLiteral("WinKey"));
    menus_->mnuSoftwareKeyer->setChecked(false);
    keyBox_->setOn(false);
    box_->clear();
    openWinKey();
    showKeyingPortState();
}

void FrmTavrik::chooseSoftwareKeyer()
{
    setWindowTitle(QStringLiteral("Tavrik - Software"));
    writeSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("Keyer to Use"), QStringLiteral("Software"));
    menus_->mnuWinKey->setChecked(false);
    winKey_.closePort();
    winKeyStateLabel_->setVisible(false);
    pttBox_->setVisible(true);
    keyBox_->setOn(false);
    box_->clear();
    std::int16_t wpm = 20;
    if (settingsFile_) {
        settingsFile_->setReadSection(QStringLiteral("frmTavrik Settings"));
        wpm = WholeNumber(settingsFile_->ReadSetting(QStringLiteral("WPM"), QStringLiteral("20"))).value_or(20);
    }
    keyer_.setOperatorSpeed(wpm);
    openSoftwareKeyer();
}

void FrmTavrik::openWinKey()
{
    winKey_.openWinKey();
}

void FrmTavrik::showWinKeyConfig()
{
    if (RaiseIfOpen(winKeyConfig_))
        return;
    auto* dialog = new FrmWinKeyConfig(
        winKey_.settings(),
        [this](const QString& section, const QString& key, const QString& value) { writeSetting(section, key, value); },
        [this](const QString& title, const QString& text) {
            devices_.dialogs.showMessage(DialogTitle(title), text, MessageIcon::Information);
        },
        this);
    connect(dialog, &FrmWinKeyConfig::applied, this, [this](const WinKeySettings& applied) {
        winKey_.setSettings(applied);
        openWinKey();
    });
    winKeyConfig_ = dialog;
    dialog->show();
}

void FrmTavrik::toggleDedicatedSerialPort(bool wasChecked)
{
    if (menus_->mnuSoftwareKeyer->isChecked()) {
        cwControl_.setPortOpen(!wasChecked);
    } else if (cwControl_.portOpen() || winKey_.reconnecting()) {
        winKey_.closePort();
    } else {
        openWinKey();
    }
    menus_->mnuDedicatedSerialPort->setChecked(cwControl_.portOpen());
    showKeyingPortState();
    if (cwControl_.portOpen())
        box_->withdrawNotice(PortErrorText(QString()));
    if (!cwControl_.lastError().isEmpty()) {
        box_->showNotice(PortErrorText(cwControl_.lastError()));
        cwControl_.clearError();
    }
}

void FrmTavrik::refreshKeyingMenu()
{
    const bool dedicated = softwareKeyerOnDedicatedSerial();
    menus_->mnuDedicatedSerialPort->setEnabled(dedicated);
    if (dedicated)
        menus_->mnuDedicatedSerialPort->setChecked(cwControl_.portOpen());
}

bool FrmTavrik::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == speedLabel_ && event->type() == QEvent::MouseButtonPress) {
        winKeyHandOver_.stepKeyingSpeed(static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton);
        return true;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
        && (keyer_.state().isSending || transmit_.tuneActive()) && watched->isWidgetType()
        && BelongsTo(static_cast<QWidget*>(watched), this)) {
        transmit_.abort();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}


void FrmTavrik::winKeySend(const QByteArray& bytes)
{
    winKey_.send(bytes);
}

// --- WinKeyWindow ------------------------------------------------------------------------

bool FrmTavrik::softwareKeyerOnDedicatedSerial() const
{
    const KeyerPortSettings& port = keyerPort_.settings();
    return !port.portIsParallel && !port.portIsSharedSerial;
}

void FrmTavrik::setDedicatedSerialChecked(bool checked)
{
    menus_->mnuDedicatedSerialPort->setChecked(checked);
}

void FrmTavrik::showBoxMessage(const QString& text)
{
    box_->showNotice(text);
}

void FrmTavrik::clearTypingBox()
{
    box_->clear();
}

int FrmTavrik::activeRadio() const
{
    return link_.activeRadio();
}

void FrmTavrik::postNotice(int code, int argument)
{
    link_.postLinkNotice(code, argument);
}

void FrmTavrik::abortTransmission()
{
    transmit_.abort();
}

void FrmTavrik::clearBoxMessage()
{
    if (!box_->notice().isEmpty())
        box_->setPlaceholderText(QString());
}

void FrmTavrik::sendWaitingText()
{
    transmit_.typingBoxChanged();
}

void FrmTavrik::showWinKeyState(const QString& state, const QString& version)
{
    winKeyStateLabel_->setText(state);
    winKeyStateLabel_->setVisible(winKeySelected());
    winKeyVersionEntry_->setText(version);
    winKeyVersionEntry_->setVisible(!version.isEmpty());
}

} // namespace tavrik
