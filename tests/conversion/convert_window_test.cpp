#include "conversion/convert_window.h"

#include "scripted_dialogs.h"
#include "support/simulated_clock.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace tavrik::conversion {
namespace {

class ConvertWindowTest : public ::testing::Test {
protected:
    ConvertWindowTest() : window(dialogs, clock, folder.path()) { window.show(); }

    QString writeLog(const QByteArray& bytes)
    {
        const QString path = folder.filePath(QStringLiteral("log.adi"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    QByteArray output() const
    {
        QFile file(folder.filePath(QStringLiteral("CONVERTED.ADI")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    test::ScriptedDialogs dialogs;
    // Each clock reading costs 1 ms, so the window handles its events every few records.
    test::SimulatedClock clock{test::SimulatedClock::kFrequency / 1000};
    Convert window;
};

TEST_F(ConvertWindowTest, OpensWithItsCaptionsAndTheCommentChoice)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Conversion tool"));
    QAccessibleInterface* announced = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(announced, nullptr);
    EXPECT_EQ(announced->role(), QAccessible::Window) << "not a filler";
    EXPECT_EQ(announced->text(QAccessible::Name), window.windowTitle());
    EXPECT_EQ(window.ckSecondWordsInComment->text(),
              QStringLiteral("Check to put second word(s) in the ADIF COMMENTS field"));
    EXPECT_EQ(window.ckSecondWordsInQth->text(), QStringLiteral("Check to put second word(s) in the ADIF QTH field"));
    EXPECT_TRUE(window.ckSecondWordsInComment->isChecked());
    EXPECT_FALSE(window.ckSecondWordsInQth->isChecked());
    EXPECT_EQ(window.cmdStart->text(), QStringLiteral("Start"));
    EXPECT_EQ(window.cmdAbort->text(), QStringLiteral("Abort"));
    EXPECT_EQ(window.cmdExit->text(), QStringLiteral("Exit"));
}

TEST_F(ConvertWindowTest, CheckBoxesExcludeEachOtherButMayBothBeOff)
{
    window.ckSecondWordsInQth->click();
    EXPECT_FALSE(window.ckSecondWordsInComment->isChecked());
    EXPECT_TRUE(window.ckSecondWordsInQth->isChecked());
    window.ckSecondWordsInComment->click();
    EXPECT_TRUE(window.ckSecondWordsInComment->isChecked());
    EXPECT_FALSE(window.ckSecondWordsInQth->isChecked());
    window.ckSecondWordsInComment->click();
    EXPECT_FALSE(window.ckSecondWordsInComment->isChecked());
    EXPECT_FALSE(window.ckSecondWordsInQth->isChecked());
}

TEST_F(ConvertWindowTest, ConvertsWithTheChoiceOfTheCheckBoxes)
{
    window.ckSecondWordsInQth->click();
    dialogs.files.push_back(writeLog("<eoh>\n<CALL:5>F5ABC<NAME:10>JOHN SMITH<eor>\n"));
    dialogs.answers.push_back(QStringLiteral("f6xyz"));
    window.cmdStart->click();
    EXPECT_EQ(output().mid(output().indexOf("<EOH>\r\n\r\n") + 9),
              "<CALL:5>F5ABC<NAME:4>JOHN <QTH:5>SMITH <OPERATOR:5>F6XYZ <eor>\r\n");
    EXPECT_EQ(window.txtCall->text(), QStringLiteral("F5ABC"));
    EXPECT_EQ(window.progress->value(), window.progress->maximum());
    EXPECT_EQ(dialogs.order, QStringList({"file", "ask", "All done"}));
    EXPECT_TRUE(window.cmdExit->isEnabled());
}

TEST_F(ConvertWindowTest, ExitComesBackAfterACancelARefusalAndARun)
{
    dialogs.files = {QString(), folder.filePath(QStringLiteral("BAD.ADI")),
                     writeLog("<CALL:3>K1A <eor>\n")};
    for (int i = 0; i < 3; ++i) {
        window.cmdStart->click();
        EXPECT_TRUE(window.cmdExit->isEnabled()) << "after run " << i;
        EXPECT_TRUE(window.cmdStart->isEnabled()) << "after run " << i;
    }
    EXPECT_EQ(dialogs.order, QStringList({"file", "file", "Can't import this file ...", "file",
                                          "ask", "All done"}));
}

TEST_F(ConvertWindowTest, AbortButtonStopsALongRun)
{
    QByteArray file = "<eoh>\n";
    for (int i = 0; i < 5000; ++i)
        file += "<CALL:5>K" + QByteArray::number(1000 + i) + " <eor>\n";
    dialogs.files.push_back(writeLog(file));
    bool exitOffInRun = false;
    bool startOffInRun = false;
    QTimer::singleShot(0, &window, [&] {
        exitOffInRun = !window.cmdExit->isEnabled();
        startOffInRun = !window.cmdStart->isEnabled();
        window.cmdAbort->click();
    });
    window.cmdStart->click();

    EXPECT_TRUE(exitOffInRun);
    EXPECT_TRUE(startOffInRun);
    const int converted = static_cast<int>(output().count("<eor>\r\n"));
    EXPECT_GT(converted, 0);
    EXPECT_LT(converted, 5000);
    EXPECT_EQ(dialogs.last().title, QStringLiteral("All done"));
    EXPECT_TRUE(dialogs.last().text.startsWith(QLatin1Char(' ') + QString::number(converted) + " "));
    EXPECT_TRUE(window.cmdExit->isEnabled());
}

} // namespace
} // namespace tavrik::conversion
