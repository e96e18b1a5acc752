#include "operator/frm_tavrik.h"

#include "operator/frm_assign_key.h"
#include "operator/frm_cw_macro_setup.h"
#include "operator/lamp.h"
#include "operator/network_keyer_bridge.h"
#include "operator/rig_bridge.h"
#include "operator/tavrik_menus.h"
#include "operator/virtual_keys.h"
#include "settings/setting_table.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <utility>

namespace tavrik {
bool RaiseIfOpen(QWidget* dialog)
{
    if (dialog == nullptr || !dialog->isVisible())
        return false;
    dialog->raise();
    dialog->activateWindow();
    return true;
}

FrmTavrik::FrmTavrik(TavrikDevices devices, QWidget* parent)
    : QMainWindow(parent),
      box_(new CwTextBox),
      station_({devices, *box_, *this, *this}),
      buttons_(station_.transmit(), station_, *this),
      router_(station_.transmit(), buttons_, *box_, *this)
{
    setObjectName(QStringLiteral("frmTavrik"));
    setWindowTitle(QStringLiteral("Tavrik - Software"));
    buildWindow();
    connectMenus();
    keyerSetupHost_.setWindows(keyerSetup_);
    station_.keyer().setCalibrationFinished([this] { keyerSetup_.showCalibrationReport(); });
    qApp->installEventFilter(this);
    rig_ = std::make_unique<RigBridge>(*this, *menus_, station_);
    networkKeyer_ = std::make_unique<NetworkKeyerBridge>(*this, *menus_, station_);
}

FrmTavrik::~FrmTavrik() = default;

void FrmTavrik::buildWindow()
{
    menus_ = std::make_unique<TavrikMenus>(menuBar());

    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    sBar_ = new StationToolBar(*this);
    connect(&sBar_->callsignField(), &QLineEdit::textChanged, &station_, &StationModel::callsignEdited);
    connect(&sBar_->nameField(), &QLineEdit::textChanged, &station_, &StationModel::nameEdited);
    connect(sBar_, &StationToolBar::srxEdited, &station_, &StationModel::srxEdited);
    column->addWidget(sBar_);

    box_->setParent(central);
    box_->setEvents(this);
    box_->setMinimumHeight(48);
    column->addWidget(box_, 1);

    banks_ = new MacroBanks(*column, this);
    connect(banks_, &MacroBanks::pressed, this, [this](int index) { buttons_.press(index); });
    connect(banks_, &MacroBanks::mouseDown, this, &FrmTavrik::closeMacroEditor);
    connect(banks_, &MacroBanks::rightClicked, this, &FrmTavrik::openMacroEditor);
    setCentralWidget(central);
}

void FrmTavrik::connectMenus()
{
    TavrikMenus& m = *menus_;
    TransmitControl& transmit = station_.transmit();
    connect(m.mnuTX, &QAction::triggered, this, [&transmit] { transmit.transmit(); });
    connect(m.mnuAbort, &QAction::triggered, this, [&transmit] { transmit.abort(); });
    connect(m.mnuTune, &QAction::triggered, this, [&transmit] { transmit.toggleTune(); });
    for (const auto& [entry, keying] : {std::pair{m.mnuVOX, KeyingMode::Vox}, std::pair{m.mnuMOX, KeyingMode::Mox}}) {
        connect(entry, &QAction::triggered, this, [this, keying] {
            station_.setKeying(keying);
            // A click on the entry already chosen only unchecked it.
            menus_->showKeying(station_.keying());
        });
    }
    // The serial-number tokens send the digit 0 as the entry chosen here.
    for (const auto& [entry, zero] : {std::pair{m.mnuSend0as0, SerialZero::Zero}, std::pair{m.mnuSend0asT, SerialZero::LetterT},
                                      std::pair{m.mnuSend0asO, SerialZero::LetterO}}) {
        connect(entry, &QAction::triggered, this, [this, zero] {
            station_.setSerialZero(zero);
            menus_->showSerialZero(zero);
        });
    }
    connect(m.mFkeys, &QAction::triggered, this, [this] { toggleBank(0); });
    connect(m.mSFkeys, &QAction::triggered, this, [this] { toggleBank(1); });
    connect(m.mAFkeys, &QAction::triggered, this, [this] { toggleBank(2); });
    connect(m.mnuShowCallsign, &QAction::triggered, this, &FrmTavrik::toggleToolBar);
    connect(m.mnuShowSRX, &QAction::triggered, this, &FrmTavrik::toggleSrxField);
    connect(m.mnuInsKey, &QAction::triggered, this, &FrmTavrik::showAssignKey);
    connectAppearanceMenus();
    connectKeyerMenus();
    connect(m.mnuPort, &QAction::triggered, this, &FrmTavrik::showKeyerSetup);
}

void FrmTavrik::toggleBank(int bank)
{
    static constexpr const Setting<TavrikSettings, bool>* kRows[3] = {
        &setting::kFKeysVisible, &setting::kAltFKeysVisible, &setting::kCtlFKeysVisible};
    QAction* entries[3] = {menus_->mFkeys, menus_->mSFkeys, menus_->mAFkeys};
    const bool shown = entries[bank]->isChecked();
    banks_->setBankShown(bank, shown);
    station_.write(Stored(*kRows[bank], shown));
    relayout();
}

void FrmTavrik::toggleToolBar()
{
    const bool shown = menus_->mnuShowCallsign->isChecked();
    sBar_->setVisible(shown);
    station_.write(Stored(setting::kCallsignFieldVisible, shown));
    relayout();
}

void FrmTavrik::toggleSrxField()
{
    const bool shown = menus_->mnuShowSRX->isChecked();
    sBar_->srxField().setVisible(shown);
    sBar_->srxField().setFixedWidth(shown ? static_cast<int>(600 / twipsPerPixel()) : 0);
    station_.write(Stored(setting::kSrxFieldVisible, shown));
    relayout();
}

void FrmTavrik::relayout()
{
    const int lowest = static_cast<int>(1020 / twipsPerPixel()) + banks_->shownHeight();
    centralWidget()->layout()->activate();
    setMinimumHeight(std::max(lowest, minimumSizeHint().height()));
    if (height() < minimumHeight())
        resize(width(), minimumHeight());
}

void FrmTavrik::showAssignKey()
{
    if (RaiseIfOpen(assignKey_))
        return;
    assignKey_ = new FrmAssignKey(router_.insertKeyCode(), [this](int code) {
        router_.setInsertKeyCode(code);
        station_.write(Stored(setting::kInsertKey, static_cast<std::int16_t>(code)));
    }, this);
    assignKey_->show();
}

void FrmTavrik::showKeyerSetup()
{
    switch (station_.keyerChoice()) {
    case KeyerChoice::Rig:
        rig_->openDialog();
        break;
    case KeyerChoice::Software:
        keyerSetup_.openSetup();
        break;
    case KeyerChoice::WinKey:
        showWinKeyConfig();
        break;
    }
}

void FrmTavrik::repaintMacroButton(int index)
{
    banks_->repaint(index, station_.macroStore().slot(index));
}

void FrmTavrik::openMacroEditor(int index)
{
    closeMacroEditor();
    FrmCwMacroSetup::Host host{
        station_.macroStore(), station_.dialogs(), [this](int n) { repaintMacroButton(n); },
        [this](const QString& key, const QString& value) {
            station_.writeSetting(QLatin1String(setting::kMainSection), key, value);
        },
        [this](std::function<void()> open) { station_.endTransmissionThen(std::move(open)); }};
    macroEditor_ = new FrmCwMacroSetup(index, std::move(host), this);
    macroEditor_->show();
}

FrmCwMacroSetup* FrmTavrik::macroEditor() const
{
    // A closed editor is gone once the event loop deletes it; until then it only looks open.
    return macroEditor_ && macroEditor_->isVisible() ? macroEditor_.data() : nullptr;
}

void FrmTavrik::closeMacroEditor()
{
    if (macroEditor_)
        macroEditor_->close();
}

QString FrmTavrik::speedText() const
{
    return sBar_->speedLabel().text();
}

// --- StationView -------------------------------------------------------------------------

void FrmTavrik::processPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // The display server draws what was just painted now, while the wait is far from its
    // edge, rather than in its last stretch beside a keyer that spins.
    QGuiApplication::sync();
}

void FrmTavrik::showSendingControls(bool sending)
{
    menus_->showSending(sending);
    sBar_->history().setEnabled(!sending);
}

void FrmTavrik::showTransmitEnabled(bool enabled)
{
    menus_->mnuTX->setEnabled(enabled);
}

void FrmTavrik::showSpeedText(const QString& text)
{
    sBar_->speedLabel().setText(text);
}

void FrmTavrik::showKeyLamp(bool on)
{
    sBar_->keyLamp().setOn(on);
}

void FrmTavrik::showPttLamp(bool on)
{
    sBar_->pttLamp().setOn(on);
}

void FrmTavrik::showKeyingLinesGone(bool gone)
{
    sBar_->keyLamp().setLineGone(gone);
    sBar_->pttLamp().setLineGone(gone);
}

void FrmTavrik::pressButton(int index)
{
    buttons_.press(index);
}

void FrmTavrik::clearCallsign()
{
    sBar_->callsignField().clear();
}

// --- typing box --------------------------------------------------------------------------

void FrmTavrik::typingBoxKeyDown(int& keyCode, int& shift)
{
    router_.setWinKeySelected(station_.winKeySelected());
    router_.typingBoxKeyDown(keyCode, shift);
}

void FrmTavrik::typingBoxKeyPress(int& keyAscii)
{
    router_.setWinKeySelected(station_.winKeySelected());
    router_.typingBoxKeyPress(keyAscii);
}

void FrmTavrik::typingBoxChanged()
{
    station_.transmit().typingBoxChanged();
}

void FrmTavrik::typingBoxMouseDown()
{
    station_.transmit().cancelLoop();
}

void FrmTavrik::typingBoxMouseUp(Qt::MouseButton button)
{
    if (button != Qt::RightButton)
        return;
    // An empty clipboard changes nothing, so it must not start what is left in the box.
    if (box_->pasteClipboardAtEnd())
        station_.transmit().typingBoxChanged();
}

void FrmTavrik::typingBoxFocused()
{
    callsignIsActiveBox_ = false;
}

bool FrmTavrik::claimsAltKey(int keyCode) const
{
    return keyCode >= 33 && buttons_.accessLetterButton(keyCode) != 0;
}

// --- contact fields ----------------------------------------------------------------------

void FrmTavrik::fieldKeyDown(ContactField field, int& keyCode, int& shift)
{
    router_.fieldKeyDown(field, keyCode, shift);
}

void FrmTavrik::fieldKeyPress(ContactField field, int& keyAscii)
{
    router_.fieldKeyPress(field, keyAscii);
}

void FrmTavrik::fieldMouseDown(ContactField field)
{
    if (field != ContactField::Srx)
        station_.transmit().cancelLoop();
}

void FrmTavrik::fieldFocused(ContactField field)
{
    if (field == ContactField::Callsign)
        callsignIsActiveBox_ = true;
}

void FrmTavrik::addCallsignToHistory()
{
    sBar_->addCallsignToHistory();
}

// --- focus -------------------------------------------------------------------------------

void FrmTavrik::focusTypingBox()
{
    box_->setFocus();
}

void FrmTavrik::focusField(ContactField field)
{
    ContactFieldEdit& edit = sBar_->field(field);
    edit.setFocus();
    edit.end(false);
}

bool FrmTavrik::srxFieldShown() const
{
    return menus_->mnuShowSRX->isChecked();
}

void FrmTavrik::focusActiveTextBoxAtEnd()
{
    if (callsignIsActiveBox_) {
        focusField(ContactField::Callsign);
    } else {
        box_->moveCaretToEnd();
        box_->setFocus();
    }
}

} // namespace tavrik
