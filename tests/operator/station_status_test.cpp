// What the main window tells the operator about its timing and its link.
#include "operator/lamp.h"
#include "operator/tavrik_menus.h"
#include "support/standin_process.h"
#include "support/station_fixture.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(StationStatus, TheVerMenuSaysWhetherTimingRunsInRealTime)
{
    test::Station station;
    const auto* entry = station.window().menus().mnuVer->findChild<QAction*>(QStringLiteral("mnuTimingPriority"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("Timing: normal priority (see README)"));
    EXPECT_FALSE(entry->isEnabled());
}

TEST(StationStatus, OnlyTheSpeedDisplayTakesSpeedClicks)
{
    test::Station station;
    FrmTavrik& window = station.window();
    auto* bar = window.findChild<QWidget*>(QStringLiteral("sBar"));
    auto* speed = window.findChild<QWidget*>(QStringLiteral("sBarSpeed"));
    const struct { const char* what; QWidget* target; QPoint at; bool steps; } clicks[] = {
        {"the KEY lamp", &window.keyLamp(), QPoint(), false},
        {"the PTT lamp", &window.pttLamp(), QPoint(), false},
        {"the gap after the speed", bar, QPoint(speed->geometry().right() + 4, bar->height() / 2), false},
        {"the speed display", speed, QPoint(), true},
    };
    for (const auto& c : clicks) {
        const QString before = window.speedText();
        QTest::mouseClick(c.target, Qt::LeftButton, {}, c.at.isNull() ? c.target->rect().center() : c.at);
        EXPECT_EQ(window.speedText() != before, c.steps) << c.what;
    }
}

TEST(StationStatus, ALinkBrokenByABlockCutShortShowsUntilTheLoggingProgramIsBack)
{
    test::StandInProcess standIn;
    test::StandInProcess restarted;
    test::Station station(test::Station::QuickMainSection(), QString(),
                          [&](const QString&) { ASSERT_TRUE(standIn.start()); });
    FrmTavrik& window = station.window();
    const auto problemShown = [&] {
        const auto* bar = window.findChild<QStatusBar*>();
        return bar != nullptr && bar->isVisible();
    };
    EXPECT_FALSE(problemShown());

    ASSERT_EQ(QProcess::execute(QStringLiteral("truncate"),
                                {QStringLiteral("-s"), QStringLiteral("100"), station.runtime.file(QStringLiteral("TAVRIK"))}),
              0);
    ASSERT_TRUE(QTest::qWaitFor(problemShown, 2000));
    EXPECT_TRUE(window.findChild<QStatusBar*>()->currentMessage().contains(QStringLiteral("holds 100 bytes")));

    standIn.kill();
    ASSERT_TRUE(restarted.start());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !problemShown(); }, 2000));
    EXPECT_TRUE(window.station().link().isUp());
}

} // namespace
} // namespace tavrik
