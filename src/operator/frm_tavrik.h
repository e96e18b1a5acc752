#pragma once

#include "keyer/keyer_port.h"
#include "keyer/setup/keyer_setup_windows.h"
#include "keyer/sidetone.h"
#include "keyer/software_keyer.h"
#include "link/keyer_link_adapter.h"
#include "link/link.h"
#include "link/link_poll_timer.h"
#include "link/shared_line_requests.h"
#include "macros/macro_expander.h"
#include "macros/macro_store.h"
#include "operator/contact_field.h"
#include "operator/cw_text_box.h"
#include "operator/key_router.h"
#include "operator/macro_button.h"
#include "operator/macro_buttons.h"
#include "operator/station_macro_context.h"
#include "operator/transmit_control.h"
#include "operator/window_keyer_setup_host.h"
#include "platform/serial_line.h"
#include "rig/radio_ptt.h"
#include "rig/rigctld_client.h"
#include "settings/settings_file.h"
#include "settings/tavrik_settings.h"
#include "winkey/winkey_connection.h"
#include "winkey/winkey_hand_over.h"
#include "winkey/winkey_line.h"
#include "winkey/winkey_window.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;

namespace tavrik {

// Brings an open dialog forward; false when there is none to bring, so one is opened.
bool RaiseIfOpen(QWidget* dialog);

class Clock;
class FrmCwMacroSetup;
class Lamp;
class ModemLines;
class OperatorDialogs;
class PortIo;
class NetworkKeyerBridge;
class RigBridge;
class TimingPriority;
struct TavrikMenus;

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

// frmTavrik: the typing box, the tool bar with the contact fields and lamps, the three banks
// of macro buttons and the menus. The logic lives in the keyer, TransmitControl, MacroButtons
// and KeyRouter; the window wires Qt's events to them.
class FrmTavrik final : public QMainWindow,
                        private KeyerWindow,
                        private TransmitControls,
                        private TypingBoxEvents,
                        private ContactFieldEvents,
                        private FieldFocus,
                        private ActiveBoxFocus,
                        private ButtonMacros,
                        private LinkHost,
                        private WinKeyWindow {
    Q_OBJECT
public:
    explicit FrmTavrik(TavrikDevices devices, QWidget* parent = nullptr);
    ~FrmTavrik() override;

    // Start-up in its fixed order; no step stops it, but a "Close" from the logging program
    // taken by the first poll ends it there.
    void formLoad(const StartupOptions& options);
    // The window has been closed for good; it must not be shown or send again.
    bool hasShutDown() const { return hasShutDown_; }

    SoftwareKeyer& keyer() { return keyer_; }
    Link& link() { return link_; }
    KeyerPort& keyerPort() { return keyerPort_; }
    RigBridge& rig() { return *rig_; }
    NetworkKeyerBridge& networkKeyer() { return *networkKeyer_; }
    Sidetone& sidetone() { return sidetone_; }
    SerialLine& cwControl() { return cwControl_; }
    SettingsFile* settingsFile() { return settingsFile_.get(); }
    const TavrikSettings& settings() const { return settings_; }
    TavrikSettings& settings() { return settings_; }
    KeyerSetupWindows& keyerSetup() { return keyerSetup_; }
    Clock& clock() { return devices_.clock; }
    OperatorDialogs& dialogs() { return devices_.dialogs; }
    TransmitControl& transmit() { return transmit_; }
    MacroButtons& buttons() { return buttons_; }
    CwTextBox& typingBox() { return *box_; }
    const TavrikMenus& menus() const { return *menus_; }
    ContactFieldEdit& callsignField() { return *callsign_; }
    ContactFieldEdit& nameField() { return *name_; }
    ContactFieldEdit& srxField() { return *srx_; }
    QComboBox& history() { return *cmbPrevious_; }
    MacroButton& button(int index) { return *btnf_.at(static_cast<std::size_t>(index)); }
    Lamp& keyLamp() { return *keyBox_; }
    Lamp& pttLamp() { return *pttBox_; }
    QString speedText() const;

    // The public faces the link and the WinKey use.
    void cwTextBoxKeyDown(int& keyCode, int& shift) { typingBoxKeyDown(keyCode, shift); }
    void addCallsignToHistory() override;

    MacroStore& macroStore() { return macroStore_; }
    // Paints button n from its slot of the store: caption, normal and mouse-over look.
    void repaintMacroButton(int index);
    // The macro editor while it is open.
    FrmCwMacroSetup* macroEditor() const;
    void setFormReady(bool ready);
    // The lamps grey while the software keyer's dedicated serial port is closed.
    void showKeyingPortState();
    void clearTypingBoxAndCallsign();
    ZeroPreference zeroPreference() const;
    bool isWinKeySelected() const { return winKeySelected(); }
    WinKeyConnection& winKey() { return winKey_; }
    WinKeyHandOver& winKeyHandOver() { return winKeyHandOver_; }
    void winKeySend(const QByteArray& bytes);
    void writeSetting(const QString& section, const QString& key, const QString& value) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Clicks on the speed display step the speed; Esc in any of Tavrik's windows aborts.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs `open` once no transmission holds the lines, ending the one under way as Abort
    // does: a modal picker runs an event loop of its own, and opened inside the send loop's
    // wait it would hold the key and PTT until closed.
    void endTransmissionThen(std::function<void()> open);
    bool sendingNow() const;
    // Runs `action` once the send loop has returned, or at once when none runs.
    void whenNotSending(std::function<void()> action);
    void runWhatWaitedForTheEnd();
    void applySettings();
    void applyLanguageLibrary(const QString& programDir);
    void showTimingPriority();
    void openKeyer();
    void openSoftwareKeyer();
    void openWinKey();
    void connectKeyerMenus();
    void chooseWinKey();
    void chooseSoftwareKeyer();
    void showWinKeyConfig();
    void toggleDedicatedSerialPort(bool wasChecked);
    void refreshKeyingMenu();
    void openLink();
    void shutDown();
    double twipsPerPixel() const;

    void buildWindow();
    QWidget* buildToolBar();
    QWidget* buildBank(int bank);
    void connectMenus();
    void toggleBank(int bank);
    void toggleToolBar();
    void toggleSrxField();
    void showAssignKey();
    void openMacroEditor(int index);
    void closeMacroEditor();
    // Config > Appearance, View > Always on top.
    void connectAppearanceMenus();
    void toggleOnTop();
    void chooseColourSetting(const char* key, Colour& colour);
    void applyBoxColours();
    void chooseTextFont();
    void showKeyerSetup();
    // The lowest the window may be: room for the tool bar, the typing box and every bank shown.
    void relayout();

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
    bool winKeySelected() const override;
    void setTransmitEnabled(bool enabled) override;
    void startLoopTimer(int intervalMs) override;
    void stopLoopTimer() override;
    void pressButton(int index) override;
    void logContact() override;
    bool keyingLinesReady() override;

    // TypingBoxEvents
    void typingBoxKeyDown(int& keyCode, int& shift) override;
    void typingBoxKeyPress(int& keyAscii) override;
    void typingBoxChanged() override;
    void typingBoxMouseDown() override;
    void typingBoxMouseUp(Qt::MouseButton button) override;
    void typingBoxFocused() override;
    bool claimsAltKey(int keyCode) const override;

    // ContactFieldEvents
    void fieldKeyDown(ContactField field, int& keyCode, int& shift) override;
    void fieldKeyPress(ContactField field, int& keyAscii) override;
    void fieldMouseDown(ContactField field) override;
    void fieldFocused(ContactField field) override;

    // FieldFocus
    void focusTypingBox() override;
    void focusField(ContactField field) override;
    bool srxFieldShown() const override;

    // ActiveBoxFocus
    void focusActiveTextBoxAtEnd() override;

    // ButtonMacros
    QString macroText(int index) const override;
    QString macroCaption(int index) const override;

    // LinkHost
    QString callsignText() const override;
    QString nameText() const override;
    QString srxText() const override;
    void setCallsignText(const QString& text) override;
    void setNameText(const QString& text) override;
    void setSrxText(const QString& text) override;
    void closeMainWindow() override;
    void restoreMainWindow() override;
    void minimizeMainWindow() override;
    void pressKey(int keyCode, int shift) override;
    void selectRadioPin(int radio) override;
    void showLinkProblem(const QString& problem) override;

    // A shared-serial request failed: the transmission ends at once, and the box says why.
    void sharedLinesFailed(const QString& why);
    // The same for any line that failed: the notice in the box.
    void endTransmissionTelling(const QString& notice);
    // The dedicated serial port's device went away: the same, and the lamps go grey.
    void keyingPortLost();

    // WinKeyWindow (the rest is shared with the bases above)
    bool softwareKeyerOnDedicatedSerial() const override;
    void setDedicatedSerialChecked(bool checked) override;
    void showBoxMessage(const QString& text) override;
    void clearTypingBox() override;
    int activeRadio() const override;
    void postNotice(int code, int argument) override;
    void abortTransmission() override;
    void clearBoxMessage() override;
    void sendWaitingText() override;
    void showWinKeyState(const QString& state, const QString& version) override;

    void callsignChanged(const QString& text);
    void nameChanged(const QString& text);
    void srxChanged(const QString& text);
    void historyPicked(int row);

    TavrikDevices devices_;
    CwTextBox* box_ = nullptr;
    std::unique_ptr<TavrikMenus> menus_;
    QFrame* sBar_ = nullptr;
    QLabel* speedLabel_ = nullptr;
    QLabel* winKeyStateLabel_ = nullptr;
    QAction* winKeyVersionEntry_ = nullptr;
    ContactFieldEdit* callsign_ = nullptr;
    ContactFieldEdit* name_ = nullptr;
    ContactFieldEdit* srx_ = nullptr;
    QComboBox* cmbPrevious_ = nullptr;
    Lamp* keyBox_ = nullptr;
    Lamp* pttBox_ = nullptr;
    std::array<QWidget*, 3> banks_{};
    std::array<MacroButton*, 37> btnf_{};
    MacroStore macroStore_;
    QPointer<FrmCwMacroSetup> macroEditor_;
    QPointer<QDialog> assignKey_;
    QPointer<QDialog> winKeyConfig_;
    QTimer loopTimer_;
    QTimer afterSending_;
    std::vector<std::function<void()>> waitingForTheEnd_;

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
    TransmitControl transmit_;
    MacroButtons buttons_;
    KeyRouter router_;
    StationMacroContext macroContext_;
    MacroExpander expander_;
    std::unique_ptr<SettingsFile> settingsFile_;
    TavrikSettings settings_;
    WindowKeyerSetupHost keyerSetupHost_{*this};
    KeyerSetupWindows keyerSetup_{keyerSetupHost_, this};
    std::unique_ptr<RigBridge> rig_;
    std::unique_ptr<NetworkKeyerBridge> networkKeyer_;

    bool callsignIsActiveBox_ = false;
    bool hasShutDown_ = false;
    bool keyLampOn_ = false;
    QString lastCallsign_;
};

} // namespace tavrik
