// A stand-in for the logging program: the other side of Tavrik's link, for running Tavrik
// without the logging program and for the tests.

#include "console_reader.h"
#include "standin.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vorbel32-standin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stands in for the logging program Vorbel32 beside Tavrik: creates the shared\n"
                       "block TAVRIK and the window Vorbel32, prints every notice Tavrik sends with\n"
                       "its time and in words, answers the shared-serial key and PTT requests and\n"
                       "takes commands on standard input.\n"
                       "The runtime directory is $TAVRIK_RUNTIME_DIR, else $XDG_RUNTIME_DIR/tavrik,\n"
                       "else /tmp/tavrik-<uid>.\n\n")
        + tavrik::standin::StandIn::HelpText());
    parser.addHelpOption();
    const QCommandLineOption serial(
        QStringLiteral("serial"),
        QStringLiteral("Carry the shared-serial requests out on this serial port (any port number): "
                       "DTR is the key, RTS is PTT."),
        QStringLiteral("device"));
    parser.addOption(serial);
    parser.process(app);

    // Whoever reads the printed notices may go away first; serving Tavrik goes on.
    std::signal(SIGPIPE, SIG_IGN);
    tavrik::standin::StandIn standIn(stdout);
    QString error;
    if (!standIn.start(parser.value(serial), error)) {
        std::fprintf(stderr, "vorbel32-standin: %s\n", error.toLocal8Bit().constData());
        return 1;
    }

    // A clean end removes the block and the socket, as a closing logging program does.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
        std::signal(SIGHUP, OnSignal);
    }
    QSocketNotifier stopSignals(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopSignals, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    tavrik::standin::ConsoleReader console;
    QObject::connect(&console, &tavrik::standin::ConsoleReader::lineRead, &standIn,
                     &tavrik::standin::StandIn::runCommand);
    QObject::connect(&standIn, &tavrik::standin::StandIn::quitRequested, &app, &QCoreApplication::quit);
    return app.exec();
}
