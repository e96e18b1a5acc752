#pragma once

#include "rig/rig_control_settings.h"
#include "rig/rig_keyer.h"
#include "settings/tavrik_settings.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QAction;
class QDialog;
class QMainWindow;

namespace tavrik {

class KeyerLink;
class KeyerWindow;
class RadioPttLines;
class RigctldClient;
class SettingsFile;
class SoftwareKeyer;
class TransmitControl;
class TransmitQueue;
struct TavrikMenus;

// The main window's side of rig control: the keyer entry "Rig" beside "WinKey" and
// "Software", the "Rig control" dialog, the "Rig Control" settings, and what a failing rigctld
// does to the transmission under way.
class RigBridge final : public QObject {
public:
    struct Parts {
        QMainWindow& window;
        const TavrikMenus& menus;
        RigctldClient& client;
        RadioPttLines& radioPtt;
        SoftwareKeyer& keyer;
        TransmitQueue& box;
        KeyerLink& link;
        KeyerWindow& keyerWindow;
        TransmitControl& transmit;
        std::function<SettingsFile*()> settingsFile;
        // Ends what is being sent, key and PTT released, and puts the notice in the box.
        std::function<void(const QString& notice)> endTransmission;
        // The other keyers let go when the radio's keyer is chosen: the WinKey's port closed,
        // the box emptied, the operator's speed read again.
        std::function<void()> leaveOtherKeyers;
    };

    static constexpr const char* kErrorPrefix = "Rig control error : ";

    explicit RigBridge(Parts parts);

    // At start-up, after the window's own settings; checks "Rig" when it is the keyer to use.
    void applySettings(KeyerChoice keyer);
    bool chosen() const { return keyer_.chosen(); }
    RigKeyer& keyer() { return keyer_; }
    const RigControlSettings& settings() const { return settings_; }
    void openDialog();

private:
    void addMenuEntries();
    void chooseRig();
    void apply(const RigControlSettings& settings);
    void failed(const QString& problem);

    Parts parts_;
    RigKeyer keyer_;
    RigControlSettings settings_;
    QAction* mnuRigKeyer_ = nullptr;
    QAction* mnuRigControl_ = nullptr;
    QPointer<QDialog> dialog_;
};

} // namespace tavrik
