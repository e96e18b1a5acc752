// The keyer choice, the WinKey's side of the window, the serial-port entry and the speed clicks.
#include "operator/frm_tavrik.h"

#include "operator/lamp.h"
#include "operator/operator_dialogs.h"
#include "operator/rig_bridge.h"
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
    connect(m.mnuWinKey, &QAction::triggered, this, [this] { station_.chooseKeyer(KeyerChoice::WinKey); });
    connect(m.mnuSoftwareKeyer, &QAction::triggered, this, [this] { station_.chooseKeyer(KeyerChoice::Software); });
    connect(m.mnuDedicatedSerialPort, &QAction::triggered, &station_, &StationModel::toggleDedicatedSerialPort);
    connect(m.mnuKeying, &QMenu::aboutToShow, this, &FrmTavrik::refreshKeyingMenu);
    // The WinKey's version under Ver.
    winKeyVersionEntry_ = menus_->mnuVer->addAction(QString());
    winKeyVersionEntry_->setObjectName(QStringLiteral("mnuWinKeyVersion"));
    winKeyVersionEntry_->setEnabled(false);
    winKeyVersionEntry_->setVisible(false);
    // Only the speed display: the lamps and the gaps between the parts are no speed control.
    sBar_->speedLabel().installEventFilter(this);
}

void FrmTavrik::showKeyerChoice(KeyerChoice keyer)
{
    static constexpr const char* kTitles[3] = {"Tavrik - Software", "Tavrik - WinKey", "Tavrik - Rig"};
    setWindowTitle(QLatin1String(kTitles[static_cast<int>(keyer)]));
    menus_->mnuSoftwareKeyer->setChecked(keyer == KeyerChoice::Software);
    menus_->mnuWinKey->setChecked(keyer == KeyerChoice::WinKey);
    rig_->showChosen(keyer == KeyerChoice::Rig);
    if (keyer != KeyerChoice::WinKey)
        sBar_->hideWinKeyState();
}

void FrmTavrik::showWinKeyConfig()
{
    if (RaiseIfOpen(winKeyConfig_))
        return;
    auto* dialog = new FrmWinKeyConfig(
        station_.winKey().settings(),
        [this](const QString& section, const QString& key, const QString& value) {
            station_.writeSetting(section, key, value);
        },
        [this](const QString& title, const QString& text) {
            station_.dialogs().showMessage(DialogTitle(title), text, MessageIcon::Information);
        },
        this);
    connect(dialog, &FrmWinKeyConfig::applied, this, [this](const WinKeySettings& applied) {
        station_.winKey().setSettings(applied);
        station_.winKey().openWinKey();
    });
    winKeyConfig_ = dialog;
    dialog->show();
}

void FrmTavrik::refreshKeyingMenu()
{
    const bool dedicated = station_.softwareKeyerOnDedicatedSerial();
    menus_->mnuDedicatedSerialPort->setEnabled(dedicated);
    if (dedicated)
        menus_->mnuDedicatedSerialPort->setChecked(station_.dedicatedPortOpen());
}

void FrmTavrik::showDedicatedPortOpen(bool open)
{
    menus_->mnuDedicatedSerialPort->setChecked(open);
}

bool FrmTavrik::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &sBar_->speedLabel() && event->type() == QEvent::MouseButtonPress) {
        station_.transmit().keyer().stepSpeed(static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton);
        return true;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
        && station_.sendingNow() && watched->isWidgetType() && BelongsTo(static_cast<QWidget*>(watched), this)) {
        station_.transmit().abort();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmTavrik::showWinKeyState(const QString& state, const QString& version)
{
    sBar_->showWinKeyState(state, station_.winKeySelected());
    winKeyVersionEntry_->setText(version);
    winKeyVersionEntry_->setVisible(!version.isEmpty());
}

} // namespace tavrik
