#include "keyer/setup/frm_port.h"

#include "common/center_form.h"
#include "keyer/keyer_port.h"
#include "keyer/setup/keyer_setup_host.h"
#include "keyer/software_keyer.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace tavrik {
namespace {

constexpr QChar kDash(0x2014); // em dash between a port name and its device

template <typename W>
W* Named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QString PortCaption(int n, const QString& device)
{
    const QString name = QStringLiteral("Comm%1").arg(n);
    return device.isEmpty() ? name : name + QStringLiteral(" ") + kDash + QStringLiteral(" ") + device;
}

} // namespace

RatioBox::RatioBox(const char* name, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QLatin1String(name));
    setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
}

void RatioBox::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    setSelection(0, 1);
}

void RatioBox::keyPressEvent(QKeyEvent* e)
{
    // Pasting would bring in what typing may not.
    if (e->matches(QKeySequence::Paste)) {
        e->accept();
        return;
    }
    const QString typed = e->text();
    const bool character = typed.size() == 1 && typed.at(0).isPrint();
    if (character && !typed.at(0).isDigit() && typed.at(0) != u'.') {
        e->accept();
        return;
    }
    if (character && typed.at(0).isDigit() && (typed.at(0) < u'0' || typed.at(0) > u'9')) {
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

FrmPort::FrmPort(KeyerSetupHost& host, QStringList presentDevices, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::WindowSystemMenuHint),
      host_(host),
      setup_(host),
      presentDevices_(std::move(presentDevices))
{
    setObjectName(QStringLiteral("frmPort"));
    setWindowTitle(QStringLiteral("Keyer setup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    column->addWidget(buildPortGroup());
    auto* middle = new QHBoxLayout;
    middle->setSpacing(10);
    middle->addWidget(buildTimingGroup(), 1);
    middle->addWidget(buildSoundGroup(), 1);
    column->addLayout(middle);
    column->addWidget(buildButtons());
    setSizeGripEnabled(false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* FrmPort::buildPortGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Keying port"));
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);

    // The captions carry leading blanks so their text lines up against the boxes at the right.
    const auto modeBox = [this](const char* name, const char* caption) {
        auto* box = Named(new QCheckBox(QLatin1String(caption)), name);
        box->setLayoutDirection(Qt::RightToLeft);
        connect(box, &QCheckBox::clicked, this, [this, box](bool checked) { portBoxClicked(box, checked); });
        return box;
    };
    checkParallel_ = modeBox("CheckParallel", "             Use parallel port for CW");
    checkSerial_ = modeBox("CheckSerial", "Use dedicated serial port for CW");
    checkSharedSerial_ = modeBox("CheckSharedSerial", "    Use shared serial port for CW");

    parallelAddressLabel_ = Named(new QLabel(QStringLiteral("Parallel port address")), "Label2");
    parallelAddress_ = Named(new QLineEdit, "Text2");
    parallelAddressLabel_->setBuddy(parallelAddress_);
    comPortLabel_ = Named(new QLabel(QStringLiteral("Com port")), "Label10");
    cmbPort_ = Named(new QComboBox, "cmbPort");
    for (int n = 1; n <= 8; ++n)
        cmbPort_->addItem(QStringLiteral("Comm%1").arg(n), QStringLiteral("Comm%1").arg(n));
    cmbPort_->setMinimumContentsLength(24);
    cmbPort_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(cmbPort_, &QComboBox::currentIndexChanged, this, [this] { portChosen(); });
    deviceLabel_ = Named(new QLabel(QStringLiteral("Device")), "LabelDevice");
    cmbDevice_ = Named(new QComboBox, "cmbDevice");
    cmbDevice_->setEditable(true);
    cmbDevice_->addItems(presentDevices_);
    cmbDevice_->setToolTip(QStringLiteral("The serial device this port name stands for on this computer"));
    cmbDevice_->setMinimumContentsLength(24);
    cmbDevice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(cmbDevice_, &QComboBox::currentTextChanged, this, &FrmPort::deviceEdited);
    comPortLabel_->setBuddy(cmbPort_);
    deviceLabel_->setBuddy(cmbDevice_);

    pttOnPort_ = Named(new QCheckBox(QStringLiteral("PTT on selected port")), "Check5");
    auto* label4 = Named(new QLabel(QStringLiteral("Tx delay (in ms)")), "Label4");
    pttDelay_ = Named(new QLineEdit, "Text3");
    label4->setBuddy(pttDelay_);
    parallelAddress_->setMaximumWidth(parallelAddress_->fontMetrics().horizontalAdvance(QStringLiteral("&HFFFFFF")) + 16);
    pttDelay_->setMaximumWidth(parallelAddress_->maximumWidth());

    // The mode boxes stand in one column, their check marks in line; each row's fields
    // follow at the right.
    pttOnPort_->setLayoutDirection(Qt::RightToLeft);
    grid->addWidget(checkParallel_, 0, 0, Qt::AlignRight | Qt::AlignAbsolute);
    grid->addWidget(parallelAddressLabel_, 0, 1, Qt::AlignRight);
    grid->addWidget(parallelAddress_, 0, 2, Qt::AlignLeft);
    grid->addWidget(checkSerial_, 1, 0, Qt::AlignRight | Qt::AlignAbsolute);
    grid->addWidget(comPortLabel_, 1, 1, Qt::AlignRight);
    grid->addWidget(cmbPort_, 1, 2);
    grid->addWidget(checkSharedSerial_, 2, 0, Qt::AlignRight | Qt::AlignAbsolute);
    grid->addWidget(deviceLabel_, 2, 1, Qt::AlignRight);
    grid->addWidget(cmbDevice_, 2, 2);
    grid->addWidget(pttOnPort_, 3, 0, Qt::AlignRight | Qt::AlignAbsolute);
    grid->addWidget(label4, 3, 1, Qt::AlignRight);
    grid->addWidget(pttDelay_, 3, 2, Qt::AlignLeft);
    portProblem_ = Named(new QLabel, "lblPortProblem");
    portProblem_->setWordWrap(true);
    portProblem_->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
    portProblem_->setVisible(false);
    grid->addWidget(portProblem_, 4, 0, 1, 3);
    grid->setColumnMinimumWidth(1, 0);
    grid->setColumnStretch(2, 1);
    return group;
}

QWidget* FrmPort::buildTimingGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Timing"));
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(6);
    const auto ratioRow = [grid](int row, const char* labelName, const char* caption, RatioBox* box) {
        auto* label = Named(new QLabel(QLatin1String(caption)), labelName);
        label->setBuddy(box);
        grid->addWidget(label, row, 0, Qt::AlignRight);
        grid->addWidget(box, row, 1);
        grid->addWidget(Named(new QLabel(QStringLiteral("dots.")), "Label8"), row, 2);
    };
    dashLength_ = new RatioBox("Text4");
    letterSpace_ = new RatioBox("Text5");
    wordSpace_ = new RatioBox("Text6");
    ratioRow(0, "Label9", "A dash =", dashLength_);
    ratioRow(1, "Label6", "A letter space =", letterSpace_);
    ratioRow(2, "Label7", "A word space =", wordSpace_);
    grid->setColumnStretch(3, 1);

    lbl_ = Named(new QLabel, "lbl");
    QFont bold = lbl_->font();
    bold.setBold(true);
    lbl_->setFont(bold);
    dotLengthSlider_ = Named(new QSlider(Qt::Horizontal), "DotLengthSlider");
    dotLengthSlider_->setRange(KeyerSetup::kSlowestWpm, KeyerSetup::kFastestWpm);
    dotLengthSlider_->setPageStep(5);
    dotLengthSlider_->setTickPosition(QSlider::TicksBelow);
    dotLengthSlider_->setTickInterval(5);
    connect(dotLengthSlider_, &QSlider::valueChanged, this, &FrmPort::speedMoved);
    grid->addWidget(lbl_, 3, 0, 1, 4);
    grid->addWidget(dotLengthSlider_, 4, 0, 1, 4);
    grid->setRowStretch(5, 1);
    return group;
}

QWidget* FrmPort::buildSoundGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Sidetone and sending"));
    auto* grid = new QGridLayout(group);
    auto* label5 = Named(new QLabel(QStringLiteral("Tone")), "Label5");
    pitch_ = Named(new QSlider(Qt::Horizontal), "Pitch");
    pitch_->setRange(KeyerSetup::kLowestPitch, KeyerSetup::kHighestPitch);
    pitch_->setSingleStep(10);
    pitch_->setPageStep(100);
    pitch_->setTickPosition(QSlider::TicksBelow);
    pitch_->setTickInterval(100);
    pitchValue_ = Named(new QLabel, "PitchValue");
    pitchValue_->setMinimumWidth(pitchValue_->fontMetrics().horizontalAdvance(QStringLiteral("1500 Hz")));
    pitchValue_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label5->setBuddy(pitch_);
    connect(pitch_, &QSlider::valueChanged, this, &FrmPort::pitchMoved);

    ckSidetone_ = Named(new QCheckBox(QStringLiteral(" Sidetone (requires DirectX)")), "ckSidetone");
    btnTest_ = Named(new QPushButton(QStringLiteral("Tone test")), "btnTest");
    btnTest_->setAutoDefault(false);
    btnTest_->setToolTip(QStringLiteral("Sounds the sidetone while held down"));
    connect(ckSidetone_, &QCheckBox::toggled, btnTest_, &QWidget::setEnabled);
    connect(btnTest_, &QPushButton::pressed, this, &FrmPort::toneTestPressed);
    connect(btnTest_, &QPushButton::released, this, &FrmPort::toneTestReleased);
    ckSlowTyping_ = Named(new QCheckBox(QStringLiteral("Slow typing")), "ckSlowTyping");
    disablePolling_ = Named(new QCheckBox(QStringLiteral("Disable radio polling when keying")), "Chk6");

    grid->addWidget(label5, 0, 0);
    grid->addWidget(pitch_, 0, 1);
    grid->addWidget(pitchValue_, 0, 2);
    grid->addWidget(ckSidetone_, 1, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(btnTest_, 1, 2);
    grid->addWidget(ckSlowTyping_, 2, 0, 1, 3, Qt::AlignLeft);
    grid->addWidget(disablePolling_, 3, 0, 1, 3, Qt::AlignLeft);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(1, 1);
    return group;
}

QWidget* FrmPort::buildButtons()
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto button = [this](const char* name, const char* caption) {
        auto* b = Named(new QPushButton(QLatin1String(caption)), name);
        b->setAutoDefault(false);
        return b;
    };
    arButton1_ = button("ARButton1", "20 WPM test");
    arButton2_ = button("ARButton2", "40 WPM test");
    arButton1_->setToolTip(QStringLiteral("Sends PARIS 20 times at 20 WPM and reports how long it took"));
    arButton2_->setToolTip(QStringLiteral("Sends PARIS 40 times at 40 WPM and reports how long it took"));
    btnOK_ = button("btnOK", "Apply");
    btnCancel_ = button("btnCancel", "Cancel");
    btnOK_->setDefault(true);
    connect(arButton1_, &QPushButton::clicked, this, [this] { testClicked(20); });
    connect(arButton2_, &QPushButton::clicked, this, [this] { testClicked(40); });
    connect(btnOK_, &QPushButton::clicked, this, &FrmPort::applyClicked);
    connect(btnCancel_, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(arButton1_);
    layout->addWidget(arButton2_);
    layout->addStretch(1);
    layout->addWidget(btnOK_);
    layout->addWidget(btnCancel_);
    return row;
}

void FrmPort::load()
{
    const KeyerSetupValues v = setup_.load();
    devices_ = v.serialDevices;
    refreshPortCaptions();
    cmbPort_->setCurrentIndex(-1);
    cmbPort_->setPlaceholderText(QLatin1String(KeyerSetup::kNoPort));

    // The speed is already in effect (or, out of the slider's range, not to be touched yet):
    // the setup's load has dealt with the dot length, so the slider only shows it.
    dotLengthSlider_->blockSignals(true);
    dotLengthSlider_->setValue(v.wpm);
    dotLengthSlider_->blockSignals(false);
    lbl_->setText(KeyerSetup::SpeedCaption(v.wpm));
    parallelAddress_->setText(v.parallelAddress);
    pttDelay_->setText(v.pttDelay);
    dashLength_->setText(v.dashLength);
    letterSpace_->setText(v.letterSpace);
    wordSpace_->setText(v.wordSpace);
    pttOnPort_->setChecked(v.ptt);
    ckSlowTyping_->setChecked(v.slowTyping);
    disablePolling_->setChecked(v.disablePolling);
    checkParallel_->setChecked(v.portMode == KeyingPortMode::Parallel);
    checkSerial_->setChecked(v.portMode == KeyingPortMode::DedicatedSerial);
    checkSharedSerial_->setChecked(v.portMode == KeyingPortMode::SharedSerial);
    showSerialPortName(v.serialPortName);
    ckSidetone_->setChecked(v.sidetone);
    btnTest_->setEnabled(v.sidetone);
    pitch_->blockSignals(true);
    pitch_->setValue(v.pitch);
    pitch_->blockSignals(false);
    pitchValue_->setText(QStringLiteral("%1 Hz").arg(v.pitch));
    if (!isVisible())
        adjustSize();
    CenterForm(*this);
    updatePortControls();
}

KeyerSetupValues FrmPort::values() const
{
    KeyerSetupValues v;
    // The serial box wins whatever else is ticked, as Apply has always read it first.
    v.portMode = checkSerial_->isChecked()     ? KeyingPortMode::DedicatedSerial
                 : checkParallel_->isChecked() ? KeyingPortMode::Parallel
                                               : KeyingPortMode::SharedSerial;
    v.parallelAddress = parallelAddress_->text();
    v.serialPortName = serialPortName();
    v.serialDevices = devices_;
    v.ptt = pttOnPort_->isChecked();
    v.pttDelay = pttDelay_->text();
    v.dashLength = dashLength_->text();
    v.letterSpace = letterSpace_->text();
    v.wordSpace = wordSpace_->text();
    v.wpm = dotLengthSlider_->value();
    v.pitch = pitch_->value();
    v.sidetone = ckSidetone_->isChecked();
    v.slowTyping = ckSlowTyping_->isChecked();
    v.disablePolling = disablePolling_->isChecked();
    return v;
}

void FrmPort::portBoxClicked(QCheckBox* box, bool checked)
{
    QCheckBox* boxes[] = {checkParallel_, checkSerial_, checkSharedSerial_};
    if (!checked) {
        // One mode is always chosen.
        bool otherTicked = false;
        for (QCheckBox* other : boxes)
            otherTicked = otherTicked || (other != box && other->isChecked());
        if (!otherTicked)
            box->setChecked(true);
        return;
    }
    for (QCheckBox* other : boxes) {
        if (other != box)
            other->setChecked(false);
    }
    if (box != checkParallel_)
        showSerialPortName(host_.portSettings().dedicatedSerialPort);
    updatePortControls();
}

void FrmPort::updatePortControls()
{
    const bool parallel = checkParallel_->isChecked();
    parallelAddressLabel_->setEnabled(parallel);
    parallelAddress_->setEnabled(parallel);
    comPortLabel_->setEnabled(!parallel);
    cmbPort_->setEnabled(!parallel);
    const bool portNamed = !parallel && cmbPort_->currentIndex() >= 0;
    deviceLabel_->setEnabled(portNamed);
    cmbDevice_->setEnabled(portNamed);
}

void FrmPort::showSerialPortName(const QString& name)
{
    const int index = cmbPort_->findData(name);
    cmbPort_->setCurrentIndex(index);
    // A name outside the list (nothing chosen yet, or typed into the file) shows as it is.
    if (index < 0)
        cmbPort_->setPlaceholderText(name);
    portChosen();
}

QString FrmPort::serialPortName() const
{
    return cmbPort_->currentIndex() >= 0 ? cmbPort_->currentData().toString() : cmbPort_->placeholderText();
}

void FrmPort::refreshPortCaptions()
{
    for (int n = 1; n <= 8; ++n)
        cmbPort_->setItemText(n - 1, PortCaption(n, devices_[static_cast<std::size_t>(n - 1)]));
}

void FrmPort::portChosen()
{
    const int index = cmbPort_->currentIndex();
    cmbDevice_->blockSignals(true);
    cmbDevice_->setEditText(index >= 0 ? devices_[static_cast<std::size_t>(index)] : QString());
    cmbDevice_->blockSignals(false);
    updatePortControls();
}

void FrmPort::deviceEdited(const QString& path)
{
    const int index = cmbPort_->currentIndex();
    if (index < 0)
        return;
    devices_[static_cast<std::size_t>(index)] = path.trimmed();
    refreshPortCaptions();
}

void FrmPort::speedMoved(int wpm)
{
    setup_.speedChanged(wpm);
    lbl_->setText(KeyerSetup::SpeedCaption(wpm));
}

void FrmPort::pitchMoved(int hz)
{
    setup_.pitchChanged(hz);
    pitchValue_->setText(QStringLiteral("%1 Hz").arg(hz));
}

void FrmPort::toneTestPressed()
{
    if (!host_.createSidetone())
        sidetoneUnavailable();
    host_.keyer().toneOn();
}

void FrmPort::toneTestReleased()
{
    host_.keyer().toneOff();
}

void FrmPort::sidetoneUnavailable()
{
    ckSidetone_->setChecked(false);
}

void FrmPort::testClicked(int wpm)
{
    if (host_.transmitting()) {
        host_.showSetupMessage(windowTitle(), QStringLiteral("A transmission is under way. Start the %1 WPM test "
                                                             "once it has ended.")
                                                  .arg(wpm));
        return;
    }
    setCursor(Qt::WaitCursor);
    if (startTest_)
        startTest_(wpm);
}

void FrmPort::testReported()
{
    unsetCursor();
}

void FrmPort::applyClicked()
{
    // Setting the port up again under a running transmission would leave its line flipped
    // the wrong way round: the transmitter would stay keyed after it.
    if (host_.transmitting()) {
        host_.showSetupMessage(windowTitle(), QStringLiteral("A transmission is under way. Apply once it has ended."));
        return;
    }
    const KeyerSetupValues v = values();
    if (const std::optional<SetupRefusal> refusal = KeyerSetup::Check(v)) {
        host_.showSetupMessage(windowTitle(), refusal->boxCaption + QStringLiteral(": ") + refusal->message);
        auto* box = findChild<QLineEdit*>(QLatin1String(refusal->boxName));
        box->setFocus();
        box->selectAll();
        return;
    }
    const bool closes = setup_.apply(v) == ApplyOutcome::Close;
    portProblem_->setText(setup_.portProblem().value_or(QString()));
    portProblem_->setVisible(setup_.portProblem().has_value());
    if (closes)
        close();
}

void FrmPort::closeEvent(QCloseEvent* e)
{
    if (!closed_) {
        closed_ = true;
        if (btnTest_->isDown())
            host_.keyer().toneOff();
        setup_.closing();
        emit closed();
    }
    e->accept();
}

void FrmPort::reject()
{
    // Escape closes like the close box, undoing what only Apply may keep.
    close();
}

} // namespace tavrik
