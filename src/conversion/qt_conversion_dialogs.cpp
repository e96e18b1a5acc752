#include "conversion/qt_conversion_dialogs.h"

#include "common/qt_message_box.h"

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

QString QtConversionDialogs::askText(const DialogTitle& title, const QString& prompt)
{
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(title.text());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(prompt);
    // The question is a long sentence: wrapped, it keeps the box a sensible width.
    if (auto* label = dialog.findChild<QLabel*>())
        label->setWordWrap(true);
    dialog.setMinimumWidth(420);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

// Messages quote records: the box shows their tags as text.
void QtConversionDialogs::showMessage(const DialogTitle& title, const QString& text, MessageIcon icon)
{
    MakeMessageBox(title, text, icon, parent_)->exec();
}

} // namespace tavrik::conversion
