#include "discseek/error_dialog.h"

#include "common/qt_message_box.h"

#include <QMessageBox>

#include <cstdio>

namespace discseek {

void MessageBoxErrorDialog::showMessage(const tavrik::DialogTitle& title, const QString& text,
                                        tavrik::MessageIcon icon)
{
    const std::unique_ptr<QMessageBox> box = tavrik::MakeMessageBox(title, text, icon, nullptr);
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    box->exec();
}

void StderrErrorDialog::showMessage(const tavrik::DialogTitle& title, const QString& text, tavrik::MessageIcon)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title.text()), qPrintable(text));
    std::fflush(stderr);
}

bool ErrorsGoToStderr()
{
    const QByteArray choice = qgetenv("DISCSEEK_ERRORS").toLower();
    if (choice == "stderr")
        return true;
    if (choice == "box")
        return false;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return true;
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

std::unique_ptr<tavrik::MessageDialogs> MakeErrorDialog(bool toStderr)
{
    if (toStderr)
        return std::make_unique<StderrErrorDialog>();
    return std::make_unique<MessageBoxErrorDialog>();
}

} // namespace discseek
