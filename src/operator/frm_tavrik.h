#pragma once

#include "keyer/setup/keyer_setup_windows.h"
#include "link/link.h"
#include "operator/contact_field.h"
#include "operator/cw_text_box.h"
#include "operator/key_router.h"
#include "operator/macro_banks.h"
#include "operator/macro_buttons.h"
#include "operator/station_keyer_setup_host.h"
#include "operator/station_model.h"
#include "operator/station_tool_bar.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QComboBox;

namespace tavrik {

// Brings an open dialog forward; false when there is none to bring, so one is opened.
bool RaiseIfOpen(QWidget* dialog);

class FrmCwMacroSetup;
class Lamp;
class NetworkKeyerBridge;
class RigBridge;
struct TavrikMenus;

// frmTavrik: the typing box, the tool bar with the contact fields and lamps, the three banks
// of macro buttons and the menus: a view over the station, to which it hands the operator's
// events. MacroButtons and KeyRouter turn keys and clicks into what the station does.
class FrmTavrik final : public QMainWindow,
                        private StationView,
                        private TypingBoxEvents,
                        private ContactFieldEvents,
                        private FieldFocus,
                        private ActiveBoxFocus,
                        private LinkHost {
    Q_OBJECT
public:
    explicit FrmTavrik(TavrikDevices devices, QWidget* parent = nullptr);
    ~FrmTavrik() override;

    // Start-up in its fixed order; no step stops it, but a "Close" from the logging program
    // taken by the first poll ends it there.
    void formLoad(const StartupOptions& options);
    // The window has been closed for good; it must not be shown or send again.
    bool hasShutDown() const { return station_.hasShutDown(); }

    StationModel& station() { return station_; }
    const StationModel& station() const { return station_; }
    NetworkKeyerBridge& networkKeyer() { return *networkKeyer_; }
    KeyerSetupWindows& keyerSetup() { return keyerSetup_; }
    RigBridge& rig() { return *rig_; }
    MacroButtons& buttons() { return buttons_; }
    CwTextBox& typingBox() { return *box_; }
    const TavrikMenus& menus() const { return *menus_; }
    ContactFieldEdit& callsignField() { return sBar_->callsignField(); }
    ContactFieldEdit& nameField() { return sBar_->nameField(); }
    ContactFieldEdit& srxField() { return sBar_->srxField(); }
    QComboBox& history() { return sBar_->history(); }
    MacroButton& button(int index) { return banks_->button(index); }
    Lamp& keyLamp() { return sBar_->keyLamp(); }
    Lamp& pttLamp() { return sBar_->pttLamp(); }
    QString speedText() const;

    // The public faces the link and the WinKey use.
    void cwTextBoxKeyDown(int& keyCode, int& shift) { typingBoxKeyDown(keyCode, shift); }
    void addCallsignToHistory() override;

    // Paints button n from its slot of the store: caption, normal and mouse-over look.
    void repaintMacroButton(int index);
    // The macro editor while it is open.
    FrmCwMacroSetup* macroEditor() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Clicks on the speed display step the speed; Esc in any of Tavrik's windows aborts.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applySettings();
    void applyLanguageLibrary(const QString& programDir);
    void showTimingPriority();
    void connectKeyerMenus();
    void showWinKeyConfig();
    void refreshKeyingMenu();
    void openLink();
    void shutDown();
    double twipsPerPixel() const;

    void buildWindow();
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
    void chooseColourSetting(const Setting<TavrikSettings, Colour>& row, Colour& colour);
    void applyBoxColours();
    void applyTextFont();
    void chooseTextFont();
    void showKeyerSetup();
    // The lowest the window may be: room for the tool bar, the typing box and every bank shown.
    void relayout();

    // StationView
    void processPendingEvents() override;
    void showSendingControls(bool sending) override;
    void showTransmitEnabled(bool enabled) override;
    void showSpeedText(const QString& text) override;
    void showKeyLamp(bool on) override;
    void showPttLamp(bool on) override;
    void showKeyingLinesGone(bool gone) override;
    void showDedicatedPortOpen(bool open) override;
    void showKeyerChoice(KeyerChoice keyer) override;
    void showWinKeyState(const QString& state, const QString& version) override;
    void pressButton(int index) override;
    void clearCallsign() override;

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

    // LinkHost (and StationView's fields)
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

    CwTextBox* box_ = nullptr;
    std::unique_ptr<TavrikMenus> menus_;
    StationToolBar* sBar_ = nullptr;
    QAction* winKeyVersionEntry_ = nullptr;
    MacroBanks* banks_ = nullptr;
    QPointer<FrmCwMacroSetup> macroEditor_;
    QPointer<QDialog> assignKey_;
    QPointer<QDialog> winKeyConfig_;

    StationModel station_;
    MacroButtons buttons_;
    KeyRouter router_;
    StationKeyerSetupHost keyerSetupHost_{station_};
    KeyerSetupWindows keyerSetup_{keyerSetupHost_, this};
    std::unique_ptr<RigBridge> rig_;
    std::unique_ptr<NetworkKeyerBridge> networkKeyer_;

    bool callsignIsActiveBox_ = false;
};

} // namespace tavrik
