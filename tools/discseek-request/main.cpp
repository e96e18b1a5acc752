// discseek-request: asks Discseek for one callsign as the logging program does, and prints the
// answer line of Discseek.dat, or says that none came (Discseek shows or prints its error).
#include "request_client.h"

#include "platform/message_channel.h"
#include "platform/runtime_dir.h"
#include "platform/windows1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

enum Exit { kAnswered = 0, kNoAnswer = 1, kUsage = 2, kNoService = 3 };

int Usage()
{
    std::fprintf(stderr,
                 "usage: discseek-request [--discseek PROGRAM] [--wait SECONDS] DRIVE CALLSIGN qrz|hamcall|rac\n"
                 "  DRIVE is a letter, with or without a colon (D:). Discseek is started from this\n"
                 "  program's folder unless one is running; Discseek.dat is read from the folder Discseek\n"
                 "  runs in (the current folder for one started here).\n");
    return kUsage;
}

std::optional<std::int32_t> CallbookNumber(const QString& name)
{
    const QString lower = name.toLower();
    if (lower == u"rac" || lower == u"0")
        return 0;
    if (lower == u"hamcall" || lower == u"1")
        return 1;
    if (lower == u"qrz" || lower == u"2")
        return 2;
    return std::nullopt;
}

// What identifies one version of the answer file: Discseek replaces it by a rename.
struct FileStamp {
    bool exists = false;
    ino_t inode = 0;
    timespec modified{};
    bool operator==(const FileStamp& other) const
    {
        return exists == other.exists && inode == other.inode && modified.tv_sec == other.modified.tv_sec
            && modified.tv_nsec == other.modified.tv_nsec;
    }
};

FileStamp StampOf(const QString& path)
{
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {true, info.st_ino, info.st_mtim};
}

// Connects to a running Discseek, or starts one and connects once it listens.
bool Reach(DiscseekConnection& connection, const QString& socketPath, const QString& program, QProcess& started)
{
    if (connection.connectTo(socketPath))
        return true;
    started.setProgram(program);
    started.setWorkingDirectory(QDir::currentPath());
    started.setProcessChannelMode(QProcess::ForwardedChannels);
    started.start();
    if (!started.waitForStarted(10000)) {
        std::fprintf(stderr, "discseek-request: cannot start %s: %s\n", qPrintable(program),
                     qPrintable(started.errorString()));
        return false;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        if (connection.connectTo(socketPath))
            return true;
        if (started.waitForFinished(5)) {
            std::fprintf(stderr, "discseek-request: Discseek ended before it listened\n");
            return false;
        }
    }
    std::fprintf(stderr, "discseek-request: Discseek does not listen on %s\n", qPrintable(socketPath));
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/Discseek");
    int waitSeconds = 120;
    while (arguments.size() >= 2 && arguments.first().startsWith(u"--")) {
        const QString option = arguments.takeFirst();
        const QString value = arguments.takeFirst();
        bool ok = true;
        if (option == u"--discseek")
            program = value;
        else if (option == u"--wait")
            waitSeconds = value.toInt(&ok);
        if (!ok || (option != u"--discseek" && option != u"--wait"))
            return Usage();
    }
    const std::optional<std::int32_t> callbook = arguments.size() == 3 ? CallbookNumber(arguments.at(2)) : std::nullopt;
    const QString drive = arguments.value(0);
    if (!callbook || drive.isEmpty() || drive.size() > 2 || (drive.size() == 2 && drive.at(1) != u':')
        || !drive.at(0).isLetter())
        return Usage();
    LookupRecords records;
    records.driveCode = static_cast<unsigned char>(tavrik::ToWindows1252(drive.left(1).toUpper()).at(0));
    records.callsign = tavrik::ToWindows1252(arguments.at(1));
    // Codes 0 to 2 would be read as lookups, and no callsign holds a control character.
    if (std::any_of(records.callsign.cbegin(), records.callsign.cend(),
                    [](char c) { return static_cast<unsigned char>(c) < 32; })) {
        std::fprintf(stderr, "discseek-request: a callsign holds no control characters\n");
        return kUsage;
    }
    records.callbook = *callbook;

    const tavrik::RuntimeDir runtimeDir = tavrik::PrepareRuntimeDir();
    if (!runtimeDir.ready()) {
        std::fprintf(stderr, "discseek-request: %s\n", qPrintable(runtimeDir.problem()));
        return kNoService;
    }
    const QString socketPath = tavrik::MessageSocketPath(runtimeDir.path, QStringLiteral("Discseek"));

    DiscseekConnection connection;
    QProcess started;
    if (!Reach(connection, socketPath, program, started))
        return kNoService;
    // A Discseek that was already running writes its answer where it was started, not here.
    QString answerFolder = connection.peerWorkingDirectory();
    if (answerFolder.isEmpty())
        answerFolder = QDir::currentPath();
    const QString answerPath = QDir(answerFolder).absoluteFilePath(QStringLiteral("Discseek.dat"));
    const FileStamp before = StampOf(answerPath);
    const auto sendDeadline = Clock::now() + std::chrono::seconds(10);
    bool sent = connection.post(1, records.driveCode, sendDeadline);
    for (const char c : std::as_const(records.callsign))
        sent = sent && connection.post(2, static_cast<unsigned char>(c), sendDeadline);
    sent = sent && connection.post(2, records.callbook, sendDeadline);
    if (!sent) {
        std::fprintf(stderr, "discseek-request: Discseek stopped taking the request\n");
        return kNoService;
    }
    if (!connection.waitForEnd(Clock::now() + std::chrono::seconds(waitSeconds))) {
        std::fprintf(stderr, "discseek-request: Discseek has not ended after %d s\n", waitSeconds);
        return kNoService;
    }
    if (started.state() != QProcess::NotRunning)
        started.waitForFinished(5000);

    if (StampOf(answerPath) == before) {
        std::fprintf(stderr, "discseek-request: no answer: Discseek ended without writing %s\n",
                     qPrintable(answerPath));
        return kNoAnswer;
    }
    QFile answer(answerPath);
    if (!answer.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "discseek-request: cannot read %s: %s\n", qPrintable(answerPath),
                     qPrintable(answer.errorString()));
        return kNoAnswer;
    }
    QByteArray line = answer.readAll();
    if (line.endsWith("\r\n"))
        line.chop(2);
    std::printf("%s\n", tavrik::FromWindows1252(line).toUtf8().constData());
    return kAnswered;
}
