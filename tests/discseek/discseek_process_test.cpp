// Discseek, the stand-in libraries and discseek-request as separate processes, on a sample CD.
#include "discseek_station.h"

#include "platform/message_channel.h"
#include "platform/windows1252.h"

#include <QElapsedTimer>
#include <QThread>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cstring>
#include <functional>
#include <memory>

namespace discseek::test {
namespace {

const QByteArray kOldAnswer = "OLD ANSWER\r\n";

// Rewrites one callbook file on the CD line by line.
void EditLines(const QString& path, const std::function<void(QList<QByteArray>&)>& edit)
{
    QList<QByteArray> lines = ReadAll(path).split('\n');
    lines.removeLast(); // after the final newline
    edit(lines);
    WriteAll(path, lines.join('\n') + '\n');
}

using Damage = std::function<std::unique_ptr<HeldFile>(DiscseekStation&)>;

Damage Hold(const char* file)
{
    return [file](DiscseekStation& station) { return std::make_unique<HeldFile>(station.cdFile(QString::fromLatin1(file))); };
}
Damage Edit(const char* file, std::function<void(QList<QByteArray>&)> edit)
{
    return [file, edit](DiscseekStation& station) {
        EditLines(station.cdFile(QString::fromLatin1(file)), edit);
        return nullptr;
    };
}
Damage RemoveProgramFile(const char* name)
{
    return [name](DiscseekStation& station) {
        EXPECT_TRUE(QFile::remove(station.programFile(QString::fromLatin1(name))));
        return nullptr;
    };
}
Damage Act(std::function<void(DiscseekStation&)> act)
{
    return [act](DiscseekStation& station) {
        act(station);
        return nullptr;
    };
}

const auto kCutShort = [](QList<QByteArray>& lines) { lines.removeLast(); };
const auto kSecondEdition = [](QList<QByteArray>& lines) { lines.first().replace("CALLBOOK 1", "CALLBOOK 2"); };
// The file keeps its size, so only the record shows the damage.
const auto kGarbleK1abc = [](QList<QByteArray>& lines) {
    for (QByteArray& line : lines) {
        if (line.startsWith("K1ABC\t"))
            line = "K1ABC\t" + line.mid(6).replace('\t', ' ');
    }
};

struct Case {
    const char* name;
    QStringList arguments;       // drive, callsign, callbook
    QByteArray answer;           // the line written, or empty for an error
    QByteArray error = {};       // the error box's text
    Damage damage = nullptr;
};

QByteArray Blanks(int count)
{
    return QByteArray(count, ' ');
}

const QByteArray kHamCallK1abc = "K1ABC       John Abbott" + Blanks(29) + "k1abc@example.org" + Blanks(43)
    + "12 Main St, Anytown, CT 06001";

const Case kCases[] = {
    {"QrzFound", {"D:", "K1ABC", "qrz"}, "K1ABC|John Abbott|12 Main St, Anytown, CT 06001 EMAIL k1abc@example.org"},
    {"QrzLowerCaseAndWindows1252", {"d", "sm5abc", "qrz"},
     "SM5ABC|\xC5sa Lindstr\xF6m|Storgatan 3, Uppsala EMAIL asa@example.se"},
    {"QrzNoEmail", {"D:", "W1AW", "qrz"}, "W1AW|Hiram Percy|225 Main St, Newington, CT 06111 "},
    {"QrzNotFound", {"D:", "ZZ9ZZZ", "qrz"}, " "},
    {"QrzInUse", {"D:", "K1ABC", "qrz"}, {}, "DLL is in use by another application.", Hold("QRZ/CALLBOOK.DAT")},
    {"QrzNoCd", {"E:", "K1ABC", "qrz"}, {}, "Error: CD not be found."},
    {"QrzUnmappedDrive", {"F:", "K1ABC", "qrz"}, {}, "Error: CD not be found."},
    {"QrzDamagedCd", {"D:", "K1ABC", "qrz"}, {}, "Error: CD not be found.", Edit("QRZ/CALLBOOK.DAT", kCutShort)},
    {"QrzNoLibrary", {"D:", "K1ABC", "qrz"}, {},
     "I cannot find the QRZ32.DLL file.  Please copy this file from your QRZ CD to the Vorbel32 directory.",
     RemoveProgramFile("qrz32.dll")},

    {"HamCallFound", {"D:", "K1ABC", "hamcall"}, kHamCallK1abc + Blanks(500 - kHamCallK1abc.size())},
    {"HamCallNotFoundWritesBlanks", {"D:", "ZZ9ZZZ", "hamcall"}, Blanks(500)},
    {"HamCallNoDatabase", {"E:", "K1ABC", "hamcall"}, {}, "Database: 'E:\\HAM0\\' not found"},
    {"HamCallIndexError", {"D:", "K1ABC", "hamcall"}, {}, "Index error", Edit("HAM0/HAMCALL.DAT", kCutShort)},
    {"HamCallNoMemory", {"D:", "W9LONG", "hamcall"}, {}, "No memory error"},
    {"HamCallNoLibrary", {"D:", "K1ABC", "hamcall"}, {},
     "I cannot find the file HAMCAL32.DLL needed to access the HamCall CD.  Please copy this file from your "
     "HamCall CD to the Vorbel32 directory.",
     RemoveProgramFile("Hamcal32.dll")},

    {"RacFound", {"D:", "K1ABC", "rac"}, "K1ABC;John Abbott;12 Main St, Anytown, CT 06001;k1abc@example.org"},
    {"RacNotFound", {"D:", "ZZ9ZZZ", "rac"}, ""},
    {"RacFileNotFound", {"D:", "K1ABC", "rac"}, {}, "File not found.",
     Act([](DiscseekStation& s) { QFile::remove(s.cdFile(QStringLiteral("RACCD.DAT"))); })},
    {"RacNoCd", {"D:", "K1ABC", "rac"}, {}, "D:\\ not found.",
     Act([](DiscseekStation& s) { QDir(s.cdFolder()).removeRecursively(); })},
    {"RacAccessDenied", {"D:", "K1ABC", "rac"}, {}, "File access denied.", Hold("RACCD.DAT")},
    {"RacEmptyCallsign", {"D:", "", "rac"}, {}, "Very confusing.  Try again."},
    {"RacWrongEdition", {"D:", "K1ABC", "rac"}, {},
     "DLL does not match the CD.  Copy RACCD32A.DLL from the CD to the Vorbel32 directory",
     Edit("RACCD.DAT", kSecondEdition)},
    {"RacDecodeError", {"D:", "K1ABC", "rac"}, {}, "Decode Error while reading CD.", Edit("RACCD.DAT", kGarbleK1abc)},
    {"RacInternalError", {"D:", "K1ABC", "rac"}, {}, "Internal Error while reading CD.", Edit("RACCD.DAT", kCutShort)},
    {"RacStatus1IsUnknown", {"D:", "K1#BC", "rac"}, {}, "Unknown error."},
    {"RacStatus4IsUnknown", {"D:", "K1ABC", "rac"}, {}, "Unknown error.", Act([](DiscseekStation& s) {
         QFile::remove(s.cdFile(QStringLiteral("RACCD.DAT")));
         QDir().mkdir(s.cdFile(QStringLiteral("RACCD.DAT")));
     })},
    {"RacNoLibrary", {"D:", "K1ABC", "rac"}, {},
     "I cannot find the file RACCD32A.DLL needed to access the RAC CD.  Please copy this file from your RAC CD "
     "to the Vorbel32 directory.",
     RemoveProgramFile("RACCD32A.DLL")},
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

class LookupTest : public ::testing::TestWithParam<Case> {};

// Every lookup ends the program: with the answer line replacing Discseek.dat, or with the error
// and an earlier Discseek.dat left exactly as it was.
TEST_P(LookupTest, EndsWithTheAnswerOrTheError)
{
    const Case& c = GetParam();
    DiscseekStation station;
    WriteAll(station.answerPath(), kOldAnswer);
    const std::unique_ptr<HeldFile> held = c.damage ? c.damage(station) : nullptr;

    const RunResult result = station.request(c.arguments);

    if (c.error.isEmpty()) {
        EXPECT_EQ(result.exitCode, 0) << result.err.constData();
        EXPECT_EQ(ReadAll(station.answerPath()), c.answer + "\r\n");
        EXPECT_EQ(QString::fromUtf8(result.out), tavrik::FromWindows1252(c.answer + "\n"));
    } else {
        EXPECT_EQ(result.exitCode, 1) << result.out.constData();
        EXPECT_TRUE(result.err.contains("Discseek Error: " + c.error + "\n")) << result.err.constData();
        EXPECT_EQ(ReadAll(station.answerPath()), kOldAnswer);
    }
    EXPECT_FALSE(QFile::exists(station.socketPath())) << "the socket outlives the program";
}

INSTANTIATE_TEST_SUITE_P(EveryStatus, LookupTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiscseekRecords, TheDriveMayComeLastAndStrayRecordsChangeNothing)
{
    DiscseekStation station;
    station.startDiscseek();
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(station.socketPath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    station.post(2, 'K');
    station.post(2, 0x100 + 'Q'); // no single-byte character
    station.post(2, -'Q');
    station.post(2, 2, "Other");  // another message: not a lookup
    station.post(7, 2);           // no request of the table
    station.postCall("1ABC");
    station.post(1, 'E');
    station.post(1, 0x100 + 'F');
    station.post(1, 'D');         // replaces E:
    station.post(2, 0);
    ASSERT_TRUE(station.waitForEnd());
    EXPECT_EQ(ReadAll(station.answerPath()), "K1ABC;John Abbott;12 Main St, Anytown, CT 06001;k1abc@example.org\r\n");
}

TEST(DiscseekRecords, ALookupThatEndedNothingKeepsTheCallsignGrowing)
{
    DiscseekStation station;
    station.startDiscseek();
    station.post(1, 'D');
    station.post(2, 1); // HamCall with no callsign ends nothing
    station.postCall("K1ABC");
    station.post(2, 1);
    ASSERT_TRUE(station.waitForEnd());
    EXPECT_TRUE(ReadAll(station.answerPath()).startsWith("K1ABC       John Abbott"));
}

TEST(DiscseekRecords, AFloodOfCharactersStopsAtThirtyTwo)
{
    DiscseekStation station;
    station.startDiscseek();
    station.post(1, 'D');
    station.postCall("K1ABCDEFGHIJKLMNOPQRSTUVWXYZ0123" + QByteArray(2000, 'X'));
    station.post(2, 0);
    ASSERT_TRUE(station.waitForEnd());
    EXPECT_EQ(ReadAll(station.answerPath()), "K1ABCDEFGHIJKLMNOPQRSTUVWXYZ0123;Longest Callsign;1 Flood St, Overflow;\r\n");
}

// A timer never fires early, so the lower bound holds on any machine.
void ExpectEndAtTheTimeLimit(DiscseekStation& station, const QElapsedTimer& started)
{
    ASSERT_TRUE(station.waitForEnd(90000));
    EXPECT_GE(started.elapsed(), 9900);
    EXPECT_EQ(station.discseek().exitCode(), 0);
    EXPECT_EQ(ReadAll(station.answerPath()), "<missing>");
    EXPECT_TRUE(station.discseek().readAllStandardError().isEmpty());
    EXPECT_FALSE(QFile::exists(station.socketPath()));
}

TEST(DiscseekTimeLimit, WithoutARequestTheProgramEndsByItself)
{
    DiscseekStation station;
    QElapsedTimer started;
    started.start();
    station.startDiscseek();
    ExpectEndAtTheTimeLimit(station, started);
}

TEST(DiscseekTimeLimit, AHamCallDatabaseHeldElsewhereWaitsForTheTimeLimit)
{
    DiscseekStation station;
    HeldFile held(station.cdFile(QStringLiteral("HAM0/HAMCALL.DAT")));
    QElapsedTimer started;
    started.start();
    station.startDiscseek();
    station.post(1, 'D');
    station.postCall("K1ABC");
    station.post(2, 1);
    ExpectEndAtTheTimeLimit(station, started);
}

TEST(DiscseekStart, ASecondCopyRefusesToRunAndTheRequestGoesToTheFirst)
{
    DiscseekStation station;
    station.startDiscseek();
    const RunResult second = [&station] {
        QProcess other;
        other.start(station.programFile(QStringLiteral("Discseek")), {});
        EXPECT_TRUE(other.waitForFinished(30000));
        return RunResult{other.exitCode(), {}, other.readAllStandardError()};
    }();
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(second.err.contains("another Discseek is running")) << second.err.constData();

    const RunResult request = station.request({QStringLiteral("D:"), QStringLiteral("W1AW"), QStringLiteral("rac")});
    EXPECT_EQ(request.out, "W1AW;Hiram Percy;225 Main St, Newington, CT 06111;\n") << request.err.constData();
    EXPECT_TRUE(station.waitForEnd());
}

// The running copy was started by another requester, in another folder: its answer is there.
TEST(DiscseekStart, TheAnswerOfARunningCopyIsReadWhereItWasStarted)
{
    DiscseekStation station;
    station.startDiscseek(QStringLiteral("elsewhere"));
    WriteAll(station.answerPath(), kOldAnswer);

    const RunResult request = station.request({QStringLiteral("D:"), QStringLiteral("W1AW"), QStringLiteral("rac")});
    EXPECT_EQ(request.exitCode, 0) << request.err.constData();
    EXPECT_EQ(request.out, "W1AW;Hiram Percy;225 Main St, Newington, CT 06111;\n");
    EXPECT_EQ(ReadAll(station.answerPath(QStringLiteral("elsewhere"))),
              "W1AW;Hiram Percy;225 Main St, Newington, CT 06111;\r\n");
    EXPECT_EQ(ReadAll(station.answerPath()), kOldAnswer);
    EXPECT_TRUE(station.waitForEnd());
}

// Also while a library call never returns.
TEST(DiscseekStart, EndedByASignalItRemovesItsSocket)
{
    for (const bool hung : {false, true}) {
        SCOPED_TRACE(hung ? "library hung" : "waiting for records");
        DiscseekStation station;
        station.useHangingQrzLibrary();
        station.startDiscseek();
        if (hung) {
            station.post(1, 'H');
            station.post(2, 2);
            QThread::msleep(1000);
        }
        station.discseek().terminate();
        ASSERT_TRUE(station.waitForEnd());
        EXPECT_EQ(station.discseek().exitStatus(), QProcess::NormalExit);
        EXPECT_FALSE(QFile::exists(station.socketPath()));
    }
}

// Whatever a planted link at Discseek.dat points to, the answer replaces the link itself.
TEST(DiscseekAnswerFile, ALinkAtItsNameIsReplacedNotFollowed)
{
    const QByteArray answer = "K1ABC;John Abbott;12 Main St, Anytown, CT 06001;k1abc@example.org\r\n";
    for (const bool dangling : {false, true}) {
        SCOPED_TRACE(dangling ? "dangling link" : "link to another file");
        DiscseekStation station;
        const QString victim = station.root() + QStringLiteral("/victim");
        if (!dangling)
            WriteAll(victim, "precious\n");
        ASSERT_TRUE(QFile::link(victim, station.answerPath()));

        const RunResult result = station.request({QStringLiteral("D:"), QStringLiteral("K1ABC"), QStringLiteral("rac")});
        EXPECT_EQ(result.exitCode, 0) << result.err.constData();
        EXPECT_EQ(ReadAll(victim), dangling ? QByteArray("<missing>") : QByteArray("precious\n"));
        struct stat info {};
        ASSERT_EQ(lstat(QFile::encodeName(station.answerPath()).constData(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(ReadAll(station.answerPath()), answer);
        EXPECT_EQ(QDir(station.root() + QStringLiteral("/work")).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("Discseek.dat")});
    }
}

// Copied from a CD, the libraries keep whatever letter case the copy gave them.
TEST(DiscseekLibraries, AreFoundWhateverTheLetterCaseOfTheirNames)
{
    DiscseekStation station;
    const std::pair<const char*, const char*> renames[] = {
        {"qrz32.dll", "QRZ32.DLL"}, {"Hamcal32.dll", "HAMCAL32.DLL"}, {"RACCD32A.DLL", "raccd32a.dll"}};
    for (const auto& [from, to] : renames)
        ASSERT_TRUE(QFile::rename(station.programFile(QString::fromLatin1(from)), station.programFile(QString::fromLatin1(to))));
    for (const char* callbook : {"qrz", "hamcall", "rac"}) {
        const RunResult result = station.request({QStringLiteral("D:"), QStringLiteral("K1ABC"), QString::fromLatin1(callbook)});
        EXPECT_EQ(result.exitCode, 0) << callbook << ": " << result.err.constData();
        EXPECT_TRUE(result.out.startsWith("K1ABC")) << callbook << ": " << result.out.constData();
    }
}

// A raw connection to Discseek's socket, for records no requester would send.
class RawConnection {
public:
    explicit RawConnection(const QString& socketPath) : fd_(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(socketPath);
        std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
        connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~RawConnection() { ::close(fd_); }
    bool connected() const { return connected_; }
    bool send(const QByteArray& bytes)
    {
        return ::send(fd_, bytes.constData(), static_cast<std::size_t>(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    bool post(std::int32_t wParam, std::int32_t lParam) { return send(tavrik::EncodeRecord({"Discseek", wParam, lParam, false})); }
    bool postCall(const QByteArray& callsign)
    {
        for (const char c : callsign) {
            if (!post(2, static_cast<unsigned char>(c)))
                return false;
        }
        return true;
    }
    // True when Discseek closed its side within the time.
    bool hungUpWithin(int timeoutMs)
    {
        pollfd state{fd_, POLLIN, 0};
        if (::poll(&state, 1, timeoutMs) <= 0)
            return false;
        // Closed with records of ours unread, the end comes as a reset.
        char scratch[8];
        const ssize_t got = ::recv(fd_, scratch, sizeof(scratch), MSG_DONTWAIT);
        return got == 0 || (got < 0 && errno == ECONNRESET);
    }

private:
    int fd_;
    bool connected_ = false;
};

TEST(DiscseekRequesters, AnEmptyRecordIsNoHangUpAndASecondRequesterIsRefused)
{
    DiscseekStation station;
    station.startDiscseek();
    RawConnection first(station.socketPath());
    ASSERT_TRUE(first.connected());
    ASSERT_TRUE(first.send(QByteArray()));
    ASSERT_TRUE(first.post(1, 'D'));
    ASSERT_TRUE(first.postCall("K1A"));
    EXPECT_FALSE(first.hungUpWithin(300)) << "an empty record ended the requester's connection";

    RawConnection second(station.socketPath());
    ASSERT_TRUE(second.connected());
    second.postCall("W1AW");
    second.post(2, 0);
    EXPECT_TRUE(second.hungUpWithin(30000)) << "the second requester was not refused";

    ASSERT_TRUE(first.postCall("BC"));
    ASSERT_TRUE(first.post(2, 0));
    EXPECT_TRUE(first.hungUpWithin(30000));
    ASSERT_TRUE(station.waitForEnd());
    EXPECT_EQ(ReadAll(station.answerPath()), "K1ABC;John Abbott;12 Main St, Anytown, CT 06001;k1abc@example.org\r\n");
}

double CpuSeconds(qint64 pid)
{
    const QList<QByteArray> fields = ReadAll(QStringLiteral("/proc/%1/stat").arg(pid)).split(')').last().split(' ');
    // After the name: state is field 1, utime 12 and stime 13 (in clock ticks).
    return (fields.value(12).toDouble() + fields.value(13).toDouble()) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Out of descriptors, pending connections cannot be taken: Discseek waits for them instead of
// trying again and again, and still ends on time.
TEST(DiscseekRequesters, AcceptsFailingForWantOfDescriptorsDoNotBurnTheProcessor)
{
    DiscseekStation station;
    station.startDiscseek();
    const qint64 pid = station.discseek().processId();
    const qsizetype open = QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::System | QDir::NoDotAndDotDot).size();
    const rlimit limit{static_cast<rlim_t>(open), static_cast<rlim_t>(open)};
    ASSERT_EQ(::prlimit(static_cast<pid_t>(pid), RLIMIT_NOFILE, &limit, nullptr), 0);
    std::vector<std::unique_ptr<RawConnection>> waiting;
    for (int i = 0; i < 4; ++i)
        waiting.push_back(std::make_unique<RawConnection>(station.socketPath()));

    const double before = CpuSeconds(pid);
    QThread::sleep(2);
    // A busy loop takes a good part of those seconds even on a crowded machine.
    EXPECT_LT(CpuSeconds(pid) - before, 0.4);
    ASSERT_TRUE(station.waitForEnd(90000));
    EXPECT_FALSE(QFile::exists(station.socketPath()));
}

// The library never returns: the time limit still ends the program, its socket goes, and a
// requester that came meanwhile hears the end instead of waiting on a deaf socket.
TEST(DiscseekTimeLimit, AHungLibraryDoesNotHoldItUp)
{
    DiscseekStation station;
    station.useHangingQrzLibrary();
    QElapsedTimer started;
    started.start();
    station.startDiscseek();
    station.post(1, 'H');
    station.postCall("K1ABC");
    station.post(2, 2);

    RawConnection later(station.socketPath());
    ASSERT_TRUE(later.connected());
    later.post(1, 'D');
    EXPECT_TRUE(later.hungUpWithin(60000));
    ExpectEndAtTheTimeLimit(station, started);
}

} // namespace
} // namespace discseek::test
