#pragma once

#include "netkeyer/network_keyer.h"
#include "netkeyer/network_keyer_settings.h"

#include <QObject>
#include <QPointer>

class QAction;
class QDialog;
class QLabel;
class QMainWindow;

namespace tavrik {

class StationModel;
struct TavrikMenus;

// The main window's side of the network keyer: loggers' text into the typing box, their
// requests to the keyer, the "Network Keyer" settings, its Config entries and its line in
// the status bar.
class NetworkKeyerBridge final : public QObject, private netkeyer::KeyingStation {
public:
    NetworkKeyerBridge(QMainWindow& window, const TavrikMenus& menus, StationModel& station);
    ~NetworkKeyerBridge() override;

    // At start-up, after the window's own settings.
    void applySettings();
    // Shut-down: nothing more is taken from the network.
    void shutDown();
    const NetworkKeyerSettings& settings() const { return settings_; }
    bool listening() const { return server_.listening(); }
    // What the status bar says about the network keyer; empty while it is off.
    QString statusText() const;
    void openDialog();

private:
    void addMenuEntries(const TavrikMenus& menus);
    void apply(const NetworkKeyerSettings& settings);
    void setEnabled(bool enabled);
    void start();
    void showStatus();

    void queue(const QString& boxText) override;
    qsizetype queuedLength() const override;
    bool idle() const override;
    void setSpeed(int wpm) override;
    void abort() override;
    void reset() override;
    void setTone(int hz) override;
    void setPttDelay(int ms) override;
    void tune(bool on) override;
    bool tuning() const override;

    QMainWindow& window_;
    StationModel& station_;
    NetworkKeyerSettings settings_;
    netkeyer::NetworkKeyer server_;
    // The network changed the sidetone's pitch: a reset builds the stored one again.
    bool toneChanged_ = false;
    QAction* mnuNetworkKeyer_ = nullptr;
    QAction* mnuNetworkKeyerSetup_ = nullptr;
    QLabel* status_ = nullptr;
    QPointer<QDialog> dialog_;
};

} // namespace tavrik
