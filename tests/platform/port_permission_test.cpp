#include "platform/parallel_port.h"
#include "platform/serial_line.h"
#include "support/pty.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <string>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavrik {
namespace {

// Runs `open` as the ordinary user nobody in a child process and brings back the error it
// left, so that the permission check is the kernel's and not a stand-in's.
std::string ErrorAsNobody(const std::function<QString()>& open)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            _exit(2);
        const QByteArray text = open().toUtf8();
        [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], text.constData(), text.size());
        _exit(0);
    }
    ::close(pipeEnds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return text;
}

gid_t GroupId(const char* name)
{
    const group* entry = ::getgrnam(name);
    return entry ? entry->gr_gid : 0;
}

TEST(PortPermissionTest, AnOrdinaryUserIsToldWhichGroupToJoin)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can hand a device to a group and become an ordinary user";
    if (GroupId("dialout") == 0 || GroupId("lp") == 0)
        GTEST_SKIP() << "groups dialout and lp are missing";

    test::Pty pty;
    ASSERT_TRUE(pty.ok());
    QTemporaryDir folder;
    ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
    const QString parport = folder.filePath(QStringLiteral("parport0"));
    const QString rootOnly = folder.filePath(QStringLiteral("parport1"));
    QFile(parport).open(QIODevice::WriteOnly);
    QFile(rootOnly).open(QIODevice::WriteOnly);

    const auto serialError = [&] {
        SerialDevices devices;
        devices.setPath(1, pty.slavePath());
        SerialLine line(devices);
        line.setPortNumber(1);
        line.setPortOpen(true);
        return line.lastError();
    };
    const auto parallelError = [](const QString& path) {
        return [path] {
            PpdevPortIo port(path);
            port.open(0x378);
            return port.lastError();
        };
    };
    const struct {
        QString device;
        gid_t group;
        std::function<QString()> open;
        const char* advice;
    } cases[] = {
        {pty.slavePath(), GroupId("dialout"), serialError, "join group dialout (sudo usermod -aG dialout nobody)"},
        {parport, GroupId("lp"), parallelError(parport), "join group lp (sudo usermod -aG lp nobody)"},
        // A device of group root names the group such ports usually have.
        {rootOnly, 0, parallelError(rootOnly), "join group lp"},
    };
    for (const auto& c : cases) {
        const QByteArray path = QFile::encodeName(c.device);
        ASSERT_EQ(::chown(path.constData(), 0, c.group), 0);
        ASSERT_EQ(::chmod(path.constData(), 0660), 0);
        const std::string error = ErrorAsNobody(c.open);
        EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
        EXPECT_NE(error.find(c.advice), std::string::npos) << error;
    }
}

} // namespace
} // namespace tavrik
