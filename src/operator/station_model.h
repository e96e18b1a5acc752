#pragma once

#include "keyer/keyer_port.h"
#include "keyer/sidetone.h"
#include "keyer/software_keyer.h"
#include "link/keyer_link_adapter.h"
#include "link/link.h"
#include "link/link_poll_timer.h"
#include "link/shared_line_requests.h"
#include "macros/macro_expander.h"
#include "macros/macro_store.h"
#include "operator/macro_buttons.h"
#include "operator/station_macro_context.h"
#include "operator/transmit_control.h"
#include "platform/serial_line.h"
#include "rig/radio_ptt.h"
#include "rig/rig_control_settings.h"
#include "rig/rig_keyer.h"
#include "rig/rigctld_client.h"
#include "settings/setting_table.h"
#include "settings/settings_file.h"
#include "settings/tavrik_settings.h"
#include "winkey/winkey_connection.h"
#include "winkey/winkey_hand_over.h"
#include "winkey/winkey_line.h"
#include "winkey/winkey_window.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tavrik {

class Clock;
class ModemLines;
class OperatorDialogs;
class PortIo;
class TimingPriority;
class TypingBox;

// What only the machine has: the program passes the real ones, tests their fakes.
struct TavrikDevices {
    Clock& clock;
    TimingPriority& priority;
    PortIo& parallelPort;
    ModemLines& modemLines;
    OperatorDialogs& dialogs;
};

// Where the program was started from, and with what.
struct StartupOptions {
    QString programDir;
    QString argumentText; // names a settings profile
};

// What the station shows; the main window draws it.
class StationView {
public:
    virtual ~StationView() = default;
    // The keyer waits between edges: what the window has pending is processed.
    virtual void processPendingEvents() = 0;
    // The menus and controls a transmission locks, and the transmit command.
    virtual void showSendingControls(bool sending) = 0;
    virtual void showTransmitEnabled(bool enabled) = 0;
    virtual void showSpeedText(const QString& text) = 0;
    virtual void showKeyLamp(bool on) = 0;
    virtual void showPttLamp(bool on) = 0;
    // The software keyer's dedicated serial port is chosen and closed: the lamps grey.
    virtual void showKeyingLinesGone(bool gone) = 0;
    virtual void showDedicatedPortOpen(bool open) = 0;
    virtual void showKeyerChoice(KeyerChoice keyer) = 0;
    virtual void showWinKeyState(const QString& state, const QString& version) = 0;
    // The loop timer fired: the looping button is pressed again.
    virtual void pressButton(int index) = 0;
    virtual void clearCallsign() = 0;
    virtual QString callsignText() const = 0;
    virtual QString nameText() const = 0;
};

// The station below the main window: the ports, the link, the keyers, the transmit control,
// the macros and the settings, and the state the menus show. The window renders it and hands
// it the operator's events; it decides where every error shows.
class StationModel final : public QObject,
                           public ButtonMacros,
                           private KeyerWindow,
                           private TransmitControls,
                           private WinKeyWindow {
public:
    struct Parts {
        TavrikDevices devices;
        TypingBox& box;
        StationView& view;
        LinkHost& linkHost;
    };

    explicit StationModel(Parts parts);
    ~StationModel() override;

    // Opens TAVRIK.INI (or the profile's file) and reads it whole, once.
    void loadSettings(const StartupOptions& options, std::function<void(const QString&)> reportSaveProblem);
    // The loaded settings given to the keyers, the ports, the macros and the state.
    void applySettings();
    // The chosen keyer's port and sound; the radio keys itself.
    void openKeyer();
    // The message start-up shows when no logging program answered.
    std::optional<LinkStartupMessage> openLink();
    void startPolling();
    // The station's part of the end of the run: keyer, link, port and sound let go.
    void shutDown();
    bool hasShutDown() const { return hasShutDown_; }

    TavrikSettings& settings() { return settings_; }
    const TavrikSettings& settings() const { return settings_; }
    SettingsFile* settingsFile() { return settingsFile_.get(); }
    void writeSetting(const QString& section, const QString& key, const QString& value) override;
    void write(const SettingWrite& value) { writeSetting(value.section, value.key, value.value); }

    SoftwareKeyer& keyer() { return keyer_; }
    const SoftwareKeyer& keyer() const { return keyer_; }
    Link& link() { return link_; }
    const Link& link() const { return link_; }
    KeyerPort& keyerPort() { return keyerPort_; }
    Sidetone& sidetone() { return sidetone_; }
    SerialLine& cwControl() { return cwControl_; }
    Clock& clock() { return devices_.clock; }
    TimingPriority& priority() { return devices_.priority; }
    OperatorDialogs& dialogs() { return devices_.dialogs; }
    TypingBox& box() { return box_; }
    QString callsignText() const { return view_.callsignText(); }
    QString nameText() const { return view_.nameText(); }
    TransmitControl& transmit() { return transmit_; }
    const TransmitControl& transmit() const { return transmit_; }
    MacroStore& macroStore() { return macroStore_; }
    const MacroStore& macroStore() const { return macroStore_; }
    QString macroText(int index) const override;
    QString macroCaption(int index) const override;
    WinKeyConnection& winKey() { return winKey_; }
    WinKeyHandOver& winKeyHandOver() { return winKeyHandOver_; }
    RigKeyer& rigKeyer() { return rigKeyer_; }
    const RigControlSettings& rigControl() const { return rigControl_; }
    void applyRigControl(const RigControlSettings& rig);

    // The state the menus show.
    KeyerChoice keyerChoice() const { return keyerChoice_; }
    void chooseKeyer(KeyerChoice keyer);
    bool winKeySelected() const override { return keyerChoice_ == KeyerChoice::WinKey; }
    KeyingMode keying() const { return keying_; }
    void setKeying(KeyingMode keying);
    SerialZero serialZero() const { return serialZero_; }
    void setSerialZero(SerialZero zero);
    ZeroPreference zeroPreference() const;
    bool softwareKeyerOnDedicatedSerial() const override;
    // The Keying menu's serial-port entry: the dedicated port opened or closed for the
    // keyer in use.
    void toggleDedicatedSerialPort();
    bool dedicatedPortOpen() const { return cwControl_.portOpen(); }

    // What a key or a macro sets going; a macro's text expanded.
    QString expandMacro(const QString& text) { return expander_.ExpandMacro(text); }
    bool sendingNow() const;
    // Runs `open` once no transmission holds the lines, ending the one under way as Abort
    // does: a modal picker runs an event loop of its own, and opened inside the send loop's
    // wait it would hold the key and PTT until closed.
    void endTransmissionThen(std::function<void()> open);
    // Ends what is being sent, key and PTT released, and puts the notice in the box.
    void endTransmissionTelling(const QString& notice);
    void showKeyingPortState();
    void clearTypingBoxAndCallsign();

    // The contact fields changed: the logging program's slots follow, and while sending the
    // queued callsign follows the field.
    void callsignEdited(const QString& text);
    void nameEdited(const QString& text);
    void srxEdited(const QString& text);

private:
    void openSoftwareKeyer();
    // The operator's speed as stored, for a keyer that takes over from the WinKey.
    void restoreStoredSpeed();
    // Runs `action` once the send loop has returned, or at once when none runs.
    void whenNotSending(std::function<void()> action);
    void runWhatWaitedForTheEnd();
    void sharedLinesFailed(const QString& why);
    void keyingPortLost();

    // KeyerWindow
    void processPendingEvents() override;
    void setLinkTimerRunning(bool running) override;
    void setSendingControls(bool sending) override;
    void showSpeedText(const QString& text) override;
    void showKeyLamp(bool on) override;
    void showPttLamp(bool on) override;
    void armPendingLoop() override;
    void logContactIfRequested() override;

    // TransmitControls
    bool manualTransmit() const override;
    void setTransmitEnabled(bool enabled) override;
    void startLoopTimer(int intervalMs) override;
    void stopLoopTimer() override;
    void pressButton(int index) override;
    void logContact() override;
    bool keyingLinesReady() override;

    // WinKeyWindow (the rest is shared with the bases above)
    void setDedicatedSerialChecked(bool checked) override;
    void showBoxMessage(const QString& text) override;
    void clearTypingBox() override;
    int activeRadio() const override;
    void postNotice(int code, int argument) override;
    void abortTransmission() override;
    void clearBoxMessage() override;
    void sendWaitingText() override;
    void showWinKeyState(const QString& state, const QString& version) override;

    TavrikDevices devices_;
    TypingBox& box_;
    StationView& view_;

    SerialLine cwControl_;
    SerialWinKeyLine winKeyLine_;
    KeyerPort keyerPort_;
    RigctldClient rigClient_;
    RadioPttLines radioPtt_;
    Sidetone sidetone_;
    Link link_;
    SharedLineRequests lineRequests_;
    KeyerLinkAdapter keyerLink_;
    LinkPollTimer timer1_;
    SoftwareKeyer keyer_;
    WinKeyConnection winKey_;
    WinKeyHandOver winKeyHandOver_;
    RigKeyer rigKeyer_;
    TransmitControl transmit_;
    MacroStore macroStore_;
    StationMacroContext macroContext_;
    MacroExpander expander_;
    std::unique_ptr<SettingsFile> settingsFile_;
    TavrikSettings settings_;
    RigControlSettings rigControl_;
    QTimer loopTimer_;
    QTimer afterSending_;
    std::vector<std::function<void()>> waitingForTheEnd_;

    KeyerChoice keyerChoice_ = KeyerChoice::Software;
    KeyingMode keying_ = KeyingMode::Vox;
    SerialZero serialZero_ = SerialZero::Zero;
    bool keyLampOn_ = false;
    bool hasShutDown_ = false;
    QString lastCallsign_;
};

} // namespace tavrik
