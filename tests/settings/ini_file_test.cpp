#include "settings/ini_file.h"

#include "temp_files.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrik {
namespace {

using test::TempFolder;

QString U(const char* text) { return QString::fromUtf8(text); }

bool HasTemporaries(const TempFolder& folder)
{
    for (const QString& name : folder.entries()) {
        if (name.contains(QStringLiteral(".tmp-")))
            return true;
    }
    return false;
}

// Runs `body` in a child process and gives back how the child ended.
template <typename Body>
int RunInChild(Body body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST(IniFile, FirstWriteCreatesTheFileAndReadsSeeEveryWrite)
{
    TempFolder folder;
    const IniFile file(folder.path(U("TAVRIK.INI")));
    EXPECT_EQ(file.read(U("S"), U("k"), U("default")), U("default"));
    ASSERT_TRUE(file.write(U("S"), U("k"), U("one")));
    EXPECT_EQ(folder.get(U("TAVRIK.INI")), QByteArray("[S]\nk=one\n"));
    ASSERT_TRUE(file.write(U("s"), U("K"), U("two")));
    EXPECT_EQ(file.read(U("S"), U("k"), U("default")), U("two"));
    ASSERT_TRUE(file.write(U("S"), U("empty"), QString()));
    EXPECT_EQ(file.read(U("S"), U("empty"), U("default")), QString());
    EXPECT_FALSE(HasTemporaries(folder));
}

TEST(IniFile, LongValuesAreStoredWholeAndReadCutTo1999Characters)
{
    TempFolder folder;
    const IniFile file(folder.path(U("TAVRIK.INI")));
    const QString value = QString(2499, u'A') + u'Z';
    ASSERT_TRUE(file.write(U("S"), U("Macro #1"), value));
    EXPECT_TRUE(folder.get(U("TAVRIK.INI")).contains(value.toUtf8()));
    EXPECT_EQ(file.read(U("S"), U("Macro #1"), QString()), QString(1999, u'A'));
    EXPECT_EQ(file.read(U("S"), U("Missing"), QString(2500, u'd')).size(), 1999);

    // A character outside the basic plane counts once and is never split.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x93\xBB");
    ASSERT_TRUE(file.write(U("S"), U("Wide"), emoji.repeated(2000)));
    EXPECT_EQ(file.read(U("S"), U("Wide"), QString()), emoji.repeated(1999));
}

TEST(IniFile, ReplacingKeepsPermissionsAndLinks)
{
    TempFolder folder;
    folder.put(U("real.ini"), "[S]\nk=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(folder.path(U("real.ini"))).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(folder.path(U("real.ini")), folder.path(U("TAVRIK.INI"))));

    ASSERT_TRUE(IniFile(folder.path(U("TAVRIK.INI"))).write(U("S"), U("k"), U("2")));
    EXPECT_TRUE(QFileInfo(folder.path(U("TAVRIK.INI"))).isSymLink());
    EXPECT_EQ(folder.get(U("real.ini")), QByteArray("[S]\nk=2\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder.path(U("real.ini"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniFile, WriterKilledBeforeTheReplaceLeavesTheOldFileWhole)
{
    TempFolder folder;
    const QString path = folder.path(U("TAVRIK.INI"));
    folder.put(U("TAVRIK.INI"), "[frmTavrik Settings]\r\nWPM=25\r\nMacro #1=CQ CQ\r\n");
    const QByteArray before = folder.get(U("TAVRIK.INI"));

    const int status = RunInChild([&] {
        IniFile file(path);
        file.setBeforeReplaceHook([] { ::raise(SIGKILL); });
        file.write(U("frmTavrik Settings"), U("Macro #1"), QString(3000, u'x'));
    });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(folder.get(U("TAVRIK.INI")), before);
    EXPECT_EQ(IniFile(path).read(U("FrmTavrik Settings"), U("WPM"), QString()), U("25"));

    // The dead writer's lock went with it; the next write also sweeps its leftovers.
    EXPECT_TRUE(HasTemporaries(folder));
    ASSERT_TRUE(IniFile(path).write(U("frmTavrik Settings"), U("WPM"), U("30")));
    EXPECT_FALSE(HasTemporaries(folder));
    EXPECT_EQ(folder.get(U("TAVRIK.INI")), QByteArray("[frmTavrik Settings]\r\nWPM=30\r\nMacro #1=CQ CQ\r\n"));
}

// Gives `folder` and its TAVRIK.INI to the user that `AsOrdinaryUser` runs as.
constexpr uid_t kNobody = 65534;

void HandOver(const TempFolder& folder)
{
    if (::geteuid() != 0)
        return;
    for (const QString& path : {folder.folder(), folder.path(U("TAVRIK.INI"))})
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
}

// Runs `body` in a child process as a user without privileges (root may write any folder and
// file); the child's exit code is what `body` gives back.
int AsOrdinaryUser(const std::function<int()>& body)
{
    const int status = RunInChild([&] {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(99);
        ::_exit(body());
    });
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

ino_t Inode(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

TEST(IniFile, WritesWheneverTheFileItselfMayBeWritten)
{
    const struct {
        mode_t folderMode;
        mode_t fileMode;
        bool written;
        bool sameInode; // rewritten in place
    } cases[] = {
        {0755, 0644, true, false},
        {0555, 0644, true, true}, // an installed program's folder
        {0755, 0444, false, true}, // a file the operator made read-only stays as it is
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const QString path = folder.path(U("TAVRIK.INI"));
        folder.put(U("TAVRIK.INI"), "[S]\r\nk=1\r\n");
        HandOver(folder);
        ::chmod(QFile::encodeName(path).constData(), c.fileMode);
        ::chmod(QFile::encodeName(folder.folder()).constData(), c.folderMode);
        const ino_t before = Inode(path);

        const int outcome = AsOrdinaryUser([&] {
            const WriteResult result = IniFile(path).write(U("S"), U("new"), U("\u00C5sa"));
            if (c.written)
                return result ? 0 : 1;
            return !result && result.why() == U("Permission denied") ? 0 : 2;
        });
        ::chmod(QFile::encodeName(folder.folder()).constData(), 0755);
        EXPECT_EQ(outcome, 0) << std::oct << c.folderMode << " " << c.fileMode;
        EXPECT_EQ(folder.get(U("TAVRIK.INI")),
                  c.written ? QByteArray("[S]\r\nk=1\r\nnew=\xC5sa\r\n") : QByteArray("[S]\r\nk=1\r\n"));
        // Nothing beside the file: no lock file that a user could keep the others out with.
        EXPECT_EQ(folder.entries(), QStringList{U("TAVRIK.INI")});
        EXPECT_EQ(Inode(path) == before, c.sameInode);
    }
}

TEST(IniFile, WriteThatRunsOutOfSpaceFailsAndChangesNothing)
{
    for (const mode_t folderMode : {0755, 0555}) {
        TempFolder folder;
        const QString path = folder.path(U("TAVRIK.INI"));
        folder.put(U("TAVRIK.INI"), "[S]\nk=1\n");
        const QByteArray before = folder.get(U("TAVRIK.INI"));
        HandOver(folder);
        ::chmod(QFile::encodeName(folder.folder()).constData(), folderMode);

        // A file-size limit makes the disk "full" after 16 bytes, for root as for anyone.
        const int outcome = AsOrdinaryUser([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{16, 16};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const WriteResult result = IniFile(path).write(U("S"), U("long"), QString(100, u'y'));
            return !result && result.why() == U("File too large") ? 0 : 1;
        });
        ::chmod(QFile::encodeName(folder.folder()).constData(), 0755);
        EXPECT_EQ(outcome, 0) << "the write claimed success, folder mode " << std::oct << folderMode;
        EXPECT_EQ(folder.get(U("TAVRIK.INI")), before);
        EXPECT_FALSE(HasTemporaries(folder));
    }
}

TEST(IniFile, WriterWaitsForTheLockOnTheFileAndGivesUpVisibly)
{
    TempFolder folder;
    const QString path = folder.path(U("TAVRIK.INI"));
    folder.put(U("TAVRIK.INI"), "[S]\nk=1\n");

    // Another program holds the lock on the file itself.
    const int holder = ::open(QFile::encodeName(path).constData(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &lock), 0);
    const WriteResult result = IniFile(path, std::chrono::milliseconds(300)).write(U("S"), U("k"), U("2"));
    EXPECT_FALSE(result);
    EXPECT_TRUE(result.why().contains(U("locked"))) << result.why().toStdString();
    EXPECT_EQ(folder.get(U("TAVRIK.INI")), QByteArray("[S]\nk=1\n"));

    // A writer that waits goes on once the lock is let go.
    const pid_t writer = ::fork();
    if (writer == 0) {
        ::close(holder); // its copy would keep the lock alive
        ::_exit(IniFile(path, std::chrono::hours(1)).write(U("S"), U("k"), U("3")) ? 0 : 1);
    }
    ::close(holder);
    int status = 0;
    ::waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(folder.get(U("TAVRIK.INI")), QByteArray("[S]\nk=3\n"));
}

TEST(IniFile, TwoProcessesWritingDifferentKeysLoseNone)
{
    TempFolder folder;
    const QString path = folder.path(U("TAVRIK.INI"));
    constexpr int kWrites = 120;
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);

    auto startWriter = [&](const char* prefix) {
        if (::fork() != 0)
            return;
        ::close(gate[1]);
        char go;
        [[maybe_unused]] const ssize_t got = ::read(gate[0], &go, 1); // both start together
        const IniFile file(path);
        bool all = true;
        for (int i = 0; i < kWrites; ++i)
            all = file.write(U("Race"), U(prefix) + QString::number(i), QString::number(i * 7)) && all;
        ::_exit(all ? 0 : 1);
    };
    startWriter("First ");
    startWriter("Second ");
    ::close(gate[0]);
    ::close(gate[1]); // end of file releases both readers at once

    for (int child = 0; child < 2; ++child) {
        int status = 0;
        ::wait(&status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write failed";
    }
    const IniFile file(path);
    int lost = 0;
    for (const char* prefix : {"First ", "Second "}) {
        for (int i = 0; i < kWrites; ++i) {
            if (file.read(U("Race"), U(prefix) + QString::number(i), U("lost")) != QString::number(i * 7))
                ++lost;
        }
    }
    EXPECT_EQ(lost, 0);
    EXPECT_FALSE(HasTemporaries(folder));
}

} // namespace
} // namespace tavrik
