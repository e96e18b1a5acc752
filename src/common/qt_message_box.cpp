#include "common/qt_message_box.h"

#include <QMessageBox>

namespace tavrik {
namespace {

QMessageBox::Icon QtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(const DialogTitle& title, const QString& text, MessageIcon icon,
                                            QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(QtIcon(icon), title.text(), text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

} // namespace tavrik
