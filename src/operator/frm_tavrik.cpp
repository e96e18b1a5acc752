#include "operator/frm_tavrik.h"

#include "operator/frm_assign_key.h"
#include "operator/frm_cw_macro_setup.h"
#include "operator/lamp.h"
#include "operator/network_keyer_bridge.h"
#include "operator/rig_bridge.h"
#include "operator/tavrik_menus.h"
#include "operator/virtual_keys.h"
#include "common/vb_numbers.h"

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
namespace {

// Container names of the three banks, top to bottom: F, Alt+F and Ctrl+F keys.
constexpr const char* kBankNames[3] = {"ElasticOne3", "ElasticOne2", "ElasticOne1"};

} // namespace

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
      devices_(devices),
      box_(new CwTextBox),
      cwControl_(SerialDevices(), devices.modemLines),
      winKeyLine_(cwControl_),
      keyerPort_(devices.parallelPort, cwControl_, lineRequests_),
      radioPtt_(keyerPort_, rigClient_),
      sidetone_(QString(), devices.clock),
      link_(*this),
      lineRequests_(link_, [this](const QString& why) { sharedLinesFailed(why); }),
      keyerLink_(link_, &lineRequests_),
      timer1_(link_),
      keyer_({devices.clock, devices.priority, radioPtt_, sidetone_, *box_, keyerLink_, *this}),
      winKey_(winKeyLine_, devices.clock, *this),
      winKeyHandOver_(winKey_, keyer_, *box_, *this),
      transmit_(keyer_, *box_, *this, &winKeyHandOver_),
      buttons_(transmit_, *this, *this),
      router_(transmit_, buttons_, *box_, *this),
      macroContext_(*this),
      expander_(macroContext_)
{
    setObjectName(QStringLiteral("frmTavrik"));
    setWindowTitle(QStringLiteral("Tavrik - Software"));
    buildWindow();
    connectMenus();
    transmit_.setMacroExpander([this](const QString& text) { return expander_.ExpandMacro(text); });
    loopTimer_.setSingleShot(false);
    connect(&loopTimer_, &QTimer::timeout, this, [this] { transmit_.loopTimerFired(); });
    keyer_.setCalibrationFinished([this] { keyerSetup_.showCalibrationReport(); });
    qApp->installEventFilter(this);
    afterSending_.setSingleShot(true);
    connect(&afterSending_, &QTimer::timeout, this, &FrmTavrik::runWhatWaitedForTheEnd);
    // A logging program slow to answer a line request must not freeze the window. Keys and
    // clicks wait until the request is answered: what they do may need the lines.
    link_.setWhileWaiting([] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    });
    rig_ = std::make_unique<RigBridge>(RigBridge::Parts{
        *this, *menus_, rigClient_, radioPtt_, keyer_, *box_, keyerLink_, *this, transmit_,
        [this] { return settingsFile_.get(); }, [this](const QString& notice) { endTransmissionTelling(notice); },
        [this] {
            winKey_.closePort();
            winKeyStateLabel_->setVisible(false);
            keyBox_->setOn(false);
            box_->clear();
            settingsFile_->setReadSection(QStringLiteral("frmTavrik Settings"));
            keyer_.setOperatorSpeed(WholeNumber(settingsFile_->ReadSetting(QStringLiteral("WPM"), QStringLiteral("20"))).value_or(20));
        }});
    networkKeyer_ = std::make_unique<NetworkKeyerBridge>(NetworkKeyerBridge::Parts{
        *this, *menus_, keyer_, *box_, transmit_, sidetone_, [this]() -> const TavrikSettings& { return settings_; },
        [this] { return settingsFile_.get(); }});
}

FrmTavrik::~FrmTavrik() = default;

void FrmTavrik::buildWindow()
{
    menus_ = std::make_unique<TavrikMenus>(menuBar());

    auto* central = new QWidget;
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    column->addWidget(buildToolBar());

    box_->setParent(central);
    box_->setEvents(this);
    box_->setMinimumHeight(48);
    column->addWidget(box_, 1);

    for (int bank = 0; bank < 3; ++bank)
        column->addWidget(buildBank(bank));
    setCentralWidget(central);
}

QWidget* FrmTavrik::buildToolBar()
{
    sBar_ = new QFrame;
    sBar_->setObjectName(QStringLiteral("sBar"));
    sBar_->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(sBar_);
    row->setContentsMargins(6, 3, 6, 3);
    row->setSpacing(6);

    speedLabel_ = new QLabel(sBar_);
    speedLabel_->setObjectName(QStringLiteral("sBarSpeed"));
    QFont bold = speedLabel_->font();
    bold.setBold(true);
    speedLabel_->setFont(bold);
    row->addWidget(speedLabel_);
    row->addStretch(1);

    keyBox_ = new Lamp(QStringLiteral("KeyBox"), QStringLiteral("KEY"), sBar_);
    pttBox_ = new Lamp(QStringLiteral("PTTBox"), QStringLiteral("PTT"), sBar_);
    row->addWidget(keyBox_);
    row->addWidget(pttBox_);

    cmbPrevious_ = new QComboBox(sBar_);
    cmbPrevious_->setObjectName(QStringLiteral("cmbPrevious"));
    cmbPrevious_->setToolTip(QStringLiteral("Callsigns logged last"));
    cmbPrevious_->setMinimumContentsLength(8);
    cmbPrevious_->setFocusPolicy(Qt::ClickFocus);
    connect(cmbPrevious_, qOverload<int>(&QComboBox::activated), this, &FrmTavrik::historyPicked);
    row->addWidget(cmbPrevious_);

    const auto field = [&](ContactField which, const char* name, const QString& hint, int chars) {
        auto* edit = new ContactFieldEdit(which, QLatin1String(name), sBar_);
        edit->setEvents(this);
        edit->setPlaceholderText(hint);
        edit->setToolTip(hint);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('W')) * chars);
        row->addWidget(edit);
        return edit;
    };
    callsign_ = field(ContactField::Callsign, "CallsignField", QStringLiteral("Callsign"), 8);
    QFont callFont = callsign_->font();
    callFont.setBold(true);
    callsign_->setFont(callFont);
    srx_ = field(ContactField::Srx, "SRXField", QStringLiteral("Received exchange"), 4);
    name_ = field(ContactField::Name, "NameField", QStringLiteral("Name"), 7);
    srx_->setVisible(false);
    connect(callsign_, &QLineEdit::textChanged, this, &FrmTavrik::callsignChanged);
    connect(name_, &QLineEdit::textChanged, this, &FrmTavrik::nameChanged);
    connect(srx_, &QLineEdit::textChanged, this, &FrmTavrik::srxChanged);
    srx_->setText(QStringLiteral("###"));
    return sBar_;
}

QWidget* FrmTavrik::buildBank(int bank)
{
    auto* container = new QWidget;
    container->setObjectName(QLatin1String(kBankNames[bank]));
    auto* row = new QHBoxLayout(container);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    for (int i = 1; i <= 12; ++i) {
        const int index = bank * 12 + i;
        auto* b = new MacroButton(index, container);
        btnf_[static_cast<std::size_t>(index)] = b;
        connect(b, &QAbstractButton::clicked, this, [this, index] { buttons_.press(index); });
        connect(b, &MacroButton::mouseDown, this, &FrmTavrik::closeMacroEditor);
        connect(b, &MacroButton::rightClicked, this, &FrmTavrik::openMacroEditor);
        row->addWidget(b);
        // A small gap after every fourth key, as on the keyboard.
        if (i % 4 == 0 && i < 12)
            row->addSpacing(6);
    }
    banks_[static_cast<std::size_t>(bank)] = container;
    return container;
}

void FrmTavrik::connectMenus()
{
    TavrikMenus& m = *menus_;
    connect(m.mnuTX, &QAction::triggered, this, [this] { transmit_.transmit(); });
    connect(m.mnuAbort, &QAction::triggered, this, [this] { transmit_.abort(); });
    connect(m.mnuTune, &QAction::triggered, this, [this] { transmit_.toggleTune(); });
    const auto keying = [this](bool manual, bool nowChecked) {
        QAction* chosen = manual ? menus_->mnuMOX : menus_->mnuVOX;
        QAction* other = manual ? menus_->mnuVOX : menus_->mnuMOX;
        chosen->setChecked(true);
        // The click unchecked an entry that was already chosen: nothing else changes.
        if (!nowChecked)
            return;
        other->setChecked(false);
        menus_->mnuTX->setEnabled(manual && box_->length() > 0);
        writeSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("Keying"),
                     manual ? QStringLiteral("MOX") : QStringLiteral("VOX"));
    };
    connect(m.mnuVOX, &QAction::triggered, this, [keying](bool checked) { keying(false, checked); });
    connect(m.mnuMOX, &QAction::triggered, this, [keying](bool checked) { keying(true, checked); });
    // The serial-number tokens send the digit 0 as the entry chosen here.
    const std::array<std::pair<QAction*, const char*>, 3> zeroEntries{
        {{m.mnuSend0as0, "0"}, {m.mnuSend0asT, "T"}, {m.mnuSend0asO, "O"}}};
    for (const auto& [entry, value] : zeroEntries) {
        connect(entry, &QAction::triggered, this, [this, zeroEntries, entry, value] {
            for (const auto& other : zeroEntries)
                other.first->setChecked(other.first == entry);
            writeSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("Serial # 0 preference"),
                         QLatin1String(value));
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
    // The second and third banks are stored under the names they had before the modifier
    // keys were swapped; files in use rely on them.
    static const char* const kKeys[3] = {"F Keys Visible", "SHIFT F Keys Visible", "ALT F Keys Visible"};
    QAction* entries[3] = {menus_->mFkeys, menus_->mSFkeys, menus_->mAFkeys};
    const bool shown = entries[bank]->isChecked();
    banks_[static_cast<std::size_t>(bank)]->setVisible(shown);
    writeSetting(QStringLiteral("frmTavrik Settings"), QLatin1String(kKeys[bank]),
                 shown ? QStringLiteral("True") : QStringLiteral("False"));
    relayout();
}

void FrmTavrik::toggleToolBar()
{
    const bool shown = menus_->mnuShowCallsign->isChecked();
    sBar_->setVisible(shown);
    writeSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("Callsign Field Visible"),
                 shown ? QStringLiteral("True") : QStringLiteral("False"));
    relayout();
}

void FrmTavrik::toggleSrxField()
{
    const bool shown = menus_->mnuShowSRX->isChecked();
    srx_->setVisible(shown);
    srx_->setFixedWidth(shown ? static_cast<int>(600 / twipsPerPixel()) : 0);
    writeSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("SRX Field Visible"),
                 shown ? QStringLiteral("True") : QStringLiteral("False"));
    relayout();
}

void FrmTavrik::relayout()
{
    int lowest = static_cast<int>(1020 / twipsPerPixel());
    for (const QWidget* bank : banks_) {
        if (!bank->isHidden())
            lowest += bank->sizeHint().height();
    }
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
        writeSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("Insert Key"), QString::number(code));
    }, this);
    assignKey_->show();
}

void FrmTavrik::showKeyerSetup()
{
    if (rig_->chosen())
        rig_->openDialog();
    else if (menus_->mnuSoftwareKeyer->isChecked())
        keyerSetup_.openSetup();
    else
        showWinKeyConfig();
}

void FrmTavrik::setFormReady(bool ready)
{
    transmit_.setFormReady(ready);
}

void FrmTavrik::repaintMacroButton(int index)
{
    const MacroSlot& slot = macroStore_.slot(index);
    MacroButton& b = button(index);
    b.setCaption(slot.caption);
    b.setAppearance(NormalLook(slot), MouseOverLook(slot));
}

void FrmTavrik::openMacroEditor(int index)
{
    closeMacroEditor();
    FrmCwMacroSetup::Host host{
        macroStore_, devices_.dialogs, [this](int n) { repaintMacroButton(n); },
        [this](const QString& key, const QString& value) {
            writeSetting(QStringLiteral("frmTavrik Settings"), key, value);
        },
        [this](std::function<void()> open) { endTransmissionThen(std::move(open)); }};
    macroEditor_ = new FrmCwMacroSetup(index, std::move(host), this);
    macroEditor_->show();
}

void FrmTavrik::endTransmissionThen(std::function<void()> open)
{
    if (sendingNow())
        transmit_.abort();
    // The send loop lets go of the lines on its way out; the picker waits until it has.
    whenNotSending(std::move(open));
}

bool FrmTavrik::sendingNow() const
{
    return keyer_.state().isSending || transmit_.tuneActive();
}

void FrmTavrik::whenNotSending(std::function<void()> action)
{
    if (!sendingNow()) {
        action();
        return;
    }
    waitingForTheEnd_.push_back(std::move(action));
}

void FrmTavrik::runWhatWaitedForTheEnd()
{
    // An abort inside a wait leaves the sending state before the send loop has returned:
    // the end of that loop starts the timer again.
    if (sendingNow())
        return;
    std::vector<std::function<void()>> actions;
    actions.swap(waitingForTheEnd_);
    for (const auto& action : actions)
        action();
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
    return speedLabel_->text();
}

// --- KeyerWindow -------------------------------------------------------------------------

void FrmTavrik::processPendingEvents()
{
    keyBox_->setOn(keyLampOn_);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // The display server draws what was just painted now, while the wait is far from its
    // edge, rather than in its last stretch beside a keyer that spins.
    QGuiApplication::sync();
}

void FrmTavrik::setLinkTimerRunning(bool running)
{
    timer1_.setRunning(running);
}

void FrmTavrik::setSendingControls(bool sending)
{
    if (sending && settingsFile_ && !settingsFile_->writesHeld()) {
        settingsFile_->holdWrites();
        waitingForTheEnd_.push_back([this] { settingsFile_->releaseWrites(); });
    }
    if (!sending && !waitingForTheEnd_.empty())
        afterSending_.start(0);
    menus_->mnuConfig->menuAction()->setEnabled(!sending);
    menus_->mnuTX->setEnabled(!sending);
    menus_->mnuAbort->setEnabled(sending);
    cmbPrevious_->setEnabled(!sending);
    menus_->mnuView->menuAction()->setEnabled(!sending);
    menus_->mnuKeying->menuAction()->setEnabled(!sending);
    keyBox_->setOn(keyLampOn_);
}

void FrmTavrik::showSpeedText(const QString& text)
{
    speedLabel_->setText(text);
}

void FrmTavrik::showKeyLamp(bool on)
{
    keyLampOn_ = on;
    // While the send loop keys, the lamp follows when the next wait processes events: a
    // repaint request between a key edge and the wait that times it lengthens the element.
    if (!keyer_.state().isSending || transmit_.tuneActive())
        keyBox_->setOn(on);
}

void FrmTavrik::showPttLamp(bool on)
{
    pttBox_->setOn(on);
}

void FrmTavrik::armPendingLoop()
{
    transmit_.armPendingLoop();
}

void FrmTavrik::logContactIfRequested()
{
    transmit_.logContactIfRequested();
}

// --- TransmitControls --------------------------------------------------------------------

bool FrmTavrik::manualTransmit() const
{
    return menus_->mnuMOX->isChecked();
}

bool FrmTavrik::winKeySelected() const
{
    return menus_->mnuWinKey->isChecked();
}

void FrmTavrik::setTransmitEnabled(bool enabled)
{
    menus_->mnuTX->setEnabled(enabled);
}

void FrmTavrik::startLoopTimer(int intervalMs)
{
    loopTimer_.start(intervalMs);
}

void FrmTavrik::stopLoopTimer()
{
    loopTimer_.stop();
}

void FrmTavrik::pressButton(int index)
{
    buttons_.press(index);
}

void FrmTavrik::logContact()
{
    link_.logContact();
}

bool FrmTavrik::keyingLinesReady()
{
    if (!softwareKeyerOnDedicatedSerial() || cwControl_.portOpen())
        return true;
    const QString why = cwControl_.lastError().isEmpty()
                            ? QStringLiteral("%1 is not open").arg(keyerPort_.settings().dedicatedSerialPort)
                            : cwControl_.lastError();
    cwControl_.clearError();
    box_->showNotice(PortErrorText(why));
    showKeyingPortState();
    return false;
}

// --- typing box --------------------------------------------------------------------------

void FrmTavrik::typingBoxKeyDown(int& keyCode, int& shift)
{
    router_.setWinKeySelected(winKeySelected());
    router_.typingBoxKeyDown(keyCode, shift);
}

void FrmTavrik::typingBoxKeyPress(int& keyAscii)
{
    router_.setWinKeySelected(winKeySelected());
    router_.typingBoxKeyPress(keyAscii);
}

void FrmTavrik::typingBoxChanged()
{
    transmit_.typingBoxChanged();
}

void FrmTavrik::typingBoxMouseDown()
{
    transmit_.cancelLoop();
}

void FrmTavrik::typingBoxMouseUp(Qt::MouseButton button)
{
    if (button != Qt::RightButton)
        return;
    // An empty clipboard changes nothing, so it must not start what is left in the box.
    if (box_->pasteClipboardAtEnd())
        transmit_.typingBoxChanged();
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
        transmit_.cancelLoop();
}

void FrmTavrik::fieldFocused(ContactField field)
{
    if (field == ContactField::Callsign)
        callsignIsActiveBox_ = true;
}

void FrmTavrik::callsignChanged(const QString& text)
{
    if (!transmit_.formReady())
        return;
    transmit_.callsignFieldChanged(lastCallsign_, text);
    if (link_.isUp())
        link_.writeSlot(0, text);
    lastCallsign_ = text;
}

void FrmTavrik::nameChanged(const QString& text)
{
    if (transmit_.formReady() && link_.isUp())
        link_.writeSlot(1, text);
}

void FrmTavrik::srxChanged(const QString& text)
{
    // Never empty: "###" stands for nothing received yet, and goes as soon as something does.
    QString shown = text;
    if (shown.isEmpty())
        shown = QStringLiteral("###");
    else if (shown.startsWith(QLatin1String("###")) && shown.size() >= 4)
        shown = shown.mid(3);
    if (shown != text) {
        srx_->setText(shown);
        return;
    }
    srx_->end(false);
    if (link_.isUp())
        link_.writeSlot(6, shown);
}

void FrmTavrik::addCallsignToHistory()
{
    const QString call = callsign_->text();
    if (call.isEmpty())
        return;
    cmbPrevious_->insertItem(0, call);
    if (cmbPrevious_->count() > 8)
        cmbPrevious_->removeItem(8);
    cmbPrevious_->setCurrentIndex(0);
    historyPicked(0);
}

void FrmTavrik::historyPicked(int row)
{
    if (row < 0)
        return;
    callsign_->setText(cmbPrevious_->itemText(row));
    callsign_->setFocus();
    callsign_->end(false);
}

// --- focus -------------------------------------------------------------------------------

void FrmTavrik::focusTypingBox()
{
    box_->setFocus();
}

void FrmTavrik::focusField(ContactField field)
{
    ContactFieldEdit* edit = field == ContactField::Callsign ? callsign_ : field == ContactField::Name ? name_ : srx_;
    edit->setFocus();
    edit->end(false);
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

// --- macros ------------------------------------------------------------------------------

QString FrmTavrik::macroText(int index) const
{
    return index >= 0 && index <= MacroButtons::kButtonCount ? macroStore_.slot(index).text : QString();
}

QString FrmTavrik::macroCaption(int index) const
{
    return index >= 0 && index <= MacroButtons::kButtonCount ? macroStore_.slot(index).caption : QString();
}

} // namespace tavrik
