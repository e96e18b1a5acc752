#include "operator/rig_bridge.h"

#include "keyer/software_keyer.h"
#include "operator/frm_rig_control.h"
#include "operator/tavrik_menus.h"
#include "operator/transmit_control.h"
#include "rig/radio_ptt.h"
#include "settings/settings_file.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>

namespace tavrik {

RigBridge::RigBridge(Parts parts)
    : parts_(std::move(parts)), keyer_({parts_.client, parts_.keyer, parts_.box, parts_.link, parts_.keyerWindow})
{
    parts_.transmit.setRigKeyer(&keyer_);
    keyer_.setFailureHandler([this](const QString& problem) { failed(problem); });
    parts_.radioPtt.setFailureHandler([this](const QString& problem) { failed(problem); });
    addMenuEntries();
}

void RigBridge::addMenuEntries()
{
    const TavrikMenus& m = parts_.menus;
    QMenu* config = m.mnuConfig;
    const QList<QAction*> entries = config->actions();
    // Not among the translated entries: a language file's numbers stay where they were.
    mnuRigKeyer_ = new QAction(QStringLiteral("Rig"), config);
    mnuRigKeyer_->setObjectName(QStringLiteral("mnuRigKeyer"));
    mnuRigKeyer_->setCheckable(true);
    const qsizetype software = entries.indexOf(m.mnuSoftwareKeyer);
    config->insertAction(entries.value(software + 1), mnuRigKeyer_);
    mnuRigControl_ = new QAction(QStringLiteral("Rig control"), config);
    mnuRigControl_->setObjectName(QStringLiteral("mnuRigControl"));
    const qsizetype port = entries.indexOf(m.mnuPort);
    config->insertAction(entries.value(port + 1), mnuRigControl_);

    connect(mnuRigKeyer_, &QAction::triggered, this, [this](bool checked) {
        // Unchecked, no keyer is checked: typed text goes to the software keyer.
        keyer_.setChosen(false);
        if (checked)
            chooseRig();
    });
    for (QAction* other : {m.mnuWinKey, m.mnuSoftwareKeyer}) {
        connect(other, &QAction::triggered, this, [this](bool checked) {
            if (!checked)
                return;
            mnuRigKeyer_->setChecked(false);
            keyer_.setChosen(false);
        });
    }
    connect(mnuRigControl_, &QAction::triggered, this, &RigBridge::openDialog);
}

void RigBridge::applySettings(KeyerChoice keyer)
{
    if (SettingsFile* file = parts_.settingsFile())
        settings_ = LoadRigControlSettings(*file);
    parts_.client.setEndpoint(settings_.endpoint);
    parts_.radioPtt.setPttThroughRadio(settings_.ptt);
    parts_.keyer.options().pttThroughRadio = settings_.ptt;
    const bool rig = keyer == KeyerChoice::Rig;
    keyer_.setChosen(rig);
    mnuRigKeyer_->setChecked(rig);
    if (!rig)
        return;
    parts_.menus.mnuSoftwareKeyer->setChecked(false);
    parts_.menus.mnuWinKey->setChecked(false);
    parts_.window.setWindowTitle(QStringLiteral("Tavrik - Rig"));
}

void RigBridge::chooseRig()
{
    parts_.window.setWindowTitle(QStringLiteral("Tavrik - Rig"));
    if (SettingsFile* file = parts_.settingsFile())
        file->WriteSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("Keyer to Use"), QStringLiteral("Rig"));
    parts_.menus.mnuSoftwareKeyer->setChecked(false);
    parts_.menus.mnuWinKey->setChecked(false);
    parts_.leaveOtherKeyers();
    keyer_.setChosen(true);
}

void RigBridge::openDialog()
{
    if (dialog_ && dialog_->isVisible()) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    dialog_ = new FrmRigControl(settings_, [this](const RigControlSettings& s) { apply(s); }, &parts_.window);
    dialog_->show();
}

void RigBridge::apply(const RigControlSettings& settings)
{
    settings_ = settings;
    if (SettingsFile* file = parts_.settingsFile())
        StoreRigControlSettings(*file, settings_);
    parts_.client.setEndpoint(settings_.endpoint);
    parts_.radioPtt.setPttThroughRadio(settings_.ptt);
    parts_.keyer.options().pttThroughRadio = settings_.ptt;
}

void RigBridge::failed(const QString& problem)
{
    parts_.endTransmission(QLatin1String(kErrorPrefix) + problem);
}

} // namespace tavrik
