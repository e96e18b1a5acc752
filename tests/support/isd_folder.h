#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tavrik::test {

// Runs the isd tool; its standard error when it fails.
inline QString RunIsd(const QStringList& arguments)
{
    QProcess isd;
    isd.start(QStringLiteral(ISD_PROGRAM), arguments);
    if (!isd.waitForFinished(120000) || isd.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("isd did not finish");
    return isd.exitCode() == 0 ? QString() : QString::fromUtf8(isd.readAllStandardError());
}

// A folder of notes files and logbooks made with isd from CSV text.
class IsdFolder {
public:
    QString path(const QString& name) const { return dir_.filePath(name); }

    // Makes `name`.ISD of the kind from CSV rows (header first); the path without extension.
    QString make(const QString& kind, const QString& name, const QByteArray& csv)
    {
        const QString csvPath = path(name + QStringLiteral(".csv"));
        QFile file(csvPath);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(csv);
        file.close();
        EXPECT_EQ(RunIsd({QStringLiteral("create"), kind, path(name)}), QString());
        EXPECT_EQ(RunIsd({QStringLiteral("import"), path(name), csvPath}), QString());
        return path(name);
    }

    // Every record of a file, as isd dumps it to CSV.
    QByteArray dump(const QString& name) const
    {
        QProcess isd;
        isd.start(QStringLiteral(ISD_PROGRAM), {QStringLiteral("dump"), name});
        isd.waitForFinished(120000);
        return isd.readAllStandardOutput();
    }

private:
    QTemporaryDir dir_;
};

} // namespace tavrik::test
