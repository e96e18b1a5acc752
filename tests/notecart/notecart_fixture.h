#pragma once

#include "notecart/isam_library.h"
#include "notecart/notecart_dialogs.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

namespace tavrik::test {

// Answers the dialogs from a script and remembers every question and message, in order.
class ScriptedNotecartDialogs final : public notecart::NotecartDialogs {
public:
    struct Question {
        QString title;
        QString filter;
        QString fileName;
    };
    struct Message {
        QString title;
        QString text;
        MessageIcon icon;
    };

    std::deque<QString> files; // answers to the file dialog; empty means Cancel
    std::vector<Question> questions;
    std::vector<Message> messages;

    QString chooseFile(const DialogTitle& title, const QString& filter, const QString& fileName) override
    {
        questions.push_back({title.text(), filter, fileName});
        if (files.empty())
            return {};
        QString answer = files.front();
        files.pop_front();
        return answer;
    }
    void showMessage(const DialogTitle& title, const QString& text, MessageIcon icon) override
    {
        messages.push_back({title.text(), text, icon});
    }
};

// Runs the isd tool; its standard error when it fails.
inline QString RunIsd(const QStringList& arguments)
{
    QProcess isd;
    isd.start(QStringLiteral(ISD_PROGRAM), arguments);
    if (!isd.waitForFinished(120000) || isd.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("isd did not finish");
    return isd.exitCode() == 0 ? QString() : QString::fromUtf8(isd.readAllStandardError());
}

// The real library, loaded once for the test program as notecart loads it.
inline notecart::IsamLibrary& Library()
{
    static std::unique_ptr<notecart::IsamLibrary> library = [] {
        QString error;
        auto loaded = notecart::IsamLibrary::load(QStringLiteral(ISAM_LIBRARY), error);
        if (!loaded)
            ADD_FAILURE() << error.toStdString();
        return loaded;
    }();
    return *library;
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
