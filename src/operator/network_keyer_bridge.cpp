#include "operator/network_keyer_bridge.h"

#include "operator/frm_network_keyer.h"
#include "operator/station_model.h"
#include "operator/tavrik_menus.h"
#include "operator/typing_box.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

namespace tavrik {

NetworkKeyerBridge::NetworkKeyerBridge(QMainWindow& window, const TavrikMenus& menus, StationModel& station)
    : window_(window), station_(station), server_(*this)
{
    station_.transmit().setAbortObserver([this] { server_.queueAborted(); });
    addMenuEntries(menus);
}

NetworkKeyerBridge::~NetworkKeyerBridge()
{
    station_.transmit().setAbortObserver({});
}

void NetworkKeyerBridge::addMenuEntries(const TavrikMenus& menus)
{
    QMenu* config = menus.mnuConfig;
    const QList<QAction*> entries = config->actions();
    const qsizetype port = entries.indexOf(menus.mnuPort);
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
    if (SettingsFile* file = station_.settingsFile())
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
    if (SettingsFile* file = station_.settingsFile())
        StoreNetworkKeyerSettings(*file, settings_);
    start();
}

void NetworkKeyerBridge::apply(const NetworkKeyerSettings& settings)
{
    settings_ = settings;
    if (SettingsFile* file = station_.settingsFile())
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
        status_ = new QLabel(window_.statusBar());
        status_->setObjectName(QStringLiteral("lblNetworkKeyer"));
        window_.statusBar()->addPermanentWidget(status_);
    }
    status_->setText(text);
    status_->setVisible(!text.isEmpty());
    // The bar also carries the link's problem; it goes only when neither has anything to say.
    QStatusBar* bar = window_.statusBar();
    bar->setVisible(!text.isEmpty() || !bar->currentMessage().isEmpty());
}

void NetworkKeyerBridge::openDialog()
{
    if (dialog_ && dialog_->isVisible()) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    dialog_ = new FrmNetworkKeyer(settings_, [this](const NetworkKeyerSettings& s) { apply(s); }, &window_);
    dialog_->show();
}

void NetworkKeyerBridge::queue(const QString& boxText)
{
    station_.transmit().appendQueuedText(boxText);
}

qsizetype NetworkKeyerBridge::queuedLength() const
{
    return station_.box().length();
}

bool NetworkKeyerBridge::idle() const
{
    return !station_.keyer().state().isSending && station_.box().length() == 0 && !station_.transmit().tuneActive();
}

void NetworkKeyerBridge::setSpeed(int wpm)
{
    station_.keyer().setOperatorSpeed(static_cast<std::int16_t>(wpm));
}

void NetworkKeyerBridge::abort()
{
    station_.transmit().abort();
}

void NetworkKeyerBridge::reset()
{
    const TavrikSettings& stored = station_.settings();
    if (!idle())
        station_.transmit().abort();
    station_.keyer().setOperatorSpeed(stored.wpm);
    station_.keyer().options().pttDelayMs = stored.pttDelay;
    if (std::exchange(toneChanged_, false)) {
        station_.sidetone().setSidetoneOn(stored.sidetoneOn);
        station_.sidetone().createSidetone(stored.sidetoneFrequency);
    }
}

void NetworkKeyerBridge::setTone(int hz)
{
    // The WinKey sounds its own sidetone; a sidetone the operator switched off stays off.
    if (station_.keyerChoice() != KeyerChoice::Software || !station_.settings().sidetoneOn)
        return;
    toneChanged_ = true;
    station_.sidetone().setSidetoneOn(hz > 0);
    if (hz > 0)
        station_.sidetone().createSidetone(hz);
}

void NetworkKeyerBridge::setPttDelay(int ms)
{
    station_.keyer().options().pttDelayMs = ms;
}

void NetworkKeyerBridge::tune(bool on)
{
    if (station_.transmit().tuneActive() != on)
        station_.transmit().toggleTune();
}

bool NetworkKeyerBridge::tuning() const
{
    return station_.transmit().tuneActive();
}

} // namespace tavrik
