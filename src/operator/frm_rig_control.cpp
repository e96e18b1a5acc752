#include "operator/frm_rig_control.h"

#include "common/center_form.h"
#include "operator/apply_cancel_row.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tavrik {

FrmRigControl::FrmRigControl(const RigControlSettings& settings,
                             std::function<void(const RigControlSettings&)> applied, QWidget* parent)
    : QDialog(parent), applied_(std::move(applied)), host_(new QLineEdit(this)), port_(new QSpinBox(this)),
      ptt_(new QCheckBox(QStringLiteral("PTT through the radio (instead of the port's PTT line)"), this))
{
    setObjectName(QStringLiteral("frmRigControl"));
    setWindowTitle(QStringLiteral("Rig control"));
    setAttribute(Qt::WA_DeleteOnClose);
    host_->setObjectName(QStringLiteral("txtRigHost"));
    host_->setText(settings.endpoint.host);
    port_->setObjectName(QStringLiteral("spnRigPort"));
    port_->setRange(1, 65535);
    port_->setValue(settings.endpoint.port);
    ptt_->setObjectName(QStringLiteral("ckRigPtt"));
    ptt_->setChecked(settings.ptt);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("rigctld host"), host_);
    form->addRow(QStringLiteral("Port"), port_);
    const ApplyCancelRow buttons = MakeApplyCancelRow(*this);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(ptt_);
    column->addLayout(buttons.row);
    connect(buttons.apply, &QPushButton::clicked, this, &FrmRigControl::apply);
    adjustSize();
    CenterForm(*this);
}

void FrmRigControl::apply()
{
    RigControlSettings s;
    const QString host = host_->text().trimmed();
    if (!host.isEmpty())
        s.endpoint.host = host;
    s.endpoint.port = static_cast<std::uint16_t>(port_->value());
    s.ptt = ptt_->isChecked();
    applied_(s);
    close();
}

} // namespace tavrik
