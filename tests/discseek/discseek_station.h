#pragma once

#include "discseek-request/request_client.h"
#include "support/core_application.h"
#include "support/isolated_runtime_dir.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace discseek::test {

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(path);
    file.write(bytes);
}

// A file held the way another program on the machine would hold it, until destruction.
class HeldFile {
public:
    explicit HeldFile(const QString& path) : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC))
    {
        EXPECT_GE(fd_, 0) << qPrintable(path);
        EXPECT_EQ(flock(fd_, LOCK_EX | LOCK_NB), 0);
    }
    ~HeldFile() { ::close(fd_); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    int fd_;
};

struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// One station: a program folder holding Discseek and the libraries it should find, with
// Discseek.ini mapping D: to a callbook CD and E: to a drive without one; a working folder for
// Discseek.dat; its own runtime directory. Errors come on standard error, not in a box.
class DiscseekStation {
public:
    static constexpr const char* kLibraries[] = {"qrz32.dll", "Hamcal32.dll", "RACCD32A.DLL"};

    DiscseekStation()
    {
        tavrik::test::CoreApplication();
        qputenv("DISCSEEK_ERRORS", "stderr");
        QDir root(root_.path());
        root.mkpath(QStringLiteral("program"));
        root.mkpath(QStringLiteral("work"));
        copyIntoProgram(QStringLiteral("Discseek"));
        for (const char* library : kLibraries)
            copyIntoProgram(QString::fromLatin1(library));
        WriteAll(programFile(QStringLiteral("Discseek.ini")),
                 QStringLiteral("[Drives]\nD=%1\ne:=%2\n").arg(cdFolder(), root_.filePath(QStringLiteral("no-cd"))).toUtf8());
        makeCd({QStringLiteral(SAMPLE_CSV), QStringLiteral(EXTRA_CSV)});
    }

    // Replaces the CD with one made from these CSV files and 300 generated callsigns.
    void makeCd(const QStringList& csvFiles, const QStringList& options = {})
    {
        QDir(cdFolder()).removeRecursively();
        QProcess makeCd;
        makeCd.start(QStringLiteral(BIN_DIR "/callbook-makecd"),
                     options + QStringList{QStringLiteral("--generate"), QStringLiteral("300"), cdFolder()} + csvFiles);
        ASSERT_TRUE(makeCd.waitForFinished(60000));
        ASSERT_EQ(makeCd.exitCode(), 0) << makeCd.readAllStandardError().constData();
    }

    // Drive H: is a CD folder on which the careless library never returns.
    void useHangingQrzLibrary()
    {
        ASSERT_TRUE(QFile::remove(programFile(QStringLiteral("qrz32.dll"))));
        ASSERT_TRUE(QFile::copy(QStringLiteral(MISBEHAVING_LIBRARIES "/qrz32.dll"), programFile(QStringLiteral("qrz32.dll"))));
        QDir(root_.path()).mkpath(QStringLiteral("hang"));
        QFile ini(programFile(QStringLiteral("Discseek.ini")));
        ASSERT_TRUE(ini.open(QIODevice::Append));
        ini.write("H=" + QFile::encodeName(root_.filePath(QStringLiteral("hang"))) + '\n');
    }
    QString root() const { return root_.path(); }
    QString cdFolder() const { return root_.filePath(QStringLiteral("cd")); }
    QString cdFile(const QString& name) const { return cdFolder() + u'/' + name; }
    QString programFile(const QString& name) const { return root_.filePath(QStringLiteral("program/") + name); }
    QString answerPath(const QString& folder = QStringLiteral("work")) const
    {
        return root_.filePath(folder + QStringLiteral("/Discseek.dat"));
    }
    QString socketPath() const { return runtime_.file(QStringLiteral("Discseek")); }

    // discseek-request as the logging program would run it, from the working folder.
    RunResult request(const QStringList& arguments)
    {
        QProcess tool;
        tool.setWorkingDirectory(root_.filePath(QStringLiteral("work")));
        tool.start(QStringLiteral(BIN_DIR "/discseek-request"),
                   QStringList{QStringLiteral("--discseek"), programFile(QStringLiteral("Discseek"))} + arguments);
        // Generous: a lookup that ends nothing waits for the 10-second limit.
        EXPECT_TRUE(tool.waitForFinished(90000));
        return {tool.exitCode(), tool.readAllStandardOutput(), tool.readAllStandardError()};
    }

    // Discseek started directly, for tests that send records in orders of their own; in the
    // working folder unless told another folder of the station.
    void startDiscseek(const QString& folder = QStringLiteral("work"))
    {
        QDir(root_.path()).mkpath(folder);
        discseek_.setWorkingDirectory(root_.filePath(folder));
        discseek_.start(programFile(QStringLiteral("Discseek")), {});
        ASSERT_TRUE(discseek_.waitForStarted(10000));
        QDeadlineTimer deadline(30000);
        while (!channel_.connectTo(socketPath())) {
            ASSERT_FALSE(deadline.hasExpired()) << "Discseek does not listen";
            ASSERT_FALSE(discseek_.waitForFinished(10)) << discseek_.readAllStandardError().constData();
        }
    }
    void post(std::int32_t wParam, std::int32_t lParam, const QByteArray& name = "Discseek")
    {
        ASSERT_TRUE(channel_.post(wParam, lParam, std::chrono::steady_clock::now() + std::chrono::seconds(30), name));
    }
    void postCall(const QByteArray& callsign)
    {
        for (const char c : callsign)
            post(2, static_cast<unsigned char>(c));
    }
    bool waitForEnd(int timeoutMs = 60000) { return discseek_.waitForFinished(timeoutMs); }
    QProcess& discseek() { return discseek_; }

private:
    void copyIntoProgram(const QString& name)
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(BIN_DIR "/") + name, programFile(name))) << qPrintable(name);
    }

    tavrik::test::IsolatedRuntimeDir runtime_;
    QTemporaryDir root_;
    QProcess discseek_;
    DiscseekConnection channel_;
};

} // namespace discseek::test
