#include "notecart/qt_notecart_dialogs.h"

#include "common/qt_message_box.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>
#include <QFileInfo>
#include <QMessageBox>

namespace tavrik::notecart {

QString QtNotecartDialogs::chooseFile(const DialogTitle& title, const QString& filter, const QString& fileName)
{
    // "Description (*.ISD)|*.ISD" in Qt's form; Qt's own dialog matches it without regard to
    // case, so log.isd shows as well.
    const QString description = filter.section(u'|', 0, 0);
    const QString pattern = filter.section(u'|', 1);
    QFileDialog dialog(parent_, title.text());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // notecart makes no files, so a name that does not exist is refused by the dialog itself.
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Size, type and date show whole; the name takes the rest.
    dialog.resize(780, 460);
    if (auto* details = dialog.findChild<QTreeView*>()) {
        details->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    dialog.setNameFilter(description.contains(u'(') ? description
                                                    : description + QStringLiteral(" (") + pattern + u')');
    if (!fileName.isEmpty()) {
        const QFileInfo offered(fileName);
        if (offered.dir().exists())
            dialog.setDirectory(offered.dir());
        dialog.selectFile(offered.fileName());
    }
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void QtNotecartDialogs::showMessage(const DialogTitle& title, const QString& text, MessageIcon icon)
{
    MakeMessageBox(title, text, icon, parent_)->exec();
}

} // namespace tavrik::notecart
