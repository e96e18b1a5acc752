#include "conversion/qt_conversion_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tavrik::conversion {

QString QtConversionDialogs::chooseFile(const QString& filter)
{
    // Qt's own dialog matches the filter without regard to case, so log.adi shows as well;
    // the working folder is left where it is.
    return QFileDialog::getOpenFileName(parent_, QString(), QString(), filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

QString QtConversionDialogs::askText(const QString& prompt, const QString& title)
{
    bool accepted = false;
    const QString text
        = QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, QString(), &accepted);
    return accepted ? text : QString();
}

void QtConversionDialogs::showMessage(const QString& text, const QString& title, Icon icon)
{
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                    text, QMessageBox::Ok, parent_);
    box.exec();
}

} // namespace tavrik::conversion
