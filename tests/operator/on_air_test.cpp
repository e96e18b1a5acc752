// What happens on the air: no box holds the key line or PTT, a port that goes away is said so.
#include "keyer/setup/frm_port.h"
#include "operator/frm_assign_key.h"
#include "operator/frm_cw_macro_setup.h"
#include "operator/lamp.h"
#include "operator/tavrik_menus.h"
#include "support/pty.h"
#include "support/station_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

const QString kKeyedWithPtt = QStringLiteral("[frmTavrik Settings]\nPTT=ON\nPTT Delay=0\nSlow Typing=OFF\nKeying=VOX\n"
                                             "WPM=50\n");

void Click(QWidget* within, const char* name)
{
    auto* button = within->findChild<QPushButton*>(QLatin1String(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

QMessageBox* OpenMessageBox()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible())
            return box;
    }
    return nullptr;
}

// No logging program runs: the start-up says so in a box of its own.
void CloseStartUpBox()
{
    if (QMessageBox* box = OpenMessageBox())
        box->close();
}

struct EntryPoint {
    const char* what;
    std::function<void(FrmTavrik&)> before; // while nothing is sent
    std::function<void(FrmTavrik&)> during; // inside the send loop's wait, mid-dash
    bool endsTheTransmission;               // a modal picker; else a box that does not wait
};

// A box that waits for the operator inside the send loop would hang the test: the guard
// closes any such box after a while, and counts those it found with the PTT keyed.
class ModalGuard {
public:
    ModalGuard()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr)
                return;
            ++closed;
            if (station != nullptr && (station->port.controlRegister() & 0x04) != 0)
                ++closedWithPttOn;
            modal->close();
        });
        timer_.start(2000);
    }
    const test::Station* station = nullptr;
    int closed = 0;
    int closedWithPttOn = 0;

private:
    QTimer timer_;
};

TEST(BoxesOnTheAir, NoBoxHoldsTheKeyOrPtt)
{
    const auto setup = [](FrmTavrik& w) {
        w.menus().mnuPort->trigger();
        QApplication::setActiveWindow(w.keyerSetup().setupDialog());
    };
    const auto editor = [](FrmTavrik& w) {
        QTest::mouseClick(&w.button(2), Qt::RightButton);
        QApplication::setActiveWindow(w.macroEditor());
    };
    const EntryPoint entries[] = {
        {"Keyer setup's Apply", setup, [](FrmTavrik& w) { Click(w.keyerSetup().setupDialog(), "btnOK"); }, false},
        {"the 20 WPM test", setup, [](FrmTavrik& w) { Click(w.keyerSetup().setupDialog(), "ARButton1"); }, false},
        {"Ver > Version", [](FrmTavrik&) {}, [](FrmTavrik& w) { w.menus().mnuVersion->trigger(); }, false},
        {"the editor's Backcolor", editor, [](FrmTavrik& w) { Click(w.macroEditor(), "BackColorButton"); }, true},
        {"the editor's Forecolor", editor, [](FrmTavrik& w) { Click(w.macroEditor(), "Hbutton2"); }, true},
    };
    for (const EntryPoint& e : entries) {
        ModalGuard guard;
        test::Station station(kKeyedWithPtt, {}, {}, test::Station::Boxes::Real);
        CloseStartUpBox();
        guard.station = &station;
        const int closedBefore = guard.closed;
        FrmTavrik& window = station.window();
        e.before(window);
        station.after(40, [&] { e.during(window); });
        window.station().transmit().appendToTypingBox(QStringLiteral("TTT"));
        const std::size_t keyedUntilTheBox = station.keyDowns();
        EXPECT_EQ(guard.closedWithPttOn, 0) << e.what << ": a box held the PTT";
        if (e.endsTheTransmission) {
            // The picker waits for the send loop to have let go; then it is modal.
            EXPECT_TRUE(QTest::qWaitFor([&] { return guard.closed > closedBefore; }, 5000)) << e.what;
            EXPECT_EQ(keyedUntilTheBox, 1u) << e.what << ": the transmission ends at the dash";
        } else {
            EXPECT_EQ(keyedUntilTheBox, 3u) << e.what << ": the transmission goes on";
            QMessageBox* box = OpenMessageBox();
            EXPECT_NE(box, nullptr) << e.what << ": the box is still open";
            if (box != nullptr)
                box->close();
        }
        EXPECT_EQ(station.log.names({"key up", "ptt off"}).back(), "ptt off") << e.what;
        QTest::qWait(0);
    }
}

// While sending, Esc in any of Tavrik's windows aborts, as it does in the typing box.
TEST(BoxesOnTheAir, EscAbortsFromEveryWindow)
{
    struct Window {
        const char* what;
        std::function<QWidget*(FrmTavrik&)> open;
    };
    const Window windows[] = {
        {"the typing box", [](FrmTavrik& w) -> QWidget* { return &w.typingBox(); }},
        {"Keyer setup", [](FrmTavrik& w) -> QWidget* {
             w.menus().mnuPort->trigger();
             return w.keyerSetup().setupDialog();
         }},
        {"the macro editor", [](FrmTavrik& w) -> QWidget* {
             QTest::mouseClick(&w.button(3), Qt::RightButton);
             return w.macroEditor();
         }},
        {"Assign INS key", [](FrmTavrik& w) -> QWidget* {
             w.menus().mnuInsKey->trigger();
             return w.findChild<QWidget*>(QStringLiteral("frmAssignKey"));
         }},
        {"the version box", [](FrmTavrik& w) -> QWidget* {
             w.menus().mnuVersion->trigger();
             return OpenMessageBox();
         }},
    };
    for (const Window& c : windows) {
        ModalGuard guard;
        test::Station station(kKeyedWithPtt, {}, {}, test::Station::Boxes::Real);
        CloseStartUpBox();
        FrmTavrik& window = station.window();
        QWidget* target = c.open(window);
        ASSERT_NE(target, nullptr) << c.what;
        QApplication::setActiveWindow(target->window());
        station.after(40, [&] {
            QWidget* focus = target->window()->focusWidget();
            QTest::keyClick(focus != nullptr ? focus : target, Qt::Key_Escape);
        });
        window.station().transmit().appendToTypingBox(QStringLiteral("TTT"));
        EXPECT_EQ(station.keyDowns(), 1u) << c.what;
        EXPECT_EQ(station.log.names({"ptt off"}).size(), 1u) << c.what;
        EXPECT_TRUE(target->window()->isVisible()) << c.what << ": Esc only aborts while sending";
        if (QMessageBox* box = OpenMessageBox())
            box->close();
    }
}

// Pickers and boxes sit centred on, and above, the window they belong to.
TEST(BoxPlacement, PickersAndBoxesSitOverTheirOwnWindow)
{
    struct Case {
        const char* what;
        std::function<QWidget*(FrmTavrik&)> open; // the window the box belongs to
        const char* button;
    };
    const Case cases[] = {
        {"the editor's colour dialog", [](FrmTavrik& w) -> QWidget* {
             QTest::mouseClick(&w.button(2), Qt::RightButton);
             return w.macroEditor();
         }, "BackColorButton"},
        {"the editor's font dialog", [](FrmTavrik& w) -> QWidget* {
             QTest::mouseClick(&w.button(2), Qt::RightButton);
             return w.macroEditor();
         }, "Hbutton2"},
        {"Keyer setup's refusal", [](FrmTavrik& w) -> QWidget* {
             w.menus().mnuPort->trigger();
             w.keyerSetup().setupDialog()->findChild<QLineEdit*>(QStringLiteral("Text3"))->setText(QStringLiteral("x"));
             return w.keyerSetup().setupDialog();
         }, "btnOK"},
    };
    for (const Case& c : cases) {
        ModalGuard guard;
        test::Station station(kKeyedWithPtt, {}, {}, test::Station::Boxes::Real);
        CloseStartUpBox();
        QWidget* owner = c.open(station.window());
        ASSERT_NE(owner, nullptr) << c.what;
        owner->move(40, 60);
        QApplication::setActiveWindow(owner);
        QWidget* shown = nullptr;
        QRect placed;
        bool onTop = false;
        const auto look = [&] {
            shown = QApplication::activeModalWidget();
            if (shown == nullptr)
                shown = OpenMessageBox();
            if (shown == nullptr)
                return;
            placed = shown->frameGeometry();
            onTop = shown->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            EXPECT_EQ(shown->parentWidget(), owner) << c.what;
            shown->close();
        };
        QTimer::singleShot(300, look);
        Click(owner, c.button);
        ASSERT_TRUE(shown != nullptr || QTest::qWaitFor([&] { return shown != nullptr; }, 2000)) << c.what;
        EXPECT_LE((placed.center() - owner->frameGeometry().center()).manhattanLength(), 4) << c.what;
        EXPECT_EQ(onTop, owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << c.what;
    }
}

// The disk may take its time over a write; the send loop must not wait for it.
TEST(SettingsOnTheAir, WhatATransmissionChangesGoesToTheDiskOnceItHasEnded)
{
    test::Station station(kKeyedWithPtt + QStringLiteral("Macro #1=$cwspeeddn$\n"));
    FrmTavrik& window = station.window();
    QString fileWhileSending;
    station.after(40, [&] {
        QTest::keyClick(&window.typingBox(), Qt::Key_F1);
        station.after(100, [&] { fileWhileSending = station.iniText(); });
    });
    window.station().transmit().appendToTypingBox(QStringLiteral("TTT"));
    EXPECT_EQ(station.keyDowns(), 3u);
    EXPECT_TRUE(fileWhileSending.contains(QStringLiteral("WPM=50"))) << qPrintable(fileWhileSending);
    QTest::qWait(0);
    EXPECT_TRUE(station.iniText().contains(QStringLiteral("WPM=49")));
}

// A USB adapter pulled: its pseudo-terminal's far end closes.
TEST(KeyingPortOnTheAir, APortWhoseDeviceGoesAwayIsSaidSoAndNothingGoesAsSent)
{
    for (const bool whileSending : {false, true}) {
        auto adapter = std::make_unique<test::Pty>();
        ASSERT_TRUE(adapter->ok());
        test::Station station(kKeyedWithPtt + QStringLiteral("Port to Use=Serial\nDedicated Serial Port=Comm1\n"
                                                             "[Devices]\nComm1=%1\n").arg(adapter->slavePath()));
        FrmTavrik& window = station.window();
        ASSERT_TRUE(window.station().cwControl().portOpen());
        EXPECT_FALSE(window.keyLamp().lineGone());
        if (whileSending) {
            station.after(40, [&] { adapter.reset(); });
        } else {
            adapter.reset();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !window.station().cwControl().portOpen(); }, 5000));
        }
        window.station().transmit().appendToTypingBox(QStringLiteral("TTTTT"));
        EXPECT_FALSE(window.station().keyer().state().isSending);
        EXPECT_LE(window.station().keyer().state().sentCharCount, 2) << whileSending;
        EXPECT_TRUE(window.typingBox().notice().startsWith(QStringLiteral("CW Port error : "))) << whileSending;
        EXPECT_GT(window.typingBox().notice().size(), 20) << whileSending << ": with the cause";
        EXPECT_TRUE(window.typingBox().text().isEmpty()) << whileSending;
        EXPECT_TRUE(window.keyLamp().lineGone()) << whileSending;
        EXPECT_FALSE(window.menus().mnuDedicatedSerialPort->isChecked()) << whileSending;
    }
}

} // namespace
} // namespace tavrik
