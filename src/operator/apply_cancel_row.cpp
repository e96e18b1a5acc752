#include "operator/apply_cancel_row.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

namespace tavrik {

ApplyCancelRow MakeApplyCancelRow(QDialog& dialog)
{
    auto* apply = new QPushButton(QStringLiteral("Apply"), &dialog);
    apply->setObjectName(QStringLiteral("btnOK"));
    apply->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::close);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(apply);
    row->addWidget(cancel);
    return {apply, row};
}

} // namespace tavrik
