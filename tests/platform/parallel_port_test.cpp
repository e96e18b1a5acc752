#include "platform/parallel_port.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

// A stand-in for /proc/sys/dev/parport with the kernel's "<base>\t<base_hi>\n" files.
class ParportInfo {
public:
    void add(const QString& name, const QByteArray& baseAddr)
    {
        QDir(dir.path()).mkpath(name);
        QFile file(dir.filePath(name + QStringLiteral("/base-addr")));
        file.open(QIODevice::WriteOnly);
        file.write(baseAddr);
    }
    QString root() const { return dir.path(); }

    QTemporaryDir dir;
};

TEST(FindParportDeviceTest, MatchesTheBaseAddressTheKernelReports)
{
    ParportInfo info;
    info.add(QStringLiteral("parport0"), "888\t1912\n");
    info.add(QStringLiteral("parport1"), "59392\t59400\n");
    info.add(QStringLiteral("parport2"), "garbage\n");
    QDir(info.root()).mkpath(QStringLiteral("default"));

    struct Case {
        std::uint16_t base;
        const char* device;
    };
    const Case cases[] = {{0x378, "/dev/parport0"}, {0xE800, "/dev/parport1"}, {0x278, nullptr}, {0, nullptr}};
    for (const Case& c : cases) {
        const auto found = FindParportDevice(info.root(), QStringLiteral("/dev"), c.base);
        if (c.device)
            EXPECT_EQ(found, QString::fromLatin1(c.device)) << c.base;
        else
            EXPECT_FALSE(found) << c.base;
    }
    EXPECT_FALSE(FindParportDevice(QStringLiteral("/nonexistent"), QStringLiteral("/dev"), 0x378));
}

TEST(PpdevPortIoTest, FailuresAreReportedAsText)
{
    ParportInfo info;
    PpdevPortIo unknown({}, info.root());
    EXPECT_FALSE(unknown.open(0x378));
    EXPECT_EQ(unknown.lastError(), QStringLiteral("No parallel port at &H378 is known to the kernel"));
    EXPECT_FALSE(unknown.isOpen());
    unknown.inp(0x37A);
    EXPECT_EQ(unknown.lastError(), QStringLiteral("The parallel port is not open"));

    PpdevPortIo missing(QStringLiteral("/nonexistent/parport0"));
    EXPECT_FALSE(missing.open(0x378));
    EXPECT_TRUE(missing.lastError().startsWith(QStringLiteral("/nonexistent/parport0: ")));

    // Opens, but is no parallel port: the claim fails.
    QTemporaryDir dir;
    const QString notAPort = dir.filePath(QStringLiteral("parport0"));
    QFile(notAPort).open(QIODevice::WriteOnly);
    PpdevPortIo plainFile(notAPort);
    EXPECT_FALSE(plainFile.open(0x378));
    EXPECT_TRUE(plainFile.lastError().startsWith(notAPort + QStringLiteral(" cannot be claimed: ")));
    EXPECT_FALSE(plainFile.isOpen());
}

TEST(ParallelPortIoTest, NamedDeviceIsUsedAloneAndRegistersOutsideThePortAreRefused)
{
    ParallelPortIo named(QStringLiteral("/nonexistent/parport7"));
    EXPECT_FALSE(named.open(0x378));
    EXPECT_TRUE(named.lastError().startsWith(QStringLiteral("/nonexistent/parport7: ")));
    EXPECT_FALSE(named.lastError().contains(QStringLiteral("; "))) << "no fallback tried";

    IopermPortIo direct;
    direct.inp(0x37A);
    EXPECT_FALSE(direct.lastError().isEmpty()) << "never an instruction on a port not granted";
    direct.out(0x37A, 0x0B);
    EXPECT_FALSE(direct.lastError().isEmpty());
    EXPECT_FALSE(direct.open(0xFFFE));
    EXPECT_FALSE(direct.isOpen());
}

TEST(ParallelPortIoTest, DirectAccessOnlyForAPortTheKernelDoesNotKnow)
{
    // parport0 at &H378 is known but cannot be claimed (as when the printer driver holds it).
    ParportInfo info;
    info.add(QStringLiteral("parport0"), "888\t1912\n");
    QTemporaryDir devices;
    QFile(devices.filePath(QStringLiteral("parport0"))).open(QIODevice::WriteOnly);

    ParallelPortIo held({}, info.root(), devices.path());
    EXPECT_FALSE(held.open(0x378));
    EXPECT_TRUE(held.lastError().contains(QStringLiteral(" cannot be claimed: "))) << held.lastError().toStdString();
    EXPECT_FALSE(held.lastError().contains(QStringLiteral("; "))) << "no fallback past the claim";

    // Nothing known at &H278: direct access is tried (and here may even be granted).
    ParallelPortIo unknown({}, info.root(), devices.path());
    if (unknown.open(0x278))
        unknown.close();
    else
        EXPECT_TRUE(unknown.lastError().contains(QStringLiteral("; "))) << unknown.lastError().toStdString();
}

} // namespace
} // namespace tavrik
