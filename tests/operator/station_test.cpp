#include "keyer/sidetone.h"
#include "operator/frm_assign_key.h"
#include "operator/lamp.h"
#include "link/link_slots.h"
#include "operator/tavrik_menus.h"
#include "platform/runtime_dir.h"
#include "platform/shared_block.h"
#include "support/qt_print.h"
#include "support/station_fixture.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace tavrik {
namespace {

class KeyMapTest : public ::testing::Test {
protected:
    KeyMapTest() : station(test::Station::NumberedMacros(QStringLiteral("Macro Caption #9=&Tune up\nInsert Key=138\n"))) {}

    // Presses one key in the box and returns what it appended.
    QString press(QWidget* box, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        window.typingBox().clear();
        QTest::keyClick(box, key, modifiers);
        return window.typingBox().text();
    }

    test::Station station;
    FrmTavrik& window = station.window();
};

TEST_F(KeyMapTest, FunctionKeysPressTheirBankInEveryBox)
{
    const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; const char* pressed; } cases[] = {
        {Qt::Key_F5, Qt::NoModifier, "B5"},
        {Qt::Key_F1, Qt::NoModifier, "B1"},
        {Qt::Key_F12, Qt::AltModifier, "B24"},
        {Qt::Key_F5, Qt::ControlModifier, "B29"},
        {Qt::Key_F5, Qt::ShiftModifier, ""},                       // swallowed, presses nothing
        {Qt::Key_F5, Qt::ControlModifier | Qt::AltModifier, ""},
        {Qt::Key_Insert, Qt::NoModifier, "B27"},                   // assigned to CTL F3
        {Qt::Key_T, Qt::AltModifier, "B9"},                        // access letter of "&Tune up"
        {Qt::Key_F5, Qt::AltModifier, "B9"},                       // F5 is the code of 't': the letter wins
        {Qt::Key_Q, Qt::AltModifier, ""},                          // no caption carries &Q
    };
    QWidget* boxes[] = {&window.typingBox(), &window.callsignField(), &window.nameField()};
    for (QWidget* box : boxes) {
        for (const auto& c : cases)
            EXPECT_EQ(press(box, c.key, c.modifiers), QLatin1String(c.pressed)) << box->objectName().toStdString() << " " << c.key;
    }
}

TEST_F(KeyMapTest, ButtonsPressTheirMacrosAndAppendWithABlank)
{
    window.typingBox().clear();
    QTest::mouseClick(&window.button(3), Qt::LeftButton);
    QTest::mouseClick(&window.button(36), Qt::LeftButton);
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("B3 B36"));
    QTest::mouseClick(&window.button(7), Qt::RightButton); // the editor's click sends nothing
    EXPECT_EQ(window.typingBox().text(), QStringLiteral("B3 B36"));
}

TEST_F(KeyMapTest, PageKeysJumpBetweenTheBoxAndTheCallsign)
{
    QTest::keyClick(&window.typingBox(), Qt::Key_PageDown);
    EXPECT_TRUE(window.callsignField().hasFocus());
    QTest::keyClick(&window.callsignField(), Qt::Key_PageUp);
    EXPECT_TRUE(window.typingBox().hasFocus());
}

TEST_F(KeyMapTest, AssignKeyDialogShowsTheAssignmentAndTakesTheFirstClick)
{
    window.menus().mnuInsKey->trigger();
    auto* dialog = window.findChild<FrmAssignKey*>(QStringLiteral("frmAssignKey"));
    ASSERT_NE(dialog, nullptr);
    QListWidget& list = dialog->list();
    ASSERT_EQ(list.count(), 36);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("  F1"));
    EXPECT_EQ(list.item(12)->text(), QStringLiteral("  ALT F1"));
    EXPECT_EQ(list.item(35)->text(), QStringLiteral("  CTL F12"));
    EXPECT_EQ(list.currentRow(), 138 - 112);
    EXPECT_TRUE(dialog->isVisible());
    const QRect itemRect = list.visualItemRect(list.item(4));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, itemRect.center());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Insert Key=116")));
    EXPECT_EQ(press(&window.typingBox(), Qt::Key_Insert), QStringLiteral("B5"));

    // Without a mouse: the arrow keys choose, Enter assigns.
    window.menus().mnuInsKey->trigger();
    FrmAssignKey* again = nullptr;
    for (auto* d : window.findChildren<QDialog*>(QStringLiteral("frmAssignKey")))
        again = d->isVisible() ? static_cast<FrmAssignKey*>(d) : again; // the first one is closed
    ASSERT_NE(again, nullptr);
    QTest::keyClick(&again->list(), Qt::Key_Down);
    QTest::keyClick(&again->list(), Qt::Key_Return);
    EXPECT_FALSE(again->isVisible());
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Insert Key=117")));
}

TEST(StationDialogs, ChosenAgainTheOpenDialogComesForward)
{
    const struct { const char* keyer; const char* what; } cases[] = {
        {"Software", "Assign INS key"},
        {"WinKey", "Keyer setup"},
    };
    for (const auto& c : cases) {
        test::Station station(test::Station::QuickMainSection() + QStringLiteral("Keyer to Use=%1\n").arg(c.keyer));
        FrmTavrik& window = station.window();
        QAction* entry = std::string(c.what) == "Keyer setup" ? window.menus().mnuPort : window.menus().mnuInsKey;
        entry->trigger();
        entry->trigger();
        QTest::qWait(0);
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            shown += qobject_cast<QDialog*>(w) != nullptr && w->isVisible() ? 1 : 0;
        EXPECT_EQ(shown, 1) << c.keyer << " " << c.what;
    }
}

class FieldTest : public ::testing::Test {
protected:
    test::Station station{test::Station::NumberedMacros()};
    FrmTavrik& window = station.window();
};

TEST_F(FieldTest, CallsignIsUpperCasedAndTheNameIsNot)
{
    QTest::keyClicks(&window.callsignField(), QStringLiteral("k1abc"));
    QTest::keyClicks(&window.nameField(), QStringLiteral("John"));
    EXPECT_EQ(window.callsignField().text(), QStringLiteral("K1ABC"));
    EXPECT_EQ(window.nameField().text(), QStringLiteral("John"));
    QTest::keyClick(&window.callsignField(), Qt::Key_Return);
    EXPECT_EQ(window.callsignField().text(), QStringLiteral("K1ABC"));
}

TEST_F(FieldTest, DraggingSelectsInTheNameButNotInTheCallsign)
{
    for (ContactFieldEdit* field : {&window.callsignField(), &window.nameField()}) {
        field->setText(QStringLiteral("K1ABCDEFG"));
        const QPoint from(4, field->height() / 2);
        QTest::mousePress(field, Qt::LeftButton, {}, from);
        QMouseEvent drag(QEvent::MouseMove, QPointF(field->width() - 4, from.y()), field->mapToGlobal(QPointF(field->width() - 4, from.y())),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field, &drag);
        QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(field->width() - 4, from.y()));
        EXPECT_EQ(field->hasSelectedText(), field == &window.nameField()) << field->objectName().toStdString();
    }
}

TEST_F(FieldTest, ReceivedExchangeIsNeverEmpty)
{
    ContactFieldEdit& srx = window.srxField();
    EXPECT_EQ(srx.text(), QStringLiteral("###"));
    srx.end(false);
    QTest::keyClicks(&srx, QStringLiteral("5"));
    EXPECT_EQ(srx.text(), QStringLiteral("5"));
    QTest::keyClick(&srx, Qt::Key_Backspace);
    EXPECT_EQ(srx.text(), QStringLiteral("###"));
}

TEST_F(FieldTest, TabWalksTheFieldsAndSkipsAHiddenExchange)
{
    window.callsignField().setFocus();
    QTest::keyClick(&window.callsignField(), Qt::Key_Tab);
    EXPECT_TRUE(window.nameField().hasFocus());
    QTest::keyClick(&window.nameField(), Qt::Key_Tab);
    EXPECT_TRUE(window.callsignField().hasFocus());
    window.menus().mnuShowSRX->trigger();
    QTest::keyClick(&window.callsignField(), Qt::Key_Tab);
    EXPECT_TRUE(window.srxField().hasFocus());
    QTest::keyClick(&window.srxField(), Qt::Key_Tab);
    EXPECT_TRUE(window.nameField().hasFocus());
}

TEST_F(FieldTest, ViewCommandsShowAndHideAndStoreUnderTheirKeys)
{
    const struct { QAction* entry; const char* key; QWidget* widget; } cases[] = {
        {window.menus().mFkeys, "F Keys Visible", window.findChild<QWidget*>(QStringLiteral("ElasticOne3"))},
        {window.menus().mSFkeys, "SHIFT F Keys Visible", window.findChild<QWidget*>(QStringLiteral("ElasticOne2"))},
        {window.menus().mAFkeys, "ALT F Keys Visible", window.findChild<QWidget*>(QStringLiteral("ElasticOne1"))},
        {window.menus().mnuShowCallsign, "Callsign Field Visible", window.findChild<QWidget*>(QStringLiteral("sBar"))},
        {window.menus().mnuShowSRX, "SRX Field Visible", &window.srxField()},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.widget, nullptr) << c.key;
        const bool before = c.entry->isChecked();
        c.entry->trigger();
        EXPECT_EQ(c.widget->isHidden(), before) << c.key;
        EXPECT_TRUE(station.iniText().contains(QLatin1String(c.key) + (before ? QStringLiteral("=False") : QStringLiteral("=True"))))
            << c.key;
    }
}

TEST_F(FieldTest, HidingTheBanksLetsTheWindowShrink)
{
    const int withBanks = window.minimumHeight();
    window.menus().mFkeys->trigger();
    window.menus().mSFkeys->trigger();
    window.menus().mAFkeys->trigger();
    EXPECT_LT(window.minimumHeight(), withBanks);
    window.resize(window.width(), 10);
    window.menus().mFkeys->trigger();
    EXPECT_GE(window.height(), window.minimumHeight());
}

TEST(StationFields, TextOutsideTheCodePageStaysAsTypedAndTheSlotGetsItsNearestForm)
{
    SharedBlock block; // the logging program's side
    test::Station station(test::Station::QuickMainSection(), QString(), [&](const QString&) {
        const RuntimeDir dir = PrepareRuntimeDir();
        ASSERT_TRUE(dir.ready());
        ASSERT_TRUE(block.create(dir.path + QStringLiteral("/TAVRIK"), LinkSlots::kBlockSize));
        for (int k = 0; k < LinkSlots::kCount; ++k)
            block.write(LinkSlots::Offset(k), LinkSlots::ClearedText());
    });
    FrmTavrik& window = station.window();
    ASSERT_TRUE(window.station().link().isUp());
    const struct { ContactFieldEdit* field; int slot; const char* typed; const char* stored; } cases[] = {
        {&window.nameField(), LinkSlots::kName, "Paweł", "Pawel"},
        {&window.nameField(), LinkSlots::kName, "Jan ", "Jan "}, // a blank before the next name
        {&window.nameField(), LinkSlots::kName, "Zoë Œrsted", "Zoë Œrsted"},
        {&window.callsignField(), LinkSlots::kCallsign, "sp9łk", "SP9LK"},
    };
    for (const auto& c : cases) {
        c.field->clear();
        for (const QChar letter : QString::fromUtf8(c.typed)) {
            // A letter of a national layout: its key code is its capital's code point.
            QTest::sendKeyEvent(QTest::Click, c.field, static_cast<Qt::Key>(letter.toUpper().unicode()), QString(letter),
                                Qt::NoModifier);
        }
        const QString typed = c.field->text();
        window.station().link().pollLink(); // what the link timer does every 200 ms
        EXPECT_EQ(c.field->text(), typed) << c.typed;
        EXPECT_EQ(block.read(LinkSlots::Offset(c.slot), LinkSlots::kTextBytes), LinkSlots::EncodeText(QString::fromUtf8(c.stored)))
            << c.typed;
    }
    // A value the logging program writes still reaches the field.
    block.write(LinkSlots::Offset(LinkSlots::kName), LinkSlots::EncodeText(QStringLiteral("Anna")));
    window.station().link().pollLink();
    EXPECT_EQ(window.nameField().text(), QStringLiteral("Anna"));
}

TEST(StationStartUp, AppliesTheStoredLookAndSpeed)
{
    test::Station station(QStringLiteral("[FrmTavrik Settings]\nWPM=25\nKeyer to Use=Software\nKeying=mox\n"
                                         "TextBox Backcolor=255\nSerial # 0 preference=T\nMacro Caption #4=&Exch\n"));
    FrmTavrik& window = station.window();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tavrik - Software"));
    EXPECT_EQ(window.speedText(), QStringLiteral(" Keying speed = 25 WPM"));
    EXPECT_EQ(window.station().keyer().state().dotMs, 48);
    EXPECT_TRUE(window.menus().mnuSoftwareKeyer->isChecked());
    EXPECT_TRUE(window.menus().mnuMOX->isChecked()); // "mox" is not "VOX"
    EXPECT_TRUE(window.menus().mnuSend0asT->isChecked());
    EXPECT_EQ(window.typingBox().palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(window.button(4).caption(), QStringLiteral("&Exch"));
    EXPECT_FALSE(window.menus().mnuTX->isEnabled());
    EXPECT_FALSE(window.menus().mnuAbort->isEnabled());
    EXPECT_TRUE(window.menus().mnuVersion->text().startsWith(QStringLiteral("Version 1.")));
}

TEST(StationStartUp, ButtonsKeepOneSizeWhateverTheirCaptionAndFont)
{
    test::Station station(test::Station::QuickMainSection()
                          + QStringLiteral("Macro Caption #2=A CAPTION FAR TOO LONG FOR ANY BUTTON OF THE BANK\n"
                                           "Macro Caption #3=Big\nMacro Fontsize #3=12\nMacro Fontbold #3=True\n"
                                           "Macro Caption #14=&Exch\n"));
    FrmTavrik& window = station.window();
    window.resize(800, window.height());
    QTest::qWait(0);
    const QSize size = window.button(1).size();
    for (int i = 2; i <= 36; ++i) {
        if (window.button(i).isVisible()) {
            // The layout hands the pixels left over to some of the buttons.
            EXPECT_LE(std::abs(window.button(i).width() - size.width()), 1) << "button " << i;
            EXPECT_EQ(window.button(i).height(), size.height()) << "button " << i;
        }
    }
}

TEST(StationSettings, SettingThatCannotBeSavedIsShownOnceAndTheWindowGoesOn)
{
    test::Station station;
    FrmTavrik& window = station.window();
    // Another program keeps the file locked past the writer's patience.
    const QByteArray ini = QFile::encodeName(QDir(station.programDir()).filePath(QStringLiteral("TAVRIK.INI")));
    const int holder = ::open(ini.constData(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &lock), 0);
    window.menus().mFkeys->trigger();
    window.menus().mSFkeys->trigger();
    ::close(holder);

    const QList<QMessageBox*> boxes = window.findChildren<QMessageBox*>(QStringLiteral("saveProblem"));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0]->isVisible());
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_TRUE(boxes[0]->text().contains(QStringLiteral("\"F Keys Visible\""))) << boxes[0]->text().toStdString();
    EXPECT_TRUE(boxes[0]->text().contains(QStringLiteral("locked"))) << boxes[0]->text().toStdString();
    EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("ElasticOne3"))->isHidden());
}

TEST(StationStartUp, LanguageFileTranslatesMenuCaptions)
{
    qputenv("LANG", "sv_SE.UTF-8");
    test::Station station(test::Station::QuickMainSection(), QString(), [](const QString& dir) {
        QFile file(dir + QStringLiteral("/1053.lng"));
        file.open(QIODevice::WriteOnly);
        file.write("9501=Inst\xc3\xa4llningar\n9502=  \n");
    });
    qunsetenv("LANG");
    EXPECT_EQ(station.window().menus().mnuConfig->title(), QStringLiteral("Inställningar"));
    EXPECT_EQ(station.window().menus().mnuWinKey->text(), QStringLiteral("WinKey")); // blank text keeps it
}

TEST(StationStartUp, NoSidetoneOutputIsAChoiceNotAFailure)
{
    test::Station station(QStringLiteral("[frmTavrik Settings]\nSideTone=ON\n[Devices]\nSidetone Output=none\n"));
    EXPECT_TRUE(station.window().typingBox().notice().isEmpty());
}

TEST(StationStartUp, ErrorsShownInTheBoxAreNeverSent)
{
    test::Station station(QStringLiteral("[frmTavrik Settings]\nSideTone=ON\nPTT Delay=0\nSlow Typing=OFF\n"
                                         "[Devices]\nSidetone Output=wav:/nonexistent-folder/cw.wav\n"));
    FrmTavrik& window = station.window();
    EXPECT_EQ(window.typingBox().notice(), QStringLiteral("Unable to create DirectX 8 sound."));
    EXPECT_FALSE(window.station().sidetone().sidetoneOn());
    EXPECT_TRUE(window.typingBox().text().isEmpty());
    QTest::keyClicks(&window.typingBox(), QStringLiteral("e"));
    EXPECT_EQ(station.keyDowns(), 1u); // only the E
    EXPECT_TRUE(window.typingBox().notice().isEmpty());
}

TEST(StationStartUp, UnopenablePortIsReportedInTheBox)
{
    test::Station station(QStringLiteral("[frmTavrik Settings]\nPort to Use=Serial\nDedicated Serial Port=COM1\n"));
    EXPECT_TRUE(station.window().typingBox().notice().startsWith(QStringLiteral("CW Port error : ")));
}

TEST(StationMacros, SerialNumberZerosFollowTheChosenEntry)
{
    test::Station station;
    FrmTavrik& window = station.window();
    QAction* send0asT = window.menus().mnuSend0asT;
    QAction* send0asO = window.menus().mnuSend0asO;
    QAction* send0as0 = window.menus().mnuSend0as0;
    send0asT->trigger();
    send0asT->trigger(); // choosing it again keeps it chosen
    EXPECT_TRUE(send0asT->isChecked());
    EXPECT_FALSE(send0as0->isChecked());
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Serial # 0 preference=T")));
    EXPECT_EQ(window.station().zeroPreference(), ZeroPreference::LetterT);
    send0asO->trigger();
    EXPECT_FALSE(send0asT->isChecked());
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("Serial # 0 preference=O")));
    EXPECT_EQ(window.station().zeroPreference(), ZeroPreference::LetterO);
}

TEST(StationShutDown, StoresThePlacementUnlessMinimised)
{
    const QString ini = QStringLiteral("[frmTavrik Settings]\nTop=600\nLeft=900\nWidth=9000\nHeight=6000\n");
    {
        test::Station station(ini);
        station.window().showMinimized();
        station.window().close();
        EXPECT_TRUE(station.iniText().contains(QStringLiteral("Top=600\nLeft=900\nWidth=9000\nHeight=6000")));
    }
    test::Station station(ini);
    station.window().move(100, 50);
    station.window().resize(800, 400);
    station.window().close();
    const QString stored = station.iniText();
    EXPECT_TRUE(stored.contains(QStringLiteral("Left=1500"))) << stored.toStdString();
    EXPECT_TRUE(stored.contains(QStringLiteral("Width=12000"))) << stored.toStdString();
}

struct LoopCanceller {
    const char* what;
    std::function<void(FrmTavrik&)> act;
    bool cancels;
};

TEST(StationLoop, LoopingMacroArmsAfterTheTransmissionAndTheOperatorCancelsIt)
{
    const LoopCanceller cancellers[] = {
        {"Esc in the box", [](FrmTavrik& w) { QTest::keyClick(&w.typingBox(), Qt::Key_Escape); }, true},
        {"Backspace in the callsign", [](FrmTavrik& w) { QTest::keyClick(&w.callsignField(), Qt::Key_Backspace); }, true},
        {"a letter in the name", [](FrmTavrik& w) { QTest::keyClick(&w.nameField(), Qt::Key_A); }, true},
        {"Backspace in the name", [](FrmTavrik& w) { QTest::keyClick(&w.nameField(), Qt::Key_Backspace); }, true},
        {"a click in the callsign", [](FrmTavrik& w) { QTest::mouseClick(&w.callsignField(), Qt::LeftButton); }, true},
        {"a letter in the exchange", [](FrmTavrik& w) { QTest::keyClick(&w.srxField(), Qt::Key_5); }, false},
    };
    for (const LoopCanceller& c : cancellers) {
        test::Station station(QStringLiteral("[frmTavrik Settings]\nPTT Delay=0\nSlow Typing=OFF\nMacro #1=E $loop$\n"
                                             "Text BackColor (looping)=65280\nSRX Field Visible=True\n"));
        FrmTavrik& window = station.window();
        QTest::keyClick(&window.typingBox(), Qt::Key_F1);
        EXPECT_EQ(station.keyDowns(), 1u);
        EXPECT_EQ(window.station().transmit().loopInterval(), 5000);
        EXPECT_TRUE(window.station().transmit().loopTimerEnabled());
        EXPECT_EQ(window.typingBox().palette().color(QPalette::Base), QColor(0, 255, 0));
        c.act(window);
        EXPECT_EQ(window.station().transmit().loopInterval() == 0, c.cancels) << c.what;
        EXPECT_EQ(window.station().transmit().loopTimerEnabled(), !c.cancels) << c.what;
        EXPECT_EQ(window.typingBox().palette().color(QPalette::Base) == QColor(0, 255, 0), !c.cancels) << c.what;
    }
}

} // namespace
} // namespace tavrik
