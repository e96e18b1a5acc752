// What Discseek makes of careless library answers.
#include "discseek/callbook_calls.h"
#include "discseek/callbook_lookups.h"
#include "discseek/cd_drives.h"
#include "discseek/library_folder.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

namespace discseek {
namespace {

class RecordingOutcome final : public LookupOutcome {
public:
    void writeLookupAnswer(const QByteArray& answer) override { answers.append(answer); }
    void reportLookupError(const QString& message) override { errors.append(message); }
    QList<QByteArray> answers;
    QStringList errors;
};

TEST(CallbookLookups, AnswerLinesStopAtTheBufferAndAtTheFirstNul)
{
    struct Case {
        Callbook callbook;
        QByteArray line;
    };
    const Case cases[] = {
        {Callbook::Qrz, QByteArray(kQrzAnswerSize, 'A') + " EMAIL op@example.org"},
        {Callbook::HamCall, "K1ABC  "},
        {Callbook::Rac, "K1ABC;Op"},
    };
    LibraryFolder libraries(QStringLiteral(MISBEHAVING_LIBRARIES));
    CdDrives drives;
    drives.map(u'D', QStringLiteral("/nowhere"));
    for (const Case& c : cases) {
        RecordingOutcome outcome;
        CallbookLookups(libraries, drives, outcome).lookup(c.callbook, "D:", "K1ABC");
        ASSERT_EQ(outcome.answers.size(), 1);
        EXPECT_EQ(outcome.answers.first(), c.line);
        EXPECT_TRUE(outcome.errors.isEmpty());
    }
}

long long BytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

// The file's pages to be read again from the disc, once what was written is there.
void DropFromPageCache(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// The part of the file that lies in the page cache: what has been read of it since.
double CachedShare(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    ::fstat(fd, &info);
    const auto size = static_cast<std::size_t>(info.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident((size + page - 1) / page);
    ::mincore(mapped, size, resident.data());
    ::munmap(mapped, size);
    ::close(fd);
    const auto cached = std::count_if(resident.begin(), resident.end(), [](unsigned char c) { return c & 1; });
    return static_cast<double>(cached) / static_cast<double>(resident.size());
}

// A lookup bisects the file with a few small reads: neither reading nor mapping the whole of
// it, which for a CD of gigabytes took longer than Discseek's time limit.
TEST(CallbookStandIns, ALookupReadsAFewBlocksNotTheWholeFile)
{
    QTemporaryDir cd;
    QProcess makeCd;
    makeCd.start(QStringLiteral(BIN_DIR "/callbook-makecd"),
                 {QStringLiteral("--generate"), QStringLiteral("200000"), cd.path(), QStringLiteral(SAMPLE_CSV)});
    ASSERT_TRUE(makeCd.waitForFinished(120000));
    ASSERT_EQ(makeCd.exitCode(), 0) << makeCd.readAllStandardError().constData();
    const qint64 size = QFile(cd.filePath(QStringLiteral("RACCD.DAT"))).size();
    ASSERT_GT(size, 10'000'000);

    void* library = dlopen(BIN_DIR "/RACCD32A.DLL", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto lookup = reinterpret_cast<GetCallInfoCall>(dlsym(library, "sGetCallInfo"));
    ASSERT_NE(lookup, nullptr);
    const QByteArray root = QFile::encodeName(cd.path()) + '/';
    const QString file = cd.filePath(QStringLiteral("RACCD.DAT"));
    DropFromPageCache(file);
    if (CachedShare(file) > 0.05)
        GTEST_SKIP() << "the file system keeps the file in memory";
    char answer[kRacAnswerSize] = {};
    std::int16_t status = -1;
    const long long readBefore = BytesReadSoFar();
    lookup(root.constData(), "K1ABC", answer, &status);
    const long long read = BytesReadSoFar() - readBefore;
    dlclose(library);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(QByteArray(answer), "K1ABC;John Abbott;12 Main St, Anytown, CT 06001;k1abc@example.org");
    // What the system reads ahead around each probe is part of the file at most; reading
    // every line brings all of it in.
    EXPECT_LT(CachedShare(file), 0.5);
    EXPECT_LT(read, 256 * 1024) << read << " bytes read";
}

} // namespace
} // namespace discseek
