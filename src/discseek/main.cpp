// Discseek: looks one callsign up on a callbook CD for the logging program, writes the answer
// to Discseek.dat in its working folder, and ends.
#include "discseek/answer_file.h"
#include "discseek/cd_drives.h"
#include "discseek/discseek_window.h"
#include "discseek/error_dialog.h"
#include "discseek/library_folder.h"
#include "platform/runtime_dir.h"
#include "platform/settings_location.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char* argv[])
{
    // Without anyone to see a box, no display is needed at all.
    const bool errorsToStderr = discseek::ErrorsGoToStderr();
    std::unique_ptr<QCoreApplication> app;
    if (errorsToStderr) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        auto widgets = std::make_unique<QApplication>(argc, argv);
        widgets->setQuitOnLastWindowClosed(false);
        app = std::move(widgets);
    }

    const tavrik::RuntimeDir runtimeDir = tavrik::PrepareRuntimeDir();
    if (!runtimeDir.ready()) {
        std::fprintf(stderr, "Discseek: %s\n", qPrintable(runtimeDir.problem()));
        return 1;
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    discseek::LibraryFolder libraries(programFolder);
    const discseek::CdDrives drives = discseek::CdDrives::load(
        tavrik::SettingsFileLocation(programFolder, QString::fromLatin1(discseek::CdDrives::kFileName)));
    const std::unique_ptr<tavrik::MessageDialogs> dialog = discseek::MakeErrorDialog(errorsToStderr);

    discseek::DiscseekWindow window(libraries, drives, *dialog,
                                    QDir::current().absoluteFilePath(QString::fromLatin1(discseek::kAnswerFileName)));
    QObject::connect(&window, &discseek::DiscseekWindow::unloaded, app.get(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Ended by the requester or by Ctrl+C, the socket goes as at any other end: taken
    // over before the socket exists, so a signal that comes as soon as it listens is caught.
    std::unique_ptr<QSocketNotifier> stopSignals;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
        std::signal(SIGHUP, OnSignal);
        stopSignals = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(stopSignals.get(), &QSocketNotifier::activated, &window, &discseek::DiscseekWindow::unload);
    }
    const QString problem =
        window.load(tavrik::MessageSocketPath(runtimeDir.path, QString::fromLatin1(discseek::kWindowTitle)));
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "Discseek: %s\n", qPrintable(problem));
        return 1;
    }
    const int status = app->exec();
    if (window.lookupRunning()) {
        // A library call that never returned still runs on its thread: unloading the libraries
        // under it, or waiting for it, is not possible. The socket goes, and the program ends.
        window.stopListening();
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
