#include "notecart/frm_convert_notes.h"

#include "notecart/clickable_label.h"
#include "notecart/vmx.h"
#include "notecart_fixture.h"
#include "platform/clock.h"
#include "support/qt_print.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <unistd.h>

namespace tavrik::test {
namespace {

using notecart::frmConvertNotes;

class FrmConvertNotesTest : public ::testing::Test {
protected:
    FrmConvertNotesTest() : window(Library(), dialogs, clock) { window.show(); }

    // On its box, where a finger would click: the middle of a wide check box is empty space.
    void clickOperatorOnly() { QTest::mouseClick(window.ckOperatorOnly, Qt::LeftButton, {}, QPoint(6, window.ckOperatorOnly->height() / 2)); }

    void start(const QString& notes, const QString& logbook)
    {
        window.txtNotesFile->setText(notes.toUpper());
        window.txtLogbook->setText(logbook.toUpper());
        QTest::mouseClick(window.cmdStart, Qt::LeftButton);
    }
    // The file is free again: nothing of this program holds it open.
    static bool isClosed(const QString& path)
    {
        std::int32_t handle = 0;
        const bool opened = Library().open(path.toLocal8Bit(), handle, "KQ74PLMNA21F9BB307") == VMX_OK;
        Library().close(handle);
        return opened;
    }

    IsdFolder folder;
    ScriptedNotecartDialogs dialogs;
    MonotonicClock clock;
    frmConvertNotes window;
};

TEST_F(FrmConvertNotesTest, OpensCentredWithItsTextsAndTheOperatorBoxOnlyWhileChecked)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Convert Vorbel Notes to Vorbel32"));
    QAccessibleInterface* announced = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(announced, nullptr);
    EXPECT_EQ(announced->role(), QAccessible::Window) << "not a filler";
    EXPECT_EQ(announced->text(QAccessible::Name), window.windowTitle());
    EXPECT_EQ(window.lblNotesFile->text(), QStringLiteral("Vorbel Notes are in this file :"));
    EXPECT_EQ(window.lblBrowse->text(), QStringLiteral("Browse ..."));
    EXPECT_EQ(window.lblLogbook->text(), QStringLiteral("Transfer Vorbel Notes to this Vorbel32 Logbook :"));
    EXPECT_EQ(window.cmdBrowseLogbook->text(), QStringLiteral("Browse ..."));
    EXPECT_EQ(window.ckOperatorOnly->text(), QStringLiteral("Notes are ONLY for the operator listed below"));
    EXPECT_EQ(window.cmdStart->text(), QStringLiteral("Start"));
    EXPECT_EQ(window.lblLog->text(), QStringLiteral("Notes for these Callsigns transferred :"));
    const QRect screen = window.screen()->geometry();
    EXPECT_NEAR(window.frameGeometry().center().x(), screen.center().x(), 2);
    EXPECT_NEAR(window.frameGeometry().center().y(), screen.center().y(), 2);

    EXPECT_FALSE(window.txtOperator->isVisible());
    clickOperatorOnly();
    EXPECT_TRUE(window.txtOperator->isVisible());
    clickOperatorOnly();
    EXPECT_FALSE(window.txtOperator->isVisible());
}

TEST_F(FrmConvertNotesTest, BrowseFillsItsBoxWithThePathWithoutIsdAndCancelKeepsIt)
{
    dialogs.files = {QStringLiteral("/home/op/log.isd"), QStringLiteral("/home/op/Book"), QString()};
    QTest::mouseClick(window.lblBrowse, Qt::LeftButton);
    QTest::mouseClick(window.cmdBrowseLogbook, Qt::LeftButton);
    QTest::mouseClick(window.cmdBrowseLogbook, Qt::LeftButton);

    EXPECT_EQ(window.txtNotesFile->text(), QStringLiteral("/home/op/log"));
    EXPECT_EQ(window.txtLogbook->text(), QStringLiteral("/home/op/Book"));
    ASSERT_EQ(dialogs.questions.size(), 3u);
    EXPECT_EQ(dialogs.questions[0].title, QStringLiteral("Source Files Vorbel Notes files :"));
    EXPECT_EQ(dialogs.questions[0].filter, QStringLiteral("Vorbel Notes Files (*.ISD)|*.ISD"));
    EXPECT_EQ(dialogs.questions[1].title, QStringLiteral("Vorbel32 Logbook :"));
    EXPECT_EQ(dialogs.questions[1].filter, QStringLiteral("Logbook Files (*.ISD)|*.ISD"));
    EXPECT_EQ(dialogs.questions[2].fileName, QStringLiteral("/home/op/Book"));
}

TEST_F(FrmConvertNotesTest, TheLogbookChosenIsTheOneFilledBesideOneNamedInOtherCase)
{
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"), "CALL,NOTES\nK1ABC,Chosen\n");
    const QString upper = folder.make(QStringLiteral("logbook"), QStringLiteral("Log.isd"), "CALL\nK1ABC\n");
    const QString lower = folder.make(QStringLiteral("logbook"), QStringLiteral("log.isd"), "CALL\nK1ABC\n");
    dialogs.files = {notes + QStringLiteral(".ISD"), lower};
    QTest::mouseClick(window.lblBrowse, Qt::LeftButton);
    QTest::mouseClick(window.cmdBrowseLogbook, Qt::LeftButton);
    QTest::mouseClick(window.cmdStart, Qt::LeftButton);

    EXPECT_TRUE(window.txtLog->toPlainText().endsWith(QStringLiteral("K1ABC :  Note transferred OK.")));
    EXPECT_TRUE(folder.dump(lower).contains("Chosen"));
    EXPECT_FALSE(folder.dump(upper).contains("Chosen"));
}

// Imported from UTF-8, a logbook holds names Windows-1252 lacks: they survive a note put into
// their record, and a note made of such characters is refused, not mangled.
TEST_F(FrmConvertNotesTest, FieldsOutsideTheCodePageKeepTheirBytesAndSuchNotesAreRefused)
{
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"),
                                      "CALL,NOTES\nK1ABC,Met in Z\xc3\xbcrich\nUA3AAA,\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\n");
    const QByteArray contacts = "CALL,NAME,QTH,NOTES\n"
                                "K1ABC,\xc5\x81ukasz,\xc5\x81\xc3\xb3\x64\xc5\xba,\xe6\x9d\xb1\xe4\xba\xac\n"
                                "UA3AAA,\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd,,old\n";
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"), contacts);
    start(notes, log);

    EXPECT_EQ(window.txtLog->toPlainText(),
              QStringLiteral("Starting Notes transfer :\n"
                             "K1ABC :  Note transferred OK.\n"
                             "UA3AAA :  Note holds characters outside Windows-1252; not transferred."));
    const QByteArray dump = folder.dump(log);
    EXPECT_TRUE(dump.contains("K1ABC,,,,,,,,,,\xc5\x81ukasz,\xc5\x81\xc3\xb3\x64\xc5\xba,,,,,,,,,Met in Z\xc3\xbcrich,"))
        << dump.toStdString();
    EXPECT_TRUE(dump.contains("UA3AAA,,,,,,,,,,\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd,,,,,,,,,,old,")) << dump.toStdString();
}

// A logbook another program keeps locked: the window answers while each put waits, and the
// run gives up after a few notes instead of waiting at every one.
TEST_F(FrmConvertNotesTest, ALogbookHeldElsewhereStopsTheRunAndTheWindowAnswersMeanwhile)
{
    QByteArray notesCsv = "CALL,NOTES\n";
    QByteArray logCsv = "CALL\n";
    for (int i = 0; i < 8; ++i) {
        notesCsv += "K" + QByteArray::number(10 + i) + ",note\n";
        logCsv += "K" + QByteArray::number(10 + i) + "\n";
    }
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"), notesCsv);
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"), logCsv);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((log + QStringLiteral(".ISD")).toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(100);
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start();
    start(notes, log);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    const QStringList lines = window.txtLog->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 1 + notecart::NotesTransfer::kMostNotesInUse + 1) << lines.join(u'\n').toStdString();
    for (int i = 1; i <= notecart::NotesTransfer::kMostNotesInUse; ++i)
        EXPECT_TRUE(lines[i].endsWith(QStringLiteral("File is in use by another program Error updateing Logbook.")));
    EXPECT_EQ(lines.last(), QStringLiteral("The Logbook was in use by another program for 3 notes in a row; the "
                                           "transfer stopped. Close the other program and start again."));
    // The puts waited some 4.5 s; a window frozen meanwhile would see a tick a note at most.
    EXPECT_GE(ticks, 10);
    EXPECT_FALSE(folder.dump(log).contains("note"));
}

// A folder that cannot be written: a read-only mount where this runs as root, else a folder
// and files without write permission.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QStringList& files)
    {
        asRoot_ = ::geteuid() == 0;
        if (asRoot_ && !Mount({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("tmpfs"), dir_.path()}))
            return;
        mounted_ = asRoot_;
        for (const QString& file : files) {
            const QString name = QFileInfo(file).fileName();
            if (!QFile::copy(file, path(name)))
                return;
            QFile::setPermissions(path(name), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        }
        ready_ = asRoot_ ? Mount({QStringLiteral("-o"), QStringLiteral("remount,ro"), dir_.path()})
                         : QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    ~ReadOnlyFolder()
    {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {dir_.path()});
        else
            QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool ready() const { return ready_; }
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    static bool Mount(const QStringList& arguments) { return QProcess::execute(QStringLiteral("mount"), arguments) == 0; }

    QTemporaryDir dir_;
    bool asRoot_ = false;
    bool mounted_ = false;
    bool ready_ = false;
};

TEST_F(FrmConvertNotesTest, NotesOnAReadOnlyMediumAreReadAndAReadOnlyLogbookIsRefusedAtTheStart)
{
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"), "CALL,NOTES\nK1ABC,Met\n");
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"), "CALL\nK1ABC\n");
    ReadOnlyFolder medium({notes + QStringLiteral(".ISD"), log + QStringLiteral(".ISD")});
    if (!medium.ready())
        GTEST_SKIP() << "no read-only folder can be made here";

    start(medium.path(QStringLiteral("notes")), log);
    EXPECT_EQ(window.txtLog->toPlainText(), QStringLiteral("Starting Notes transfer :\nK1ABC :  Note transferred OK."));
    EXPECT_TRUE(dialogs.messages.empty());

    window.txtLog->setPlainText(QStringLiteral("earlier run"));
    start(notes, medium.path(QStringLiteral("log")));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              QStringLiteral("Error opening Vorbel32 Logbook :") + medium.path(QStringLiteral("log")).toUpper() + u'.');
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("db Open Error : File is open read only"));
    EXPECT_EQ(window.txtLog->toPlainText(), QStringLiteral("earlier run"));
    EXPECT_TRUE(isClosed(notes));
}

TEST_F(FrmConvertNotesTest, TransferLogsEveryNoteAndPutsItIntoTheContact)
{
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"),
                                      "CALL,NOTES\nK1ABC,Met at Dayton\nW2XYZ,  \nG3AAA,No such call\n"
                                      "F5XYZ," + QByteArray(2001, 'n') + "\n");
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"),
                                    "CALL,NAME,NOTES\nK1ABC,Bob,old\nF5XYZ,Jean,kept\n");
    start(notes, log);

    EXPECT_EQ(window.txtLog->toPlainText(),
              QStringLiteral("Starting Notes transfer :\n"
                             "F5XYZ :  Note of 2001 characters is longer than this Logbook's notes field "
                             "holds; not transferred.\n"
                             "G3AAA :  Not found in this Logbook.\n"
                             "K1ABC :  Note transferred OK.\n"
                             "W2XYZ : The Notes record is blank, so I ignored it."));
    const QByteArray dump = folder.dump(log);
    EXPECT_TRUE(dump.contains("K1ABC,,,,,,,,,,Bob,,,,,,,,,,Met at Dayton,")) << dump.toStdString();
    EXPECT_TRUE(dump.contains("F5XYZ,,,,,,,,,,Jean,,,,,,,,,,kept,"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(isClosed(notes) && isClosed(log));
}

TEST_F(FrmConvertNotesTest, OpenFailuresNameTheFileAndLeaveNothingOpen)
{
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"), "CALL,NOTES\nK1ABC,x\n");
    const QString missing = folder.path(QStringLiteral("missing"));
    window.txtLog->setPlainText(QStringLiteral("earlier run"));

    start(missing, notes);
    start(notes, missing);
    start(notes, notes);

    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Error opening Vorbel Note file :") + missing.toUpper() + u'.');
    EXPECT_EQ(dialogs.messages[0].title, QStringLiteral("db Open Error : File not found"));
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("Error opening Vorbel32 Logbook :") + missing.toUpper() + u'.');
    EXPECT_EQ(dialogs.messages[1].title, QStringLiteral("db Open Error : File not found"));
    EXPECT_EQ(dialogs.messages[2].title, QStringLiteral("Same file"));
    EXPECT_TRUE(dialogs.messages[2].text.contains(notes.toUpper()));
    EXPECT_EQ(window.txtLog->toPlainText(), QStringLiteral("earlier run"));
    EXPECT_TRUE(isClosed(notes));
}

TEST_F(FrmConvertNotesTest, AnEmptyNotesFileLeavesOnlyTheStartLine)
{
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"), "CALL,NOTES\n");
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"), "CALL\nK1ABC\n");
    start(notes, log);
    EXPECT_EQ(window.txtLog->toPlainText(), QStringLiteral("Starting Notes transfer :"));
}

TEST_F(FrmConvertNotesTest, OperatorFilterPutsTheNoteIntoThatOperatorsRecordOnly)
{
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"),
                                      "CALL,NOTES\nK1ABC,For W9OP\nG3AAA,Nobody\n");
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"),
                                    "CALL,QSO_DATE,OPERATOR\nK1ABC,20200101,N1OP\nK1ABC,20210101,W9OP\n"
                                    "K1ABC,20220101,N2OP\nG3AAA,20200101,N1OP\n");
    clickOperatorOnly();
    QTest::keyClicks(window.txtOperator, QStringLiteral("w9op"));
    start(notes, log);

    EXPECT_EQ(window.txtLog->toPlainText(), QStringLiteral("Starting Notes transfer :\n"
                                                          "G3AAA :  Not found for this Opreator.\n"
                                                          "K1ABC :  Note transferred OK."));
    const QByteArray dump = folder.dump(log);
    EXPECT_TRUE(dump.contains("K1ABC,20210101,,,,,,,,,,,,,,,,,,,For W9OP,W9OP,"));
    EXPECT_EQ(dump.count("For W9OP"), 1);
}

TEST_F(FrmConvertNotesTest, ClosingTheWindowStopsTheTransferBetweenTwoNotes)
{
    QByteArray csv = "CALL,NOTES\n";
    for (int i = 0; i < 3000; ++i)
        csv += "K" + QByteArray::number(10000 + i) + ",note\n";
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"), csv);
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"), csv);
    // The close comes when the transfer first lets the window handle its events.
    QTimer::singleShot(0, &window, &QWidget::close);
    start(notes, log);

    const QStringList lines = window.txtLog->toPlainText().split(u'\n');
    EXPECT_EQ(lines.last(), QStringLiteral("Transfer stopped."));
    EXPECT_LT(lines.size(), 3002);
    for (qsizetype i = 1; i + 1 < lines.size(); ++i)
        EXPECT_TRUE(lines[i].endsWith(QStringLiteral(" Note transferred OK."))) << lines[i].toStdString();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(isClosed(notes) && isClosed(log));
}

TEST_F(FrmConvertNotesTest, ADamagedFileIsReportedNeverTakenForTheEndOrAMissingContact)
{
    QByteArray csv = "CALL,NOTES\n";
    for (int i = 0; i < 2000; ++i)
        csv += "K" + QByteArray::number(10000 + i) + ",note " + QByteArray::number(i) + "\n";
    struct Case {
        const char* damaged;
        QString logEnd;
    };
    const Case cases[] = {
        {"notes", QStringLiteral("\nNot an ISAM file, or a damaged one Error reading Vorbel Notes file; the "
                                 "transfer ended here.")},
        {"log", QStringLiteral(" :  Not an ISAM file, or a damaged one Error reading Logbook.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damaged);
        IsdFolder files;
        const QString notes = files.make(QStringLiteral("notes"), QStringLiteral("notes"), csv);
        const QString log = files.make(QStringLiteral("logbook"), QStringLiteral("log"), csv);
        // The last page of the file, where the last callsigns are, becomes garbage.
        QFile file(files.path(QString::fromLatin1(c.damaged)) + QStringLiteral(".ISD"));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(file.size() - 4096);
        file.write(QByteArray(4096, '\xff'));
        file.close();
        start(notes, log);
        const QString text = window.txtLog->toPlainText();
        EXPECT_TRUE(text.endsWith(c.logEnd)) << text.right(300).toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("K10000 :  Note transferred OK.")));
    }
}

TEST_F(FrmConvertNotesTest, TenThousandNotesGoIntoALogbookOfFiftyThousandContacts)
{
    QByteArray notesCsv = "CALL,NOTES\n";
    for (int i = 0; i < 10000; ++i)
        notesCsv += "K" + QByteArray::number(100000 + i * 5) + ",Note " + QByteArray::number(i) + "\n";
    QByteArray logCsv = "CALL,QSO_DATE\n";
    for (int i = 0; i < 50000; ++i)
        logCsv += "K" + QByteArray::number(100000 + i) + ",20200101\n";
    const QString notes = folder.make(QStringLiteral("notes"), QStringLiteral("notes"), notesCsv);
    const QString log = folder.make(QStringLiteral("logbook"), QStringLiteral("log"), logCsv);
    start(notes, log);

    const QString text = window.txtLog->toPlainText();
    EXPECT_EQ(text.count(QStringLiteral(" Note transferred OK.")), 10000);
    EXPECT_EQ(text.count(u'\n'), 10000);
    const QByteArray dump = folder.dump(log);
    EXPECT_EQ(dump.count("Note "), 10000);
    EXPECT_TRUE(dump.contains("K149995,20200101,,,,,,,,,,,,,,,,,,,Note 9999,"));
    EXPECT_TRUE(dump.contains("K149996,20200101,,,,,,,,,,,,,,,,,,,,"));
}

} // namespace
} // namespace tavrik::test
