#include "operator/frm_assign_key.h"

#include "common/center_form.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace tavrik {

FrmAssignKey::FrmAssignKey(int insertKeyCode, std::function<void(int)> assign, QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::WindowStaysOnTopHint), list_(new QListWidget(this)), assign_(std::move(assign))
{
    setObjectName(QStringLiteral("frmAssignKey"));
    setWindowTitle(QStringLiteral("Assign INS Key"));
    setAttribute(Qt::WA_DeleteOnClose);
    list_->setObjectName(QStringLiteral("List1"));
    for (const char* prefix : {"  ", "  ALT ", "  CTL "}) {
        for (int n = 1; n <= 12; ++n)
            list_->addItem(QLatin1String(prefix) + QStringLiteral("F") + QString::number(n));
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(list_);
    // Wide enough for the whole caption in a title bar with its buttons.
    resize(230, 360);
    list_->setCurrentRow(insertKeyCode - 112);
    CenterForm(*this);
    // Only a click, or Enter on the selected entry, counts, not the preselection above.
    const auto assignItem = [this](QListWidgetItem* item) {
        if (!isVisible())
            return; // a double click's second half
        assign_(list_->row(item) + 112);
        close();
    };
    connect(list_, &QListWidget::itemClicked, this, assignItem);
    connect(list_, &QListWidget::itemActivated, this, assignItem);
}

} // namespace tavrik
