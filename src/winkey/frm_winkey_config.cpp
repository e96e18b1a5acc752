#include "winkey/frm_winkey_config.h"

#include "common/center_form.h"
#include "settings/setting_table.h"
#include "winkey/winkey_bytes.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace tavrik {
namespace {

const QString kPotTitle = QStringLiteral("Invalise Speed Pot settings");
constexpr const char* kTones[] = {"375", "417", "469", "535", "625", "752", "940", "1252", "1879", "3759"};

QString Number(double v)
{
    return QString::number(v, 'g', 15);
}

// A stored value the list cannot show leaves the list as it is.
void SelectPosition(QComboBox* list, int position)
{
    if (position >= 0 && position < list->count())
        list->setCurrentIndex(position);
}

void SetIfShown(QSlider* slider, int value)
{
    if (value >= slider->minimum() && value <= slider->maximum())
        slider->setValue(value);
}

} // namespace

QString FrmWinKeyConfig::ValueText(const QString& sliderName, int v)
{
    const QString n = sliderName;
    if (n == u"Slider11" || n == u"Slider1" || n == u"Slider5" || n == u"Slider2")
        return Number(v) + QStringLiteral(" WPM");
    if (n == u"Slider3" || n == u"Slider4")
        return Number(v * 10.0) + QStringLiteral(" ms.");
    if (n == u"Slider8" || n == u"Slider9")
        return Number(v) + QStringLiteral(" ms.");
    if (n == u"Slider10")
        return Number(v) + QStringLiteral("%");
    if (n == u"Slider6")
        return QStringLiteral("1:") + Number(v / 50.0 * 3);
    if (n == u"Slider7")
        return (v > 50 ? QStringLiteral("+") : QString()) + Number((v / 50.0 - 1) * 100) + QStringLiteral("%");
    return Number(v);
}

FrmWinKeyConfig::FrmWinKeyConfig(const WinKeySettings& current, SettingWriter writeSetting,
                                 NoticeShower showNotice, QWidget* owner)
    : QDialog(owner), original_(current), writeSetting_(std::move(writeSetting)), showNotice_(std::move(showNotice))
{
    setObjectName(QStringLiteral("frmWinKeyConfig"));
    setWindowTitle(QStringLiteral("WinKey config ..."));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->addWidget(buildPortAndMode(), 0, 0);
    grid->addWidget(buildSpeeds(), 0, 1);
    grid->addWidget(buildTiming(), 1, 0);
    grid->addWidget(buildPaddles(), 1, 1);
    grid->addWidget(buildOutputs(), 2, 0);
    grid->addWidget(buildRadios(), 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    auto* apply = new QPushButton(QStringLiteral("Apply"));
    apply->setObjectName(QStringLiteral("ARButton1"));
    apply->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(apply, &QPushButton::clicked, this, [this] { this->apply(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);

    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addLayout(buttons);

    connectInterlocks();
    load(current);
    adjustSize();
    CenterForm(*this);
}

QSlider* FrmWinKeyConfig::slider(const char* name, int low, int high)
{
    auto* s = new QSlider(Qt::Horizontal);
    s->setObjectName(QLatin1String(name));
    s->setRange(low, high);
    s->setMinimumWidth(140);
    return s;
}

QCheckBox* FrmWinKeyConfig::check(const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(name));
    return box;
}

namespace {

// A slider with its value shown beside it, rewritten while it moves.
QWidget* WithValue(QSlider* slider)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* value = new QLabel;
    value->setObjectName(slider->objectName() + QStringLiteral("Value"));
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("2500 ms.")));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(slider, 1);
    layout->addWidget(value);
    const auto show = [slider, value](int v) { value->setText(FrmWinKeyConfig::ValueText(slider->objectName(), v)); };
    QObject::connect(slider, &QSlider::valueChanged, value, show);
    QObject::connect(slider, &QSlider::sliderMoved, value, show);
    show(slider->value());
    return row;
}

QComboBox* List(const char* name, const QStringList& entries)
{
    auto* list = new QComboBox;
    list->setObjectName(QLatin1String(name));
    list->addItems(entries);
    return list;
}

QGroupBox* Group(const QString& title, QLayout* layout)
{
    auto* group = new QGroupBox(title);
    group->setLayout(layout);
    return group;
}

} // namespace

QWidget* FrmWinKeyConfig::buildPortAndMode()
{
    QStringList ports;
    for (int n = 0; n <= 8; ++n)
        ports << QStringLiteral("Comm%1").arg(n);
    cmbPort_ = List("cmbPort", ports);
    cmbKeyMode_ = List("cmbKeyMode", {QStringLiteral("Iambic A"), QStringLiteral("Iambic B"),
                                      QStringLiteral("Ulitmatic"), QStringLiteral("Bug Mode")});
    QStringList tones;
    for (const char* t : kTones)
        tones << QLatin1String(t);
    cmbTone_ = List("cmbTone", tones);
    ckSwitchPaddles_ = check("ckWinKeySwitchPaddles", QStringLiteral("Switch Paddles"));
    ckAutoSpace_ = check("ckWinKeyAutoSpace", QStringLiteral("Auto space on"));
    ckContestWordSpace_ = check("ckWinKeyContestWordSpace", QStringLiteral("Contest wordspace"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Serial port"), cmbPort_);
    form->addRow(QStringLiteral("Keyer mode"), cmbKeyMode_);
    form->addRow(QStringLiteral("Tone freq."), cmbTone_);
    form->addRow(ckAutoSpace_);
    form->addRow(ckContestWordSpace_);
    return Group(QStringLiteral("Port and mode"), form);
}

QWidget* FrmWinKeyConfig::buildSpeeds()
{
    speed_ = slider("Slider11", 5, 99);
    potMax_ = slider("Slider1", 5, 99);
    potMin_ = slider("Slider5", 5, 99);
    farnsworth_ = slider("Slider2", 5, 99);
    ckAnalogSpeed_ = check("ckWinKeyAnalogSpeed", QStringLiteral("Analog speed control"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Speed"), WithValue(speed_));
    form->addRow(QStringLiteral("Farnsworth speed"), WithValue(farnsworth_));
    form->addRow(ckAnalogSpeed_);
    form->addRow(QStringLiteral("Speed pot min"), WithValue(potMin_));
    form->addRow(QStringLiteral("Speed pot max"), WithValue(potMax_));
    return Group(QStringLiteral("Speeds"), form);
}

QWidget* FrmWinKeyConfig::buildTiming()
{
    pttLead_ = slider("Slider3", 0, 250);
    pttTail_ = slider("Slider4", 0, 250);
    ratio_ = slider("Slider6", 33, 66);
    weight_ = slider("Slider7", 10, 90);
    extension_ = slider("Slider8", 0, 250);
    compensation_ = slider("Slider9", 0, 250);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("PTT lead delay"), WithValue(pttLead_));
    form->addRow(QStringLiteral("PTT tail delay"), WithValue(pttTail_));
    form->addRow(QStringLiteral("Dit/Dah ratio"), WithValue(ratio_));
    form->addRow(QStringLiteral("Dit/Dah weight"), WithValue(weight_));
    form->addRow(QStringLiteral("First extension"), WithValue(extension_));
    form->addRow(QStringLiteral("Keying compensation"), WithValue(compensation_));
    return Group(QStringLiteral("Timing"), form);
}

QWidget* FrmWinKeyConfig::buildPaddles()
{
    switchpoint_ = slider("Slider10", 10, 90);
    cmbPaddle_ = List("cmbPaddle", {QStringLiteral("Normal"), QStringLiteral("Dahs with both paddles pressed"),
                                    QStringLiteral("Dits with both paddles pressed")});
    cmbWordSpace_ = List("cmbWordSpace", {QStringLiteral("1.0"), QStringLiteral("1.33"), QStringLiteral("1.66"),
                                          QStringLiteral("2.0")});
    ckDisablePaddleMemory_ = check("ckDisablePaddleMemory", QStringLiteral("Disable paddle memory"));
    ckPaddleInsertCancelsMacro_ = check("ckPaddleInsertCancelsMacro", QStringLiteral("Paddle insert cancels Macro"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Paddle switchpoint"), WithValue(switchpoint_));
    form->addRow(QStringLiteral("Ultimatic paddle operation"), cmbPaddle_);
    form->addRow(QStringLiteral("Wordspace before ending paddle operation"), cmbWordSpace_);
    form->addRow(ckSwitchPaddles_);
    form->addRow(ckDisablePaddleMemory_);
    form->addRow(ckPaddleInsertCancelsMacro_);
    return Group(QStringLiteral("Paddles"), form);
}

QWidget* FrmWinKeyConfig::buildOutputs()
{
    ckPin3_ = check("ckWinKeyPin3", QStringLiteral("Key on pin 3"));
    ckPin5_ = check("ckWinKeyPin5", QStringLiteral("Key on pin 5"));
    ckPtt_ = check("ckWinKeyPTT", QStringLiteral("PTT enabled"));
    ckSideTone_ = check("ckWinKeySideTone", QStringLiteral("Sidetone enabled"));
    ckRadioPolling_ = check("ckRadioPolling", QStringLiteral("Disable Radio polling when keying"));
    auto* grid = new QGridLayout;
    grid->addWidget(ckPin3_, 0, 0);
    grid->addWidget(ckPtt_, 0, 1);
    grid->addWidget(ckPin5_, 1, 0);
    grid->addWidget(ckSideTone_, 1, 1);
    grid->addWidget(ckRadioPolling_, 2, 0, 1, 2);
    return Group(QStringLiteral("Outputs"), grid);
}

QWidget* FrmWinKeyConfig::buildRadios()
{
    ckRadio1Pin3_ = check("ckRadio1Pin3", QStringLiteral("Key radio 1 from pin 3, radio 2 from pin 5"));
    ckRadio1Pin5_ = check("ckRadio1Pin5", QStringLiteral("Key radio 1 from pin 5, radio 2 from pin 3"));
    auto* column = new QVBoxLayout;
    column->addWidget(ckRadio1Pin3_);
    column->addWidget(ckRadio1Pin5_);
    column->addStretch(1);
    return Group(QStringLiteral("Two radios"), column);
}

void FrmWinKeyConfig::setSingleRadioChoicesEnabled(bool enabled)
{
    for (QCheckBox* box : {ckPin3_, ckPin5_, ckPtt_, ckSideTone_})
        box->setEnabled(enabled);
}

void FrmWinKeyConfig::connectInterlocks()
{
    // Pin 3 and pin 5 act as a pair of radio buttons; only pin 3 carries PTT and sidetone.
    connect(ckPin3_, &QCheckBox::toggled, this, [this](bool on) {
        ckPin5_->setChecked(!on);
        ckPtt_->setEnabled(on);
        ckSideTone_->setEnabled(on);
    });
    connect(ckPin5_, &QCheckBox::toggled, this, [this](bool on) { ckPin3_->setChecked(!on); });
    connect(ckPtt_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            ckSideTone_->setChecked(false);
    });
    connect(ckSideTone_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            ckPtt_->setChecked(false);
    });
    // The two-radio choices exclude each other and take over the key pin.
    const auto radio = [this](QCheckBox* self, QCheckBox* other) {
        connect(self, &QCheckBox::toggled, this, [this, other](bool on) {
            if (on) {
                other->setChecked(false);
                setSingleRadioChoicesEnabled(false);
            } else if (!other->isChecked()) {
                setSingleRadioChoicesEnabled(true);
            }
        });
    };
    radio(ckRadio1Pin3_, ckRadio1Pin5_);
    radio(ckRadio1Pin5_, ckRadio1Pin3_);
}

void FrmWinKeyConfig::load(const WinKeySettings& s)
{
    SelectPosition(cmbPort_, s.port);
    SelectPosition(cmbKeyMode_, s.keyMode);
    SelectPosition(cmbTone_, cmbTone_->findText(QString::number(s.tone)));
    SelectPosition(cmbWordSpace_, s.wordSpace);
    SelectPosition(cmbPaddle_, s.paddleOperation);
    SetIfShown(pttLead_, s.pttLeadDelay);
    SetIfShown(pttTail_, s.pttLagDelay);
    SetIfShown(potMax_, s.speedMax);
    SetIfShown(potMin_, s.speedMin);
    SetIfShown(farnsworth_, s.speedFarnsworth);
    SetIfShown(ratio_, s.ditDahRatio);
    SetIfShown(weight_, s.ditDahWeight);
    SetIfShown(extension_, s.firstExtension);
    SetIfShown(compensation_, s.compensation);
    SetIfShown(switchpoint_, s.paddleSwitchpoint);
    SetIfShown(speed_, s.speed);

    if (s.ptt)
        ckPtt_->setChecked(true);
    if (s.sideTone)
        ckSideTone_->setChecked(true);
    if (s.pin3) {
        ckPin3_->setChecked(true);
        ckPtt_->setEnabled(true);
        ckSideTone_->setEnabled(true);
    } else {
        ckPin5_->setChecked(true);
        ckPtt_->setEnabled(false);
        ckSideTone_->setEnabled(false);
    }
    const std::pair<bool, QCheckBox*> rest[] = {
        {s.autoSpace, ckAutoSpace_},         {s.contestWordSpace, ckContestWordSpace_},
        {s.switchPaddles, ckSwitchPaddles_}, {s.analogSpeed, ckAnalogSpeed_},
        {s.disablePaddleMemory, ckDisablePaddleMemory_},
        {s.paddleInsertCancelsMacro, ckPaddleInsertCancelsMacro_},
        {s.radio1Pin3, ckRadio1Pin3_},       {s.radio2Pin3, ckRadio1Pin5_},
        {s.holdRadioPolling, ckRadioPolling_},
    };
    for (const auto& [on, box] : rest) {
        if (on)
            box->setChecked(true);
    }
    if (ckRadio1Pin3_->isChecked() || ckRadio1Pin5_->isChecked())
        setSingleRadioChoicesEnabled(false);
}

WinKeySettings FrmWinKeyConfig::fromControls() const
{
    WinKeySettings s = original_;
    s.port = static_cast<std::int16_t>(cmbPort_->currentIndex());
    s.keyMode = static_cast<std::int16_t>(cmbKeyMode_->currentIndex());
    s.tone = static_cast<std::int16_t>(cmbTone_->currentText().toInt());
    s.wordSpace = static_cast<std::int16_t>(cmbWordSpace_->currentIndex());
    s.paddleOperation = static_cast<std::int16_t>(cmbPaddle_->currentIndex());
    s.pttLeadDelay = static_cast<std::int16_t>(pttLead_->value());
    s.pttLagDelay = static_cast<std::int16_t>(pttTail_->value());
    s.speedMax = static_cast<std::int16_t>(potMax_->value());
    s.speedMin = static_cast<std::int16_t>(potMin_->value());
    s.speedFarnsworth = static_cast<std::int16_t>(farnsworth_->value());
    s.ditDahRatio = static_cast<std::int16_t>(ratio_->value());
    s.ditDahWeight = static_cast<std::int16_t>(weight_->value());
    s.firstExtension = static_cast<std::int16_t>(extension_->value());
    s.compensation = static_cast<std::int16_t>(compensation_->value());
    s.paddleSwitchpoint = static_cast<std::int16_t>(switchpoint_->value());
    s.speed = static_cast<std::int16_t>(speed_->value());
    s.ptt = ckPtt_->isChecked();
    s.sideTone = ckSideTone_->isChecked();
    s.pin3 = ckPin3_->isChecked();
    s.autoSpace = ckAutoSpace_->isChecked();
    s.contestWordSpace = ckContestWordSpace_->isChecked();
    s.switchPaddles = ckSwitchPaddles_->isChecked();
    s.analogSpeed = ckAnalogSpeed_->isChecked();
    s.disablePaddleMemory = ckDisablePaddleMemory_->isChecked();
    s.paddleInsertCancelsMacro = ckPaddleInsertCancelsMacro_->isChecked();
    s.radio1Pin3 = ckRadio1Pin3_->isChecked();
    s.radio2Pin3 = ckRadio1Pin5_->isChecked();
    s.holdRadioPolling = ckRadioPolling_->isChecked();
    return s;
}

bool FrmWinKeyConfig::apply()
{
    const int max = potMax_->value();
    const int min = potMin_->value();
    // The keyer takes a pot span of at most 31 WPM.
    if (max - min > winkey::kLargestPotRange) {
        showNotice_(kPotTitle,
                             QStringLiteral("The Speed Pot Max and Min values are incorrect.  The current values show Max of ")
                                 + QString::number(max) + QStringLiteral(" and Min of ") + QString::number(min)
                                 + QStringLiteral(".  The difference between Max and Min settings must be ")
                                 + QString::number(winkey::kLargestPotRange) + QStringLiteral(" or less."));
        return false;
    }
    if (max <= min) {
        showNotice_(kPotTitle, QStringLiteral("The Speed Pot Max must be greater than the Min value."));
        return false;
    }
    const WinKeySettings s = fromControls();
    for (const SettingWrite& value : StoredValues(setting::kWinKeySettings, s))
        Write(writeSetting_, value);
    emit applied(s);
    close();
    return true;
}

} // namespace tavrik
