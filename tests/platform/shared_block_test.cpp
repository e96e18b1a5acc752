#include "platform/runtime_dir.h"
#include "platform/shared_block.h"

#include "support/isolated_runtime_dir.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace tavrik {
namespace {

constexpr std::size_t kSize = 1280;

class SharedBlockTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(PrepareRuntimeDir().ready()); }
    QString path() const { return dir_.file(QStringLiteral("TAVRIK")); }
    test::IsolatedRuntimeDir dir_;
};

TEST_F(SharedBlockTest, BothSidesSeeOneAnothersWrites)
{
    SharedBlock creator;
    ASSERT_TRUE(creator.create(path(), kSize)) << creator.lastError().toStdString();
    SharedBlock user;
    ASSERT_EQ(user.open(path(), kSize), SharedBlock::OpenStatus::Opened) << user.lastError().toStdString();
    EXPECT_EQ(user.size(), kSize);
    EXPECT_EQ(user.read(0, 4), QByteArray(4, '\0'));

    creator.write(640, "Close");
    EXPECT_EQ(user.read(640, 5), QByteArray("Close"));
    user.write(1275, "ABCDE");
    EXPECT_EQ(creator.read(1275, 5), QByteArray("ABCDE"));
}

TEST_F(SharedBlockTest, RangesBeyondTheBlockAreNeitherReadNorWritten)
{
    SharedBlock creator;
    ASSERT_TRUE(creator.create(path(), kSize));
    EXPECT_TRUE(creator.read(1277, 4).isEmpty());
    EXPECT_TRUE(creator.read(static_cast<std::size_t>(-1), 2).isEmpty());
    creator.write(1277, "WXYZ");
    EXPECT_EQ(creator.read(1276, 4), QByteArray(4, '\0'));
}

TEST_F(SharedBlockTest, RefusesBlocksItCannotTrust)
{
    struct Case {
        const char* what;
        std::function<void(const QString&, SharedBlock& keeper)> arrange;
        SharedBlock::OpenStatus expected;
    };
    const auto created = [](std::size_t size, mode_t mode) {
        return [size, mode](const QString& p, SharedBlock& keeper) {
            keeper.create(p, size);
            chmod(QFile::encodeName(p), mode);
        };
    };
    const Case cases[] = {
        {"missing", [](const QString&, SharedBlock&) {}, SharedBlock::OpenStatus::CannotOpen},
        {"too small for ten slots", created(kSize - 1, 0600), SharedBlock::OpenStatus::CannotMap},
        {"larger than needed", created(4096, 0600), SharedBlock::OpenStatus::Opened},
        {"group-writable", created(kSize, 0620), SharedBlock::OpenStatus::CannotOpen},
        {"world-writable", created(kSize, 0606), SharedBlock::OpenStatus::CannotOpen},
        {"left by a creator that crashed (nobody holds it)",
         [](const QString& p, SharedBlock&) {
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             f.write(QByteArray(kSize, '\0'));
             f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
         },
         SharedBlock::OpenStatus::CannotOpen},
        {"a symbolic link to a good block",
         [](const QString& p, SharedBlock& keeper) {
             keeper.create(p + "-real", kSize);
             QFile::link(p + "-real", p);
         },
         SharedBlock::OpenStatus::CannotOpen},
        {"another user's",
         [](const QString& p, SharedBlock& keeper) {
             keeper.create(p, kSize);
             [[maybe_unused]] int r = chown(QFile::encodeName(p), 65534, 65534);
         },
         SharedBlock::OpenStatus::CannotOpen},
    };
    for (const Case& c : cases) {
        if (std::string(c.what) == "another user's" && geteuid() != 0)
            continue; // only root can give a file away
        SharedBlock keeper;
        c.arrange(path(), keeper);
        SharedBlock user;
        EXPECT_EQ(user.open(path(), kSize), c.expected) << c.what;
        EXPECT_EQ(user.isOpen(), c.expected == SharedBlock::OpenStatus::Opened) << c.what;
        if (c.expected != SharedBlock::OpenStatus::Opened) {
            EXPECT_FALSE(user.lastError().isEmpty()) << c.what;
        }
        keeper.close();
        QFile::remove(path());
    }
}

TEST_F(SharedBlockTest, CreatingReplacesAPlantedFileAndClosingRemovesTheBlock)
{
    {
        QFile planted(path());
        ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
        planted.write(QByteArray(kSize, 'X'));
        planted.setPermissions(QFileDevice::Permissions(0x6666));
    }
    SharedBlock creator;
    ASSERT_TRUE(creator.create(path(), kSize));
    EXPECT_EQ(creator.read(0, 2), QByteArray(2, '\0'));
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(path()), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    creator.close();
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(SharedBlockTest, AFileCutShortRemovedOrReplacedIsNoticedNeverACrash)
{
    SharedBlock creator;
    ASSERT_TRUE(creator.create(path(), kSize));
    SharedBlock user;
    ASSERT_EQ(user.open(path(), kSize), SharedBlock::OpenStatus::Opened);
    EXPECT_TRUE(user.stillAtPath());

    ASSERT_EQ(truncate(QFile::encodeName(path()), 100), 0);
    EXPECT_TRUE(user.read(640, 64).isEmpty());
    EXPECT_FALSE(user.write(640, "Close"));
    EXPECT_TRUE(user.lastError().contains(QStringLiteral("holds 100 bytes"))) << user.lastError().toStdString();
    EXPECT_EQ(QFileInfo(path()).size(), 100) << "never grown back";
    EXPECT_TRUE(user.stillAtPath());

    creator.close(); // its keeper ended: the file is removed
    EXPECT_FALSE(user.stillAtPath());
    SharedBlock restarted;
    ASSERT_TRUE(restarted.create(path(), kSize));
    EXPECT_FALSE(user.stillAtPath()) << "a new file at the path is another block";
    ASSERT_EQ(user.open(path(), kSize), SharedBlock::OpenStatus::Opened);
    EXPECT_TRUE(user.stillAtPath());
}

} // namespace
} // namespace tavrik
