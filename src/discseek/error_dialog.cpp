#include "discseek/error_dialog.h"

#include <QMessageBox>

#include <cstdio>

namespace discseek {

void MessageBoxErrorDialog::showError(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void StderrErrorDialog::showError(const QString& title, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
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

std::unique_ptr<ErrorDialog> MakeErrorDialog(bool toStderr)
{
    if (toStderr)
        return std::make_unique<StderrErrorDialog>();
    return std::make_unique<MessageBoxErrorDialog>();
}

} // namespace discseek
