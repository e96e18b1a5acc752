// Plays a WinKey on a pseudo-terminal, for trying Tavrik's WinKey mode without one.
#include "winkey_emulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>

#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void Stop(int)
{
    g_stop = 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("winkey-emulator"));
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Plays a WinKey keyer on a pseudo-terminal and prints the device to give Tavrik.\n"
        "Console commands: \"pot WPM\" turns the speed pot, \"paddle [TEXT]\" breaks in with the paddles."));
    options.addHelpOption();
    const QCommandLineOption echo(QStringLiteral("echo"), QStringLiteral("Echo each character at its start or its end."),
                                  QStringLiteral("start|end"), QStringLiteral("start"));
    const QCommandLineOption wav(QStringLiteral("wav"), QStringLiteral("Record the keyed sidetone to a WAV file."),
                                 QStringLiteral("PATH"));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Also make PATH a symbolic link to the device, for a fixed name."),
                                  QStringLiteral("PATH"));
    options.addOptions({echo, wav, link});
    options.process(app);
    const QString echoAt = options.value(echo);
    if (echoAt != u"start" && echoAt != u"end") {
        qCritical("--echo takes start or end");
        return 2;
    }

    QTextStream out(stdout);
    tavrik::emulator::WinKeyEmulator keyer(echoAt == u"end" ? tavrik::emulator::EchoAt::End
                                                            : tavrik::emulator::EchoAt::Start,
                                           out);
    const QString device = keyer.open();
    if (device.isEmpty()) {
        qCritical("no pseudo-terminal could be opened");
        return 1;
    }
    if (options.isSet(wav))
        keyer.recordTo(options.value(wav));
    if (options.isSet(link)) {
        const QString path = options.value(link);
        QFile::remove(path);
        if (!QFile::link(device, path)) {
            qCritical("cannot make the link %s", qPrintable(path));
            return 1;
        }
    }
    out << "WinKey emulator on " << device << Qt::endl;

    QSocketNotifier console(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray typed;
    QObject::connect(&console, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            console.setEnabled(false); // no console: keep keying
            return;
        }
        typed.append(buffer, n);
        for (qsizetype end = typed.indexOf('\n'); end >= 0; end = typed.indexOf('\n')) {
            keyer.command(QString::fromLocal8Bit(typed.left(end)));
            typed.remove(0, end + 1);
        }
    });

    std::signal(SIGINT, Stop);
    std::signal(SIGTERM, Stop);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, &app, [&] {
        if (g_stop)
            app.quit();
    });
    stopWatch.start(100);
    const int result = app.exec();
    keyer.close();
    if (options.isSet(link))
        QFile::remove(options.value(link));
    return result;
}
