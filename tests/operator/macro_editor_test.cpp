#include "macros/macro_store.h"
#include "operator/frm_cw_macro_setup.h"
#include "operator/tavrik_menus.h"
#include "support/qt_print.h"
#include "support/station_fixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(MacroStoreRules, CaptionsAndStoredForms)
{
    const struct { QString typed; QString caption; } captions[] = {
        {QStringLiteral("Chr$(65)"), QStringLiteral("A")},
        {QStringLiteral("chr$(66)"), QStringLiteral("B")},
        {QStringLiteral("x Chr$(67) y"), QStringLiteral("C")},
        {QStringLiteral("Chr$(128)"), QStringLiteral("\u20AC")},
        {QString(), QStringLiteral(" ")},
        // No character code of the code page: left as typed.
        {QStringLiteral("Chr$(256)"), QStringLiteral("Chr$(256)")},
        {QStringLiteral("Chr$(99999999999999)"), QStringLiteral("Chr$(99999999999999)")},
        {QStringLiteral("Chr$(65"), QStringLiteral("Chr$(65")},
    };
    for (const auto& c : captions)
        EXPECT_EQ(ButtonCaptionFrom(c.typed), c.caption) << c.typed.toStdString();

    EXPECT_EQ(MacroSetupCaption(3), QStringLiteral("Macro Setup for F3"));
    EXPECT_EQ(MacroSetupCaption(14), QStringLiteral("Macro Setup for ALT F2"));
    EXPECT_EQ(MacroSetupCaption(30), QStringLiteral("Macro Setup for CTRL F6"));
    EXPECT_EQ(StoredMacroText(QStringLiteral("CQ\nDE\r\nK")), QStringLiteral("CQ~DE~K"));
    EXPECT_EQ(LoadedMacroText(QStringLiteral("CQ~DE")), QStringLiteral("CQ\nDE"));
}

class MacroEditorTest : public ::testing::Test {
protected:
    FrmCwMacroSetup& openEditor(test::Station& s, int index)
    {
        QTest::mouseClick(&s.window().button(index), Qt::RightButton);
        FrmCwMacroSetup* editor = s.window().macroEditor();
        EXPECT_NE(editor, nullptr);
        return *editor;
    }
    static void click(FrmCwMacroSetup& editor, const char* name)
    {
        QTest::mouseClick(editor.findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
    }
    static QPlainTextEdit& text(FrmCwMacroSetup& editor)
    {
        return *editor.findChild<QPlainTextEdit*>(QStringLiteral("MacroText"));
    }
    static QLineEdit& caption(FrmCwMacroSetup& editor)
    {
        return *editor.findChild<QLineEdit*>(QStringLiteral("CaptionText"));
    }

    test::Station station{test::Station::NumberedMacros()};
};

// The whole round: edit through the window, OK, the file, then a restart from that file.
TEST_F(MacroEditorTest, EditedMacroIsOnTheButtonInTheFileAndBackAfterARestart)
{
    FrmCwMacroSetup& editor = openEditor(station, 30);
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Macro Setup for CTRL F6"));
    EXPECT_EQ(text(editor).toPlainText(), QStringLiteral("B30"));
    EXPECT_TRUE(station.window().typingBox().text().isEmpty()) << "a right click sends nothing";

    text(editor).clear();
    QTest::keyClicks(&text(editor), QStringLiteral("CQ~"));
    QTest::keyClick(&text(editor), Qt::Key_Return);
    QTest::keyClicks(&text(editor), QStringLiteral("DE"));
    caption(editor).setText(QStringLiteral("chr$(66)"));
    station.dialogs.colourAnswers = {255, std::nullopt};
    click(editor, "BackColorButton");
    click(editor, "Hbutton3"); // cancelled: the mouse-over colour stays
    station.dialogs.fontAnswers = {FontChoice{QStringLiteral("Courier New"), 10, true, false, 16711680}};
    click(editor, "Hbutton4");
    click(editor, "Hbutton5");

    EXPECT_EQ(station.window().macroEditor(), nullptr);
    EXPECT_EQ(station.window().button(30).caption(), QStringLiteral("B"));
    EXPECT_EQ(station.window().station().macroStore().slot(30).text, QStringLiteral("CQ\nDE"));
    const QString ini = station.iniText();
    const QStringList expected = {
        "Macro #30=CQ~DE", "Macro Caption #30=B", "Macro BackColor #30=255",
        "Macro MouseOver BackColor #30=14671839", "Macro ForeColor #30=0", "Macro MouseOver ForeColor #30=16711680",
        "Macro Fontname #30=MS Sans Serif", "Macro MouseOver Fontname #30=Courier New", "Macro Fontsize #30=8",
        "Macro MouseOver Fontsize #30=10", "Macro Fontbold #30=False", "Macro MouseOver Fontbold #30=True",
        "Macro Fontitalic #30=False", "Macro MouseOver Fontitalic #30=False"};
    qsizetype at = 0;
    for (const QString& line : expected) {
        const qsizetype found = ini.indexOf(line, at);
        EXPECT_GE(found, at) << line.toStdString() << " missing or out of order";
        at = std::max(at, found);
    }

    test::Station restarted(ini);
    const MacroSlot& slot = restarted.window().station().macroStore().slot(30);
    EXPECT_EQ(slot.text, QStringLiteral("CQ\nDE"));
    EXPECT_EQ(slot.backColor, 255u);
    EXPECT_EQ(slot.mouseOverFontName, QStringLiteral("MS Sans Serif")) << "one stored name serves both looks";
}

TEST_F(MacroEditorTest, LongestMacroIsStoredWholeAndALongerOneRefused)
{
    FrmCwMacroSetup& editor = openEditor(station, 5);
    const QString longest(3000, u'E');
    text(editor).setPlainText(longest + u'T');
    station.dialogs.messages.clear();
    click(editor, "Hbutton5");
    ASSERT_EQ(station.dialogs.messages.size(), 1u);
    EXPECT_EQ(station.dialogs.messages[0].title, QStringLiteral("Too verbose"));
    EXPECT_TRUE(station.dialogs.messages[0].text.contains(QStringLiteral("it is  3001 characters long")));
    EXPECT_NE(station.window().macroEditor(), nullptr);
    EXPECT_FALSE(station.iniText().contains(QStringLiteral("Macro #5=E")));

    text(editor).setPlainText(longest);
    click(editor, "Hbutton5");
    test::Station restarted(station.iniText());
    EXPECT_EQ(restarted.window().station().macroStore().slot(5).text, longest) << "cut after the restart";
}

TEST_F(MacroEditorTest, CaptionTheFileCannotKeepIsRefusedAtOk)
{
    for (const char* typed : {"Chr$(10)", "chr$(13)", "Chr$(0)"}) {
        const QString before = station.iniText();
        FrmCwMacroSetup& editor = openEditor(station, 4);
        caption(editor).setText(QLatin1String(typed));
        station.dialogs.messages.clear();
        click(editor, "Hbutton5");
        ASSERT_EQ(station.dialogs.messages.size(), 1u) << typed;
        EXPECT_EQ(station.dialogs.messages[0].title, QStringLiteral("Caption")) << typed;
        EXPECT_NE(station.window().macroEditor(), nullptr) << typed << ": the editor stays open";
        EXPECT_EQ(station.iniText(), before) << typed;
        click(editor, "Hbutton6");
    }
}

TEST_F(MacroEditorTest, ResetAllThenCancelChangesNothing)
{
    const QString before = station.iniText();
    FrmCwMacroSetup& editor = openEditor(station, 7);
    click(editor, "Hbutton7");
    EXPECT_TRUE(text(editor).toPlainText().isEmpty());
    click(editor, "Hbutton6");
    EXPECT_EQ(station.window().macroEditor(), nullptr);
    EXPECT_EQ(station.iniText(), before);
    EXPECT_EQ(station.window().station().macroStore().slot(7).text, QStringLiteral("B7"));
    EXPECT_EQ(station.window().button(7).caption(), QString());
}

TEST_F(MacroEditorTest, PressingAMacroButtonClosesTheEditor)
{
    openEditor(station, 2);
    QTest::mouseClick(&station.window().button(3), Qt::LeftButton);
    EXPECT_EQ(station.window().macroEditor(), nullptr);
    EXPECT_EQ(station.window().typingBox().text().trimmed(), QStringLiteral("B3"));
}

TEST(AppearanceMenus, ColourCommandsStoreTheirChoiceAndCancelStoresNothing)
{
    test::Station station;
    const TavrikMenus& m = station.window().menus();
    const struct { QAction* entry; const char* key; } cases[] = {
        {m.mnuWPMColor, "WPM Text Color"},
        {m.mnutextbackcolor, "TextBox Backcolor"},
        {m.mnutxtextcolor, "Transmitted Text Color"},
        {m.mnutxingtextcolor, "Transmitting Text Color"},
        {m.mnuLoopingBackColor, "Text BackColor (looping)"},
    };
    Colour colour = 100;
    for (const auto& c : cases) {
        station.dialogs.colourAnswers = {std::nullopt};
        c.entry->trigger();
        EXPECT_FALSE(station.iniText().contains(QLatin1String(c.key) + u'=')) << c.key;
        station.dialogs.colourAnswers = {++colour};
        c.entry->trigger();
        EXPECT_TRUE(station.iniText().contains(QLatin1String(c.key) + u'=' + QString::number(colour))) << c.key;
    }
    EXPECT_EQ(station.window().station().keyer().options().transmittedTextColor, 103u);
    EXPECT_EQ(station.window().station().keyer().options().transmittingTextColor, 104u);

    station.dialogs.fontAnswers = {FontChoice{QStringLiteral("MS Sans Serif"), 12, true, true, 255}};
    m.mnutextfont->trigger();
    for (const char* line : {"TextBox Font Name=MS Sans Serif", "TextBox Font Size=12", "TextBox Font Bold=True",
                             "TextBox Font Italic=True", "TextBox Forecolor=255"})
        EXPECT_TRUE(station.iniText().contains(QLatin1String(line))) << line;
    EXPECT_EQ(station.window().typingBox().font().pointSize(), 12);
    EXPECT_EQ(station.window().station().keyer().options().textBoxForeColor, 255u);
}

TEST(AppearanceMenus, VersionTellsTheVersionAndTheSettingsFile)
{
    test::Station station;
    station.dialogs.messages.clear();
    station.window().menus().mnuVersion->trigger();
    ASSERT_EQ(station.dialogs.messages.size(), 1u);
    EXPECT_TRUE(station.dialogs.messages[0].text.contains(station.window().station().settingsFile()->path()));
}

TEST(AppearanceMenus, AlwaysOnTopIsStoredAndApplied)
{
    test::Station station;
    FrmTavrik& window = station.window();
    const bool was = window.menus().mnuOnTop->isChecked();
    window.menus().mnuOnTop->trigger();
    EXPECT_EQ(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint), !was);
    EXPECT_TRUE(station.iniText().contains(was ? QStringLiteral("On Top=0") : QStringLiteral("On Top=1")));
    EXPECT_TRUE(window.isVisible());
    window.menus().mnuOnTop->trigger();
    EXPECT_EQ(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint), was);
}

TEST(AppearanceMenus, HidingTheExchangeFieldMovesTheCallsignAndHistoryRight)
{
    test::Station station(test::Station::QuickMainSection() + QStringLiteral("SRX Field Visible=True\n"));
    FrmTavrik& window = station.window();
    window.resize(900, window.height());
    QApplication::processEvents();
    const int callsignShown = window.callsignField().x();
    const int historyShown = window.history().x();
    window.menus().mnuShowSRX->trigger();
    QApplication::processEvents();
    EXPECT_GT(window.callsignField().x(), callsignShown);
    EXPECT_GT(window.history().x(), historyShown);
}

} // namespace
} // namespace tavrik
