#include "operator/network_keyer_bridge.h"

#include "keyer/sidetone.h"
#include "keyer/software_keyer.h"
#include "operator/frm_network_keyer.h"
#include "operator/tavrik_menus.h"
#include "operator/transmit_control.h"
#include "operator/typing_box.h"
#include "settings/settings_file.h"
#include "settings/tavrik_settings.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

namespace tavrik {

NetworkKeyerBridge::NetworkKeyerBridge(Parts parts) : parts_(std::move(parts)), server_(*this)
{
    parts_.transmit.setAbortObserver([this] { server_.queueAborted(); });
    addMenuEntries();
}

NetworkKeyerBridge::~NetworkKeyerBridge()
{
    parts_.transmit.setAbortObserver({});
}

void NetworkKeyerBridge::addMenuEntries()
{
    QMenu* config = parts_.menus.mnuConfig;
    const QList<QAction*> entries = config->actions();
    const qsizetype port = entries.indexOf(parts_.menus.mnuPort);
    QAction* before = entries.value(port + 1);
    // Not among the translated entries: a language file's numbers stay where they were.
    mnuNetworkKeyer_ = new QAction(QStringLiteral("Network keyer"), config);
    mnuNetworkKeyer_->setObjectName(QStringLiteral("mnuNetworkKeyer"));
    mnuNetworkKeyer_->setCheckable(true);
    config->insertAction(before, mnuNetworkKeyer_);
    mnuNetworkKeyerSetup_ = new QAction(QStringLiteral("Network keyer address"), config);
    mnuNetworkKeyerSetup_->setObjectName(QStringLiteral("mnuNetworkKeyerSetup"));
    config->insertAction(before, mnuNetworkKeyerSetup_);
    connect(mnuNetworkKeyer_, &QAction::triggered, this, &NetworkKeyerBridge::setEnabled);
    connect(mnuNetworkKeyerSetup_, &QAction::triggered, this, &NetworkKeyerBridge::openDialog);
}

void NetworkKeyerBridge::applySettings()
{
    if (SettingsFile* file = parts_.settingsFile())
        settings_ = LoadNetworkKeyerSettings(*file);
    mnuNetworkKeyer_->setChecked(settings_.enabled);
    start();
}

void NetworkKeyerBridge::shutDown()
{
    server_.stop();
}

void NetworkKeyerBridge::setEnabled(bool enabled)
{
    settings_.enabled = enabled;
    if (SettingsFile* file = parts_.settingsFile())
        StoreNetworkKeyerSettings(*file, settings_);
    start();
}

void NetworkKeyerBridge::apply(const NetworkKeyerSettings& settings)
{
    settings_ = settings;
    if (SettingsFile* file = parts_.settingsFile())
        StoreNetworkKeyerSettings(*file, settings_);
    start();
}

void NetworkKeyerBridge::start()
{
    server_.stop();
    if (settings_.enabled)
        server_.listen(QHostAddress(settings_.address), settings_.port);
    showStatus();
}

QString NetworkKeyerBridge::statusText() const
{
    if (!settings_.enabled)
        return {};
    const QString where = settings_.address + u':' + QString::number(settings_.port);
    if (server_.listening())
        return QStringLiteral("Network keyer listening on ") + where;
    return QStringLiteral("Network keyer off: ") + server_.problem();
}

void NetworkKeyerBridge::showStatus()
{
    const QString text = statusText();
    if (!status_) {
        if (text.isEmpty())
            return;
        status_ = new QLabel(parts_.window.statusBar());
        status_->setObjectName(QStringLiteral("lblNetworkKeyer"));
        parts_.window.statusBar()->addPermanentWidget(status_);
    }
    status_->setText(text);
    status_->setVisible(!text.isEmpty());
    if (!text.isEmpty())
        parts_.window.statusBar()->setVisible(true);
}

void NetworkKeyerBridge::openDialog()
{
    if (dialog_ && dialog_->isVisible()) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    dialog_ = new FrmNetworkKeyer(settings_, [this](const NetworkKeyerSettings& s) { apply(s); }, &parts_.window);
    dialog_->show();
}

void NetworkKeyerBridge::queue(const QString& boxText)
{
    parts_.transmit.appendQueuedText(boxText);
}

qsizetype NetworkKeyerBridge::queuedLength() const
{
    return parts_.box.length();
}

bool NetworkKeyerBridge::idle() const
{
    return !parts_.keyer.state().isSending && parts_.box.length() == 0 && !parts_.transmit.tuneActive();
}

void NetworkKeyerBridge::setSpeed(int wpm)
{
    parts_.keyer.setOperatorSpeed(static_cast<std::int16_t>(wpm));
}

void NetworkKeyerBridge::abort()
{
    parts_.transmit.abort();
}

void NetworkKeyerBridge::reset()
{
    const TavrikSettings& stored = parts_.stored();
    if (!idle())
        parts_.transmit.abort();
    parts_.keyer.setOperatorSpeed(stored.wpm);
    parts_.keyer.options().pttDelayMs = stored.pttDelay;
    if (std::exchange(toneChanged_, false)) {
        parts_.sidetone.setSidetoneOn(stored.sidetoneOn);
        parts_.sidetone.createSidetone(stored.sidetoneFrequency);
    }
}

void NetworkKeyerBridge::setTone(int hz)
{
    // The WinKey sounds its own sidetone; a sidetone the operator switched off stays off.
    if (!parts_.menus.mnuSoftwareKeyer->isChecked() || !parts_.stored().sidetoneOn)
        return;
    toneChanged_ = true;
    parts_.sidetone.setSidetoneOn(hz > 0);
    if (hz > 0)
        parts_.sidetone.createSidetone(hz);
}

void NetworkKeyerBridge::setPttDelay(int ms)
{
    parts_.keyer.options().pttDelayMs = ms;
}

void NetworkKeyerBridge::tune(bool on)
{
    if (parts_.transmit.tuneActive() != on)
        parts_.transmit.toggleTune();
}

bool NetworkKeyerBridge::tuning() const
{
    return parts_.transmit.tuneActive();
}

} // namespace tavrik
