#include "operator/station_tool_bar.h"

#include "operator/lamp.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>

namespace tavrik {

StationToolBar::StationToolBar(ContactFieldEvents& fieldEvents, QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("sBar"));
    setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 3, 6, 3);
    row->setSpacing(6);

    speedLabel_ = new QLabel(this);
    speedLabel_->setObjectName(QStringLiteral("sBarSpeed"));
    QFont bold = speedLabel_->font();
    bold.setBold(true);
    speedLabel_->setFont(bold);
    row->addWidget(speedLabel_);
    row->addStretch(1);

    keyBox_ = new Lamp(QStringLiteral("KeyBox"), QStringLiteral("KEY"), this);
    pttBox_ = new Lamp(QStringLiteral("PTTBox"), QStringLiteral("PTT"), this);
    row->addWidget(keyBox_);
    row->addWidget(pttBox_);

    cmbPrevious_ = new QComboBox(this);
    cmbPrevious_->setObjectName(QStringLiteral("cmbPrevious"));
    cmbPrevious_->setToolTip(QStringLiteral("Callsigns logged last"));
    cmbPrevious_->setMinimumContentsLength(8);
    cmbPrevious_->setFocusPolicy(Qt::ClickFocus);
    connect(cmbPrevious_, qOverload<int>(&QComboBox::activated), this, &StationToolBar::historyPicked);
    row->addWidget(cmbPrevious_);

    const auto field = [&](ContactField which, const char* name, const QString& hint, int chars) {
        auto* edit = new ContactFieldEdit(which, QLatin1String(name), this);
        edit->setEvents(&fieldEvents);
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
    connect(srx_, &QLineEdit::textChanged, this, &StationToolBar::srxChanged);
    srx_->setText(QStringLiteral("###"));

    winKeyStateLabel_ = new QLabel(this);
    winKeyStateLabel_->setObjectName(QStringLiteral("sBarWinKey"));
    winKeyStateLabel_->setVisible(false);
    // As wide as its longest text, so a change of state does not widen the window.
    winKeyStateLabel_->setMinimumWidth(winKeyStateLabel_->fontMetrics().horizontalAdvance(QStringLiteral("WinKey: searching")));
    row->addWidget(winKeyStateLabel_);
}

void StationToolBar::setSpeedColour(Colour colour)
{
    QPalette palette = speedLabel_->palette();
    palette.setColor(QPalette::WindowText, ToQColor(colour));
    speedLabel_->setPalette(palette);
}

ContactFieldEdit& StationToolBar::field(ContactField which)
{
    return which == ContactField::Callsign ? *callsign_ : which == ContactField::Name ? *name_ : *srx_;
}

void StationToolBar::srxChanged(const QString& text)
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
    emit srxEdited(shown);
}

void StationToolBar::addCallsignToHistory()
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

void StationToolBar::historyPicked(int row)
{
    if (row < 0)
        return;
    callsign_->setText(cmbPrevious_->itemText(row));
    callsign_->setFocus();
    callsign_->end(false);
}

void StationToolBar::showWinKeyState(const QString& state, bool shown)
{
    winKeyStateLabel_->setText(state);
    winKeyStateLabel_->setVisible(shown);
}

void StationToolBar::hideWinKeyState()
{
    winKeyStateLabel_->setVisible(false);
}

} // namespace tavrik
