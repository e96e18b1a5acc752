#include "conversion/conversion_run.h"

#include "scripted_dialogs.h"
#include "support/simulated_clock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrik::conversion {
namespace {

using test::ScriptedDialogs;

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString DataFile(const char* name)
{
    return QStringLiteral(CONVERSION_TEST_DATA "/") + QLatin1String(name);
}

const QByteArray kHeader
    = "ADIF Vorbel format converted to more user friendly Vorbel32 format.\r\n\r\n<EOH>\r\n\r\n";

class RecordingView final : public RunView {
public:
    SecondWords secondWords() const override { return choice; }
    void showProgress(const QString& call, qint64 done, qint64 total) override
    {
        calls << call;
        shownDone.push_back(done);
        this->total = total;
    }
    void processEvents() override
    {
        ++eventTurns;
        if (onEvents)
            onEvents();
    }

    SecondWords choice = SecondWords::Comment;
    QStringList calls;
    std::vector<qint64> shownDone;
    qint64 total = 0;
    int eventTurns = 0;
    std::function<void()> onEvents;
};

class ConversionRunTest : public ::testing::Test {
protected:
    ConversionRunTest()
        : programFolder(folder.filePath(QStringLiteral("program"))),
          run(dialogs, view, clock, programFolder, QStringLiteral("Conversion"))
    {
        QDir(folder.path()).mkdir(QStringLiteral("program"));
        QDir(folder.path()).mkdir(QStringLiteral("logs"));
    }

    QString logPath(const char* name) const
    {
        return folder.filePath(QStringLiteral("logs/") + QLatin1String(name));
    }
    QString output() const { return programFolder + QStringLiteral("/CONVERTED.ADI"); }
    QString convert(const QByteArray& file, const char* name = "log.adi")
    {
        WriteFile(logPath(name), file);
        dialogs.files.push_back(logPath(name));
        run.start();
        return dialogs.messages.empty() ? QString() : dialogs.last().text;
    }

    QTemporaryDir folder;
    QString programFolder;
    ScriptedDialogs dialogs;
    RecordingView view;
    test::SimulatedClock clock;
    ConversionRun run;
};

TEST_F(ConversionRunTest, OldExportBecomesTheExpectedFileByteForByte)
{
    dialogs.files.push_back(DataFile("vorbel_export.adi"));
    dialogs.answers.push_back(QStringLiteral(" w1xyz "));
    run.start();

    EXPECT_EQ(ReadFile(output()), ReadFile(DataFile("vorbel_export.expected.adi")));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.last().title, QStringLiteral("All done"));
    EXPECT_EQ(dialogs.last().text, QStringLiteral(" 6 ADIF records processed.  Converted ADIF "
                                                  "file is called CONVERTED.ADI"));
    EXPECT_EQ(dialogs.filters.at(0), QStringLiteral(".ADI Files (*.ADI)"));
    EXPECT_EQ(dialogs.prompts.at(0),
              QStringLiteral("Operator Callsign|Please enter the Callsign for the OPERATOR field.  "
                             "If you don't know what is needed, simply enter the Callsign of the "
                             "operator whos Logbook is being converted."));
    EXPECT_EQ(run.operatorCall(), "W1XYZ");
    EXPECT_EQ(view.calls.back(), QStringLiteral("W3CD"));
}

TEST_F(ConversionRunTest, FileWithoutHeaderAndNoCallsignWithQth)
{
    view.choice = SecondWords::Qth;
    dialogs.files.push_back(DataFile("no_header.adi"));
    run.start();
    EXPECT_EQ(ReadFile(output()), ReadFile(DataFile("no_header.expected.adi")));
    EXPECT_EQ(dialogs.order, QStringList({"file", "ask", "All done"}));
}

TEST_F(ConversionRunTest, SummaryForTwelveRecords)
{
    QByteArray file = "<eoh>\r\n";
    for (int i = 0; i < 12; ++i)
        file += "<CALL:4>K1AB <eor>\r\n";
    EXPECT_EQ(convert(file), QStringLiteral(" 12 ADIF records processed.  Converted ADIF file is "
                                            "called CONVERTED.ADI"));
    EXPECT_EQ(run.recordCount(), 12);
    EXPECT_EQ(ReadFile(output()).count("\r\n"), 4 + 12);
}

struct RefusalCase {
    const char* what;
    QByteArray file;
    QStringList order;
    QString firstMessage;
};

class Refusals : public ConversionRunTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, LeaveTheEarlierOutputUntouched)
{
    WriteFile(output(), "earlier run");
    const RefusalCase& c = GetParam();
    convert(c.file);
    EXPECT_EQ(dialogs.order, c.order) << c.what;
    EXPECT_EQ(dialogs.messages.front().text, c.firstMessage) << c.what;
    EXPECT_EQ(dialogs.last().text, QStringLiteral("No valid ADIF records found"));
    EXPECT_EQ(dialogs.last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(ReadFile(output()), "earlier run");
}

INSTANTIATE_TEST_SUITE_P(
    Files, Refusals,
    ::testing::Values(
        RefusalCase{"OPERATOR in the first record", "<eoh>\n<CALL:3>K1A <operator:3>K2B <eor>\n",
                    {"file", "ask", "Not Vorbel generated ADIF", "Nothing to do"},
                    "ERROR!  This ADIF files contains OPERATOR fields.  Vorbel does not export "
                    "OPERATOR fields."},
        RefusalCase{"COMMENT in the first record", "<eoh>\n<CALL:3>K1A <COMMENT:2>HI <eor>\n",
                    {"file", "ask", "Not Vorbel generated ADIF", "Nothing to do"},
                    "ERROR!  This ADIF files contains COMMENT fields.  Vorbel does not export "
                    "COMMENT fields."},
        RefusalCase{"header never closed", QByteArray(6000, 'h') + "\n<CALL:3>K1A <eor>\n",
                    {"file", "Invalid file format", "Nothing to do"},
                    "I have read 5000 characters of the file, and I haven't found the <EOH> end "
                    "of header marker, so I give up"},
        RefusalCase{"no records at all", "<eoh>\n", {"file", "Nothing to do"},
                    "No valid ADIF records found"}));

TEST_F(ConversionRunTest, RefusalLaterInTheFileKeepsTheRecordsBeforeIt)
{
    convert("<eoh>\n<CALL:3>K1A <eor>\n<CALL:3>K2B <COMMENT:2>HI <eor>\n<CALL:3>K3C <eor>\n");
    EXPECT_EQ(ReadFile(output()), kHeader + "<CALL:3>K1A <eor>\r\n");
    EXPECT_EQ(dialogs.last().text, QStringLiteral(" 1 ADIF records processed.  Converted ADIF "
                                                  "file is called CONVERTED.ADI"));
}

TEST_F(ConversionRunTest, ChoosingTheFile)
{
    WriteFile(logPath("mybad.adi"), "<CALL:3>K1A <eor>\n");
    dialogs.files = {logPath("mybad.adi"), QString(), logPath("log.txt")};
    WriteFile(logPath("log.txt"), "<CALL:3>K1A <eor>\n");
    run.start();
    run.start();
    run.start();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Can't import this file ..."));
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("You can read directly from the BAD.ADI file.  If you want to import "
                             "records from this file, you must rename it, and fix the bad records."));
    // log.txt is taken as log.txt.ADI, which does not exist.
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Error # 53 File not found"));
    EXPECT_EQ(dialogs.messages[1].title, QStringLiteral("Conversion"));
    EXPECT_EQ(dialogs.order, QStringList({"file", "Can't import this file ...", "file", "file",
                                          "Conversion"}));

    WriteFile(logPath("log.txt.ADI"), "<CALL:3>K1A <eor>\n");
    dialogs.files = {logPath("log.txt")};
    run.start();
    EXPECT_EQ(dialogs.last().title, QStringLiteral("All done"));
}

TEST_F(ConversionRunTest, UnwritableProgramFolderWritesBesideTheInput)
{
    ConversionRun installed(dialogs, view, clock, folder.filePath(QStringLiteral("no/such")),
                            QStringLiteral("Conversion"));
    WriteFile(logPath("log.adi"), "<CALL:3>K1A <eor>\n");
    dialogs.files.push_back(logPath("log.adi"));
    installed.start();
    const QString written = logPath("CONVERTED.ADI");
    EXPECT_EQ(ReadFile(written), kHeader + "<CALL:3>K1A <eor>\r\n");
    EXPECT_EQ(dialogs.last().text, QStringLiteral(" 1 ADIF records processed.  Converted ADIF "
                                                  "file is called ")
                                       + QDir::toNativeSeparators(written));
}

TEST_F(ConversionRunTest, OutputThatCannotBeCreatedEndsTheRunWithTheRecord)
{
    QDir(programFolder).mkdir(QStringLiteral("CONVERTED.ADI"));
    QDir(folder.filePath(QStringLiteral("logs"))).mkdir(QStringLiteral("CONVERTED.ADI"));
    convert("<eoh>\n<CALL:3>K1A <eor>\n<CALL:3>K2B <eor>\n");
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("Error loading ADIF record."));
    EXPECT_TRUE(dialogs.messages[0].text.endsWith(
        QStringLiteral(" : loading record - <CALL:3>K1A <eor>.")))
        << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(dialogs.last().title, QStringLiteral("Nothing to do"));
}

// Gives the program folder a small disk of its own in a mount namespace of the calling
// process; false where the system does not allow it.
bool MountSmallDisk(const QString& folder)
{
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWNS) != 0) {
        // Without privileges, a user namespace of its own lets the process mount.
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        auto put = [](const char* file, const QByteArray& text) {
            QFile f(QString::fromLatin1(file));
            return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
        };
        if (!put("/proc/self/setgroups", "deny") || !put("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1")
            || !put("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1"))
            return false;
    }
    return ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
        && ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") == 0;
}

// A record that does not fit is cut off again, so the file ends with the last whole record,
// and the message names the cause.
TEST_F(ConversionRunTest, AFullDiskEndsTheRunAfterTheLastWholeRecord)
{
    const QByteArray record = "<CALL:5>K1000 <eor>\r\n";
    const struct {
        const char* disk;
        const char* cause;
        int records;
    } cases[] = {
        // Room for the header, ten records and part of the eleventh.
        {"file-size limit", "File too large", 100},
        {"64 KiB disk", "No space left on device", 5000},
    };
    for (const auto& c : cases) {
        QByteArray file = "<eoh>\n";
        for (int i = 0; i < c.records; ++i)
            file += "<CALL:5>K" + QByteArray::number(1000 + i % 9000) + " <eor>\n";
        WriteFile(logPath("log.adi"), file);
        dialogs.files.push_back(logPath("log.adi"));

        // In a child: the limit and the mount stay there.
        const pid_t child = ::fork();
        if (child == 0) {
            if (c.records == 100) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlim_t room = static_cast<rlim_t>(kHeader.size() + 10 * record.size() + 7);
                const rlimit limit{room, room};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            } else if (!MountSmallDisk(programFolder)) {
                ::_exit(77);
            }
            run.start();
            const QByteArray written = ReadFile(output());
            const int whole = static_cast<int>(written.count("<eor>\r\n"));
            const bool ok = dialogs.messages.size() == 2
                && dialogs.messages[0].title == QStringLiteral("Error loading ADIF record.")
                && dialogs.messages[0].text.startsWith(QLatin1String(c.cause) + QStringLiteral(" : loading record - "))
                && written.endsWith("<eor>\r\n") && written.size() == kHeader.size() + whole * record.size()
                && dialogs.last().text.startsWith(QLatin1Char(' ') + QString::number(whole) + QLatin1Char(' '));
            if (!ok) {
                std::fprintf(stderr, "%s\n", qPrintable(dialogs.messages[0].text));
                std::fprintf(stderr, "ends with: %s\n", written.right(40).constData());
            }
            ::_exit(ok ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        dialogs.files.clear();
        ASSERT_TRUE(WIFEXITED(status)) << c.disk;
        if (WEXITSTATUS(status) == 77) {
            std::printf("no %s here: this system does not let the test mount one\n", c.disk);
            continue;
        }
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.disk;
    }
}

TEST_F(ConversionRunTest, ConvertingTheOldOutputAgainReadsItWhole)
{
    // Larger than any read-ahead, so a truncated input would show.
    QByteArray earlier = kHeader;
    for (int i = 0; i < 5000; ++i)
        earlier += "<CALL:5>K" + QByteArray::number(1000 + i) + " <eor>\r\n";
    WriteFile(output(), earlier);
    dialogs.files.push_back(output());
    run.start();
    EXPECT_EQ(run.recordCount(), 5000);
    EXPECT_EQ(ReadFile(output()), earlier);
}

TEST_F(ConversionRunTest, EventsAreHandledWhileALongFileConverts)
{
    QByteArray file = "<eoh>\n";
    for (int i = 0; i < 2000; ++i)
        file += "<CALL:4>K" + QByteArray::number(1000 + i) + " <NAME:8>ANN LEE <eor>\n";
    // Each clock reading costs 1 ms here, so events come every 25 records or so.
    test::SimulatedClock slowClock(test::SimulatedClock::kFrequency / 1000);
    ConversionRun timed(dialogs, view, slowClock, programFolder, QStringLiteral("Conversion"));
    WriteFile(logPath("long.adi"), file);
    dialogs.files.push_back(logPath("long.adi"));
    timed.start();

    EXPECT_EQ(timed.recordCount(), 2000);
    EXPECT_GT(view.eventTurns, 20);
    EXPECT_LT(view.eventTurns, 200);
    EXPECT_TRUE(std::is_sorted(view.shownDone.begin(), view.shownDone.end()));
    EXPECT_EQ(view.shownDone.back(), file.size());
    EXPECT_EQ(view.total, file.size());
}

TEST_F(ConversionRunTest, AbortStopsAtTheNextLineAndKeepsWhatWasWritten)
{
    QByteArray file = "<eoh>\n";
    for (int i = 0; i < 2000; ++i)
        file += "<CALL:5>K" + QByteArray::number(1000 + i) + " <eor>\n";
    test::SimulatedClock slowClock(test::SimulatedClock::kFrequency / 1000);
    ConversionRun timed(dialogs, view, slowClock, programFolder, QStringLiteral("Conversion"));
    view.onEvents = [&] {
        if (view.eventTurns == 3)
            timed.requestAbort();
    };
    WriteFile(logPath("long.adi"), file);
    dialogs.files.push_back(logPath("long.adi"));
    timed.start();

    const int converted = timed.recordCount();
    EXPECT_GT(converted, 0);
    EXPECT_LT(converted, 2000);
    EXPECT_EQ(ReadFile(output()).count("<eor>\r\n"), converted);
    EXPECT_EQ(dialogs.last().text, QLatin1Char(' ') + QString::number(converted)
                                       + QStringLiteral(" ADIF records processed.  Converted "
                                                        "ADIF file is called CONVERTED.ADI"));
}

// Kilobytes of this process, from /proc/self/status: "VmRSS" now, "VmHWM" at the most.
qint64 MemoryKb(const char* name)
{
    for (const QByteArray& line : ReadFile(QStringLiteral("/proc/self/status")).split('\n')) {
        if (line.startsWith(name))
            return line.mid(static_cast<qsizetype>(std::strlen(name)) + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// A field larger than any mapping threshold of the allocator, so every copy of it shows.
constexpr qsizetype kHugeField = 64 << 20;

QByteArray HugeRecordFile(char fieldLetter)
{
    return "<eoh>\n<CALL:4>K1AB <NAME:7>ANN LEE <NOTES:" + QByteArray::number(kHugeField) + '>'
        + QByteArray(kHugeField, fieldLetter) + " <eor>\n<CALL:4>K2CD <eor>\n";
}

TEST_F(ConversionRunTest, AHugeFieldIsHeldAboutOnceAndPassesThroughWhole)
{
    WriteFile(logPath("huge.adi"), HugeRecordFile('x'));
    dialogs.files.push_back(logPath("huge.adi"));
    // The high-water mark starts again from here.
    WriteFile(QStringLiteral("/proc/self/clear_refs"), "5");
    const qint64 before = MemoryKb("VmRSS:");
    run.start();
    const qint64 peak = MemoryKb("VmHWM:");

    EXPECT_EQ(run.recordCount(), 2);
    // The line read whole, the record gathered from it, the converter's copy and the written
    // line once made four.
    EXPECT_LT((peak - before) * 1024, 2 * kHugeField) << "grew by " << (peak - before) << " kB";
    const QByteArray written = ReadFile(output());
    EXPECT_EQ(written.count('x'), kHugeField);
    EXPECT_TRUE(written.contains("<COMMENT:3>LEE <NOTES:" + QByteArray::number(kHugeField) + ">xxx"));
    EXPECT_TRUE(written.endsWith("xxx <eor>\r\n<CALL:4>K2CD <eor>\r\n"));
}

TEST_F(ConversionRunTest, AbortAnswersInsideAHugeField)
{
    test::SimulatedClock slowClock(test::SimulatedClock::kFrequency / 1000);
    ConversionRun timed(dialogs, view, slowClock, programFolder, QStringLiteral("Conversion"));
    view.onEvents = [&] { timed.requestAbort(); };
    WriteFile(logPath("huge.adi"), HugeRecordFile('x'));
    dialogs.files.push_back(logPath("huge.adi"));
    timed.start();

    EXPECT_EQ(timed.recordCount(), 0);
    EXPECT_EQ(view.eventTurns, 1);
    EXPECT_LT(view.shownDone.back(), kHugeField / 2);
}

TEST_F(ConversionRunTest, EachRunAsksAgainAndRecreatesTheOutput)
{
    dialogs.answers = {QStringLiteral("k1abc"), QString()};
    convert("<CALL:3>K1A <NAME:3>BOB <eor>\n<CALL:3>K2B <NAME:3>SUE <eor>\n");
    EXPECT_EQ(ReadFile(output()),
              kHeader + "<CALL:3>K1A <OPERATOR:5>K1ABC <NAME:3>BOB <eor>\r\n"
                        "<CALL:3>K2B <OPERATOR:5>K1ABC <NAME:3>SUE <eor>\r\n");
    convert("<CALL:3>K3C <NAME:3>TED <eor>\n", "second.adi");
    EXPECT_EQ(ReadFile(output()), kHeader + "<CALL:3>K3C <NAME:3>TED <eor>\r\n");
    EXPECT_EQ(dialogs.order.count(QStringLiteral("ask")), 2);
}

} // namespace
} // namespace tavrik::conversion
