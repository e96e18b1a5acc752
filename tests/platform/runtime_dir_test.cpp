#include "platform/runtime_dir.h"

#include "support/isolated_runtime_dir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tavrik {
namespace {

mode_t ModeOf(const QString& path)
{
    struct stat info {};
    lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

TEST(RuntimeDir, ThePreparedDirectoryIsPrivateEvenUnderAPermissiveUmask)
{
    test::IsolatedRuntimeDir isolated;
    const mode_t oldMask = umask(0);
    const RuntimeDir dir = PrepareRuntimeDir();
    umask(oldMask);
    EXPECT_EQ(dir.path, isolated.path());
    EXPECT_TRUE(dir.ready()) << dir.problem().toStdString();
    EXPECT_EQ(ModeOf(dir.path), 0700u);
    EXPECT_TRUE(CheckRuntimeDir().ready());
}

TEST(RuntimeDir, TavriksSideNeverCreatesIt)
{
    test::IsolatedRuntimeDir isolated;
    EXPECT_EQ(CheckRuntimeDir().status, RuntimeDirStatus::Missing);
    EXPECT_FALSE(QFileInfo::exists(isolated.path()));
}

TEST(RuntimeDir, DirectoriesOthersCouldPlantABlockInAreRefused)
{
    struct Case {
        const char* what;
        void (*arrange)(const QString& path);
        RuntimeDirStatus expected;
    };
    const Case cases[] = {
        {"group-writable", [](const QString& p) { QDir().mkdir(p); chmod(QFile::encodeName(p), 0770); },
         RuntimeDirStatus::OpenToOthers},
        {"world-writable", [](const QString& p) { QDir().mkdir(p); chmod(QFile::encodeName(p), 0707); },
         RuntimeDirStatus::OpenToOthers},
        {"readable by others only", [](const QString& p) { QDir().mkdir(p); chmod(QFile::encodeName(p), 0755); },
         RuntimeDirStatus::Ready},
        {"a symbolic link to a private directory",
         [](const QString& p) { QDir().mkdir(p + "-real"); chmod(QFile::encodeName(p + "-real"), 0700);
                                QFile::link(p + "-real", p); },
         RuntimeDirStatus::NotADirectory},
        {"a plain file", [](const QString& p) { QFile f(p); f.open(QIODevice::WriteOnly); },
         RuntimeDirStatus::NotADirectory},
        {"another user's", [](const QString& p) { QDir().mkdir(p); chmod(QFile::encodeName(p), 0700);
                                                   [[maybe_unused]] int r = chown(QFile::encodeName(p), 65534, 65534); },
         RuntimeDirStatus::WrongOwner},
    };
    for (const Case& c : cases) {
        if (c.expected == RuntimeDirStatus::WrongOwner && geteuid() != 0)
            continue; // only root can give a directory away
        test::IsolatedRuntimeDir isolated;
        c.arrange(isolated.path());
        EXPECT_EQ(CheckRuntimeDir().status, c.expected) << c.what;
        EXPECT_EQ(PrepareRuntimeDir().status, c.expected) << c.what;
    }
}

TEST(RuntimeDir, FallsBackFromTheOverrideToXdgToTmp)
{
    test::IsolatedRuntimeDir isolated;
    const QByteArray savedXdg = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/run/user/4242");
    EXPECT_EQ(RuntimeDirPath(), isolated.path());
    qunsetenv("TAVRIK_RUNTIME_DIR");
    EXPECT_EQ(RuntimeDirPath(), QStringLiteral("/run/user/4242/tavrik"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(RuntimeDirPath(), QStringLiteral("/tmp/tavrik-%1").arg(geteuid()));
    if (!savedXdg.isEmpty())
        qputenv("XDG_RUNTIME_DIR", savedXdg);
}

} // namespace
} // namespace tavrik
