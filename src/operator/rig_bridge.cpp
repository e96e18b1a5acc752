#include "operator/rig_bridge.h"

#include "operator/frm_rig_control.h"
#include "operator/station_model.h"
#include "operator/tavrik_menus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>

namespace tavrik {

RigBridge::RigBridge(QMainWindow& window, const TavrikMenus& menus, StationModel& station)
    : window_(window), station_(station)
{
    addMenuEntries(menus);
}

void RigBridge::addMenuEntries(const TavrikMenus& m)
{
    QMenu* config = m.mnuConfig;
    const QList<QAction*> entries = config->actions();
    // Not among the translated entries: a language file's numbers stay where they were.
    mnuRigKeyer_ = new QAction(QStringLiteral("Rig"), config);
    mnuRigKeyer_->setObjectName(QStringLiteral("mnuRigKeyer"));
    mnuRigKeyer_->setCheckable(true);
    const qsizetype software = entries.indexOf(m.mnuSoftwareKeyer);
    config->insertAction(entries.value(software + 1), mnuRigKeyer_);
    auto* mnuRigControl = new QAction(QStringLiteral("Rig control"), config);
    mnuRigControl->setObjectName(QStringLiteral("mnuRigControl"));
    const qsizetype port = entries.indexOf(m.mnuPort);
    config->insertAction(entries.value(port + 1), mnuRigControl);

    connect(mnuRigKeyer_, &QAction::triggered, this, [this] { station_.chooseKeyer(KeyerChoice::Rig); });
    connect(mnuRigControl, &QAction::triggered, this, &RigBridge::openDialog);
}

void RigBridge::showChosen(bool rig)
{
    mnuRigKeyer_->setChecked(rig);
}

void RigBridge::openDialog()
{
    if (dialog_ && dialog_->isVisible()) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    dialog_ = new FrmRigControl(station_.rigControl(), [this](const RigControlSettings& s) {
        if (SettingsFile* file = station_.settingsFile())
            StoreRigControlSettings(*file, s);
        station_.applyRigControl(s);
    }, &window_);
    dialog_->show();
}

} // namespace tavrik
