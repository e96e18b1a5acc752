#include "conversion/qt_conversion_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
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
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(title);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(prompt);
    // The question is a long sentence: wrapped, it keeps the box a sensible width.
    if (auto* label = dialog.findChild<QLabel*>())
        label->setWordWrap(true);
    dialog.setMinimumWidth(420);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

void QtConversionDialogs::showMessage(const QString& text, const QString& title, Icon icon)
{
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title,
                    text, QMessageBox::Ok, parent_);
    // Messages quote records: their tags are text, not markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace tavrik::conversion
