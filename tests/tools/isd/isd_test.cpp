#include "support/isd_folder.h"
#include "support/qt_print.h"

#include <QElapsedTimer>

namespace tavrik::test {
namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class IsdTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(folder.path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    IsdFolder folder;
};

TEST_F(IsdTest, LogbookGoesFromCsvToAdifAndBackUnchanged)
{
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"),
                                    "call,NAME,NOTES,OPERATOR\n"
                                    " k1abc ,Jos\xc3\xa9,\"Two lines,\nand \"\"quotes\"\"\",N1OP\n"
                                    "G3AAA,Ann,,\n");
    const QString adif = folder.path(QStringLiteral("log.adi"));
    ASSERT_EQ(RunIsd({QStringLiteral("dump"), log, adif}), QString());
    const QByteArray adifBytes = ReadAll(adif);
    EXPECT_TRUE(adifBytes.contains("<CALL:5>K1ABC <NAME:4>Jos\xe9 <NOTES:23>Two lines,\nand \"quotes\" "
                                   "<OPERATOR:4>N1OP <EOR>"))
        << adifBytes.toStdString();
    EXPECT_TRUE(adifBytes.contains("<CALL:5>G3AAA <NAME:3>Ann <EOR>"));

    ASSERT_EQ(RunIsd({QStringLiteral("create"), QStringLiteral("logbook"), folder.path(QStringLiteral("again"))}),
              QString());
    ASSERT_EQ(RunIsd({QStringLiteral("import"), folder.path(QStringLiteral("AGAIN")), adif}), QString());
    EXPECT_EQ(folder.dump(folder.path(QStringLiteral("again"))), folder.dump(log));
}

TEST_F(IsdTest, BadInputIsRefusedWithItsLineAndNothingIsAdded)
{
    struct Case {
        const char* kind;
        QByteArray csv;
        const char* message;
    };
    const Case cases[] = {
        {"logbook", "CALL,COLOUR\nK1ABC,red\n", "line 1: no field is called \"COLOUR\""},
        {"logbook", "NAME\nBob\n", "there is no CALL column"},
        {"logbook", "CALL,NAME\nK1ABC,Bob\nG3AAA\n", "line 3: 1 columns where the header has 2"},
        {"logbook", "CALL,BAND\nK1ABC,20M\nG3AAA,12345678901\n", "line 3: field BAND is longer than its 10"},
        {"logbook", "CALL,NAME\nK1ABC,\"Bob\n", "a quoted field is never closed"},
        {"logbook", "CALL,NAME\n,Bob\n", "line 2: the callsign is empty"},
        {"notes", "CALL,NOTES\nK1ABC,one\nk1abc,two\n", "line 3: the callsign is there already"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const QString file = folder.path(QStringLiteral("f%1").arg(++n));
        ASSERT_EQ(RunIsd({QStringLiteral("create"), QString::fromLatin1(c.kind), file}), QString());
        const QString error = RunIsd({QStringLiteral("import"), file, write(QStringLiteral("in.csv"), c.csv)});
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.message))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("nothing was added")));
        EXPECT_EQ(folder.dump(file).count('\n'), 1);
    }
}

TEST_F(IsdTest, AnAdifLengthBeyondItsRecordIsAnErrorThatNamesTheRecord)
{
    struct Case {
        QByteArray adif;
        const char* message;
    };
    const Case cases[] = {
        {"<CALL:4>K1AB <EOR>\n<CALL:9223372036854775000>W1AW <EOR>\n",
         "record 2: field CALL is 9223372036854775000 characters long"},
        {"<CALL:4>W1AW <NAME:999999999>Bob <EOR>\n<CALL:5>K1ABC <EOR>\n", "record 1: field NAME is 999999999"},
        {"<CALL:4>W1AW <NAME:9>Bob", "record 1: field NAME is 9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const QString file = folder.path(QStringLiteral("log"));
        QFile::remove(file + QStringLiteral(".ISD"));
        ASSERT_EQ(RunIsd({QStringLiteral("create"), QStringLiteral("logbook"), file}), QString());
        const QString error = RunIsd({QStringLiteral("import"), file, write(QStringLiteral("in.adi"), c.adif)});
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.message))) << error.toStdString();
        EXPECT_EQ(folder.dump(file).count('\n'), 1);
    }
}

// Walking a callsign's records is one seek a step, however many contacts it has.
TEST_F(IsdTest, ManyContactsOfOneCallsignDumpInOrderAndInTime)
{
    constexpr int kContacts = 20000;
    QByteArray csv = "CALL,TIME_ON\n";
    for (int i = 0; i < kContacts; ++i)
        csv += (i % 2 ? "w1aw," : "W1AW,") + QByteArray::number(100000 + i) + '\n';
    csv += "K1ABC,000000\nZZ9ZZ,999999\n";
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"), csv);
    QElapsedTimer timer;
    timer.start();
    const QList<QByteArray> lines = folder.dump(log).split('\n');
    // Far above the second or so it takes; a walk that seeks on CALL alone takes 20 s and more.
    EXPECT_LT(timer.elapsed(), 20000);
    ASSERT_EQ(lines.size(), kContacts + 4);
    EXPECT_TRUE(lines[1].startsWith("K1ABC,"));
    for (int i = 0; i < kContacts; ++i)
        ASSERT_TRUE(lines[2 + i].startsWith("W1AW,") && lines[2 + i].contains("," + QByteArray::number(100000 + i) + ","))
            << i << ": " << lines[2 + i].constData();
    EXPECT_TRUE(lines[kContacts + 2].startsWith("ZZ9ZZ,"));
}

TEST_F(IsdTest, NotesComeFromAdifAndFieldsWithNoPlaceAreNamed)
{
    const QString notes = folder.path(QStringLiteral("notes"));
    ASSERT_EQ(RunIsd({QStringLiteral("create"), QStringLiteral("notes"), notes}), QString());
    const QString adif = write(QStringLiteral("notes.adi"),
                               "Exported notes\n<ADIF_VER:5>3.1.4 <EOH>\n"
                               "<call:5>w2xyz<NOTES:6>Hello!<qth:3>Rome<EOR>\n");
    QProcess isd;
    isd.start(QStringLiteral(ISD_PROGRAM), {QStringLiteral("import"), notes, adif});
    ASSERT_TRUE(isd.waitForFinished(60000));
    EXPECT_EQ(isd.exitCode(), 0);
    EXPECT_TRUE(isd.readAllStandardError().contains("left out: QTH"));
    EXPECT_EQ(folder.dump(notes), "CALL,NOTES\r\nW2XYZ,Hello!\r\n");
}

} // namespace
} // namespace tavrik::test
