#include "keyer/setup/frm_calibrate.h"

#include "common/center_form.h"

#include <QBoxLayout>
#include <QLabel>

namespace tavrik {

FrmCalibrate::FrmCalibrate(const CalibrationReport& report, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::WindowSystemMenuHint),
      label1_(new QLabel(report.elapsedText)),
      label2_(new QLabel(report.explanation))
{
    setObjectName(QStringLiteral("frmCalibrate"));
    setWindowTitle(QStringLiteral("CW speed calibration results ..."));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    label1_->setObjectName(QStringLiteral("Label1"));
    label2_->setObjectName(QStringLiteral("Label2"));
    QFont bold = label1_->font();
    bold.setBold(true);
    label1_->setFont(bold);
    label2_->setWordWrap(true);
    label1_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label2_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const int width = label2_->fontMetrics().averageCharWidth() * 56;
    label2_->setFixedWidth(width);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 14, 16, 16);
    column->setSpacing(10);
    column->addWidget(label1_);
    column->addWidget(label2_);
    column->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    CenterForm(*this);
}

} // namespace tavrik
