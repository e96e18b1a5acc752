#include "operator/frm_network_keyer.h"

#include "common/center_form.h"
#include "operator/apply_cancel_row.h"

#include <QFormLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tavrik {

FrmNetworkKeyer::FrmNetworkKeyer(const NetworkKeyerSettings& settings,
                                 std::function<void(const NetworkKeyerSettings&)> applied, QWidget* parent)
    : QDialog(parent), settings_(settings), applied_(std::move(applied)), address_(new QLineEdit(this)),
      port_(new QSpinBox(this)), warning_(new QLabel(QLatin1String(kOpenWarning), this))
{
    setObjectName(QStringLiteral("frmNetworkKeyer"));
    setWindowTitle(QStringLiteral("Network keyer"));
    setAttribute(Qt::WA_DeleteOnClose);
    address_->setObjectName(QStringLiteral("txtNetworkAddress"));
    address_->setText(settings.address);
    address_->setToolTip(QStringLiteral("127.0.0.1: only programs on this computer"));
    port_->setObjectName(QStringLiteral("spnNetworkPort"));
    port_->setRange(1, 65535);
    port_->setValue(settings.port);
    warning_->setObjectName(QStringLiteral("lblNetworkWarning"));
    warning_->setWordWrap(true);
    QFont bold = warning_->font();
    bold.setBold(true);
    warning_->setFont(bold);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Listen on address"), address_);
    form->addRow(QStringLiteral("UDP port"), port_);
    const ApplyCancelRow buttons = MakeApplyCancelRow(*this);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(warning_);
    column->addLayout(buttons.row);
    connect(address_, &QLineEdit::textChanged, this, &FrmNetworkKeyer::showWarning);
    connect(buttons.apply, &QPushButton::clicked, this, &FrmNetworkKeyer::apply);
    showWarning();
    adjustSize();
    CenterForm(*this);
}

void FrmNetworkKeyer::showWarning()
{
    const QHostAddress address(address_->text().trimmed());
    warning_->setVisible(!address.isLoopback());
}

void FrmNetworkKeyer::apply()
{
    NetworkKeyerSettings s = settings_;
    const QString address = address_->text().trimmed();
    s.address = address.isEmpty() ? NetworkKeyerSettings().address : address;
    s.port = static_cast<std::uint16_t>(port_->value());
    applied_(s);
    close();
}

} // namespace tavrik
