// Tavrik's window in WinKey mode against two keyers: the project's emulator and a device
// model written apart from it, each on a pseudo-terminal behind a fixed link, as a USB
// keyer's stable name is.
#include "operator/frm_tavrik.h"
#include "operator/lamp.h"
#include "operator/operator_dialogs.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "platform/priority.h"
#include "support/isolated_runtime_dir.h"
#include "support/standin_process.h"
#include "support/winkey_emulator_process.h"
#include "support/window_fakes.h"
#include "winkey/frm_winkey_config.h"
#include "winkey/winkey_device_model.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace tavrik {
namespace {

using test::NoModemLines;
using test::NoPortIo;
using test::NoPriority;
using test::SilentDialogs;

// What a test does to the keyer, whichever it is.
class Keyer {
public:
    virtual ~Keyer() = default;
    virtual bool plugIn() = 0;
    virtual void unplug() = 0;
    // The operator's paddles break in for a moment.
    virtual void paddle() = 0;
    // The next log line, after the last one matched, that begins with `text`.
    virtual bool waitFor(const QString& text, int timeoutMs = 10000) = 0;
    virtual QStringList lines() = 0;
};

class ModelKeyer final : public Keyer {
public:
    explicit ModelKeyer(const QString& path) : model(path) {}
    bool plugIn() override { return model.plugIn(); }
    void unplug() override { model.unplug(); }
    void paddle() override { model.paddle(150); }
    bool waitFor(const QString& text, int timeoutMs) override { return model.waitFor(text, timeoutMs); }
    QStringList lines() override { return model.log(); }
    test::WinKeyDeviceModel model;
};

class EmulatorKeyer final : public Keyer {
public:
    explicit EmulatorKeyer(const QString& path) : path_(path) {}
    bool plugIn() override
    {
        process_ = std::make_unique<test::WinKeyEmulatorProcess>();
        return process_->start(QStringLiteral(WINKEY_EMULATOR),
                               {QStringLiteral("--echo"), QStringLiteral("end"), QStringLiteral("--link"), path_});
    }
    void unplug() override { process_->kill(); }
    void paddle() override { process_->command(QStringLiteral("paddle E")); }
    bool waitFor(const QString& text, int timeoutMs) override
    {
        // Its lines carry a description after the bytes; they begin the same.
        return process_->waitForLine(text, timeoutMs);
    }
    QStringList lines() override { return process_->lines(); }

private:
    QString path_;
    std::unique_ptr<test::WinKeyEmulatorProcess> process_;
};

enum class Kind { Model, Emulator };

// The text bytes the keyer was handed, in order ("rx 41" lines), as text.
QString HandedOver(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        if (words.size() >= 2 && words[0] == u"rx" && (words.size() == 2 || words[2].isEmpty() || words[2] == u"text")) {
            const int b = words[1].toInt(nullptr, 16);
            if (b >= 0x20 && b < 0x80 && b != 0x7C)
                text += QChar(b);
        }
    }
    return text;
}

int IndexOf(const QStringList& lines, const QString& start, int from = 0)
{
    for (int i = from; i < lines.size(); ++i) {
        if (lines[i].startsWith(start))
            return i;
    }
    return -1;
}

class WinKeyKeyerTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override
    {
        linkPath = QDir(programDir.path()).filePath(QStringLiteral("ttyWinKey"));
        if (GetParam() == Kind::Model) {
            auto m = std::make_unique<ModelKeyer>(linkPath);
            model = &m->model;
            keyer = std::move(m);
        } else {
            keyer = std::make_unique<EmulatorKeyer>(linkPath);
        }
    }

    void start(const QString& moreWinKeySettings = QString())
    {
        ASSERT_TRUE(keyer->plugIn());
        QFile ini(QDir(programDir.path()).filePath(QStringLiteral("TAVRIK.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[frmTavrik Settings]\nKeyer to Use=WinKey\nKeying=VOX\nWPM=40\n"
                                 "[WinKey Settings]\nWinKey Port=1\nWinKey Speed=40\nWinKey PTT Lead Delay=0\n"
                                 "WinKey PTT Lag Delay=0\nWinKey Speed Farnsworth=5\n%1"
                                 "[Devices]\nComm1=%2\n")
                      .arg(moreWinKeySettings, linkPath)
                      .toUtf8());
        ini.close();
        window = std::make_unique<FrmTavrik>(TavrikDevices{clock, priority, parallel, modemLines, dialogs});
        window->formLoad({programDir.path(), QString()});
        window->show();
    }

    void TearDown() override
    {
        if (HasFailure())
            std::fprintf(stderr, "keyer:\n%s\n", qPrintable(keyer->lines().join(u'\n')));
    }

    bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000)
    {
        return QTest::qWaitFor(condition, timeoutMs);
    }
    bool waitUntilIdle() { return waitUntil([this] { return !window->station().keyer().state().isSending; }); }
    QAction* action(const char* name) { return window->findChild<QAction*>(QLatin1String(name)); }
    QString stateShown() { return window->findChild<QLabel*>(QStringLiteral("sBarWinKey"))->text(); }

    test::IsolatedRuntimeDir runtime;
    QTemporaryDir programDir;
    QString linkPath;
    std::unique_ptr<Keyer> keyer;
    test::WinKeyDeviceModel* model = nullptr; // the model's own controls, when it is the keyer
    MonotonicClock clock;
    NoPriority priority;
    NoPortIo parallel;
    NoModemLines modemLines;
    SilentDialogs dialogs;
    std::unique_ptr<FrmTavrik> window;
};

TEST_P(WinKeyKeyerTest, TuneIsATransmissionOfItsOwnAndShutDownHandsTheKeyerBack)
{
    start();
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0F")));
    action("mnuTune")->trigger();
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0B 01")));
    EXPECT_TRUE(window->pttLamp().isOn());
    EXPECT_TRUE(action("mnuAbort")->isEnabled());
    // A macro meanwhile waits for the key to come up; Abort ends both.
    window->station().transmit().appendToTypingBox(QStringLiteral("CQ"));
    action("mnuAbort")->trigger();
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0B 00")));
    EXPECT_FALSE(window->pttLamp().isOn());
    EXPECT_FALSE(action("mnuAbort")->isEnabled());
    EXPECT_EQ(HandedOver(keyer->lines()), "");

    // Closed while tuning: the key comes up and the keyer goes back to standalone use.
    action("mnuTune")->trigger();
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0B 01")));
    window->close();
    EXPECT_TRUE(window->hasShutDown());
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0B 00")));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 00 03")));
}

TEST_P(WinKeyKeyerTest, AKeyerThatGoesAwayIsToldAndIsFoundAgainWhenItComesBack)
{
    start();
    ASSERT_TRUE(window->keyLamp().isOn()) << window->typingBox().notice().toStdString();
    QAction* port = action("mnuDedicatedSerialPort");
    EXPECT_TRUE(port->isChecked());
    EXPECT_EQ(stateShown(), "WinKey 2.3");
    EXPECT_EQ(action("mnuWinKeyVersion")->text(), "WinKey 2.3");
    EXPECT_TRUE(action("mnuWinKeyVersion")->isVisible());

    // Gone in mid-text: said at once, the lamp off, the entry unticked.
    window->station().transmit().appendToTypingBox(QStringLiteral("TEST TEST"));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("key 'E'")));
    keyer->unplug();
    ASSERT_TRUE(waitUntil([&] { return !window->keyLamp().isOn(); }));
    EXPECT_FALSE(window->station().keyer().state().isSending);
    EXPECT_EQ(window->typingBox().notice(), "WinKey port is not open");
    EXPECT_FALSE(port->isChecked());
    EXPECT_FALSE(action("mnuWinKeyVersion")->isVisible());
    EXPECT_EQ(stateShown(), "WinKey: searching");

    // A macro while it is away waits; the keyer replugged gets the whole start, then the text.
    window->station().transmit().appendToTypingBox(QStringLiteral("CQ"));
    ASSERT_TRUE(keyer->plugIn());
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 00 02")));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0F")));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("key 'Q'")));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(HandedOver(keyer->lines()).endsWith(u"CQ"));
    EXPECT_TRUE(window->keyLamp().isOn());
    EXPECT_TRUE(port->isChecked());
    EXPECT_EQ(stateShown(), "WinKey 2.3");
    EXPECT_TRUE(window->typingBox().notice().isEmpty());

    // Closed by the operator, it is not looked for.
    port->trigger();
    EXPECT_FALSE(window->station().winKey().reconnecting());
    EXPECT_EQ(stateShown(), "WinKey: closed");
}

TEST_P(WinKeyKeyerTest, EscClearsTheKeyerAndTheNextTextEndsOnItsOwnLastEcho)
{
    start();
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0F")));
    window->station().transmit().appendToTypingBox(QStringLiteral("TEST TEST"));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("key 'E'")));
    QTest::keyClick(&window->typingBox(), Qt::Key_Escape);
    window->station().transmit().appendToTypingBox(QStringLiteral("CQ"));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0A")));
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("tx 51"))); // the echo of the Q
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 1C")));
    const QStringList lines = keyer->lines();
    // Nothing of the first text is keyed after the clear, and the speed goes back only
    // after the last letter's echo.
    const int cleared = IndexOf(lines, QStringLiteral("rx 0A"));
    const int c = IndexOf(lines, QStringLiteral("key 'C'"), cleared);
    ASSERT_GE(c, 0);
    EXPECT_EQ(IndexOf(lines, QStringLiteral("key '"), cleared + 1), c);
    const int q = IndexOf(lines, QStringLiteral("tx 51"), c);
    EXPECT_LT(q, IndexOf(lines, QStringLiteral("rx 1C"), q + 1));
    EXPECT_EQ(HandedOver(lines).right(2), "CQ");
}

TEST_P(WinKeyKeyerTest, PastedSmallLettersAndJoinedLettersReachTheKeyer)
{
    start();
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0F")));
    QApplication::clipboard()->setText(QStringLiteral("tu a^r"));
    QTest::mouseClick(window->typingBox().viewport(), Qt::RightButton);
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 1B 41 52")));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(HandedOver(keyer->lines()), "TU ");
    if (model) {
        EXPECT_TRUE(model->waitFor(QStringLiteral("key 'AR'")));
    }
}

TEST_P(WinKeyKeyerTest, APaddleBreakInResumesAtTheFirstCharacterNotKeyed)
{
    start(QStringLiteral("WinKey Paddle Insert Cancels Macro=False\n"));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0F")));
    window->station().transmit().appendToTypingBox(QStringLiteral("CQ TEST DE"));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("key 'T'")));
    const int before = static_cast<int>(HandedOver(keyer->lines()).size());
    keyer->paddle();
    ASSERT_TRUE(waitUntilIdle());
    // The character the paddles took out of the keyer is handed over again, once.
    const QString text = HandedOver(keyer->lines());
    ASSERT_GT(text.size(), before);
    EXPECT_EQ(text.at(before), text.at(before - 1)) << text.toStdString();
    EXPECT_EQ(text.left(before) + text.mid(before + 1), "CQ TEST DE") << text.toStdString();
}

TEST_P(WinKeyKeyerTest, TwoRadioKeyingKeepsPttHangTimeAndPriority)
{
    test::StandInProcess logger;
    ASSERT_TRUE(logger.start());
    ASSERT_TRUE(logger.command(QStringLiteral("slot 7 2"), QStringLiteral("ok slot")));
    start(QStringLiteral("WinKey Radio 1 Pin 3=True\nWinKey WordSpace=2\nWinKey Paddle Operation=1\n"));
    // Radio 2 on pin 5, with PTT (01), hang time (20) and dahs priority (40) kept.
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0F")));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 09 69")));
}

TEST_P(WinKeyKeyerTest, HoldingRadioPollingIsAlwaysReleased)
{
    test::StandInProcess logger;
    ASSERT_TRUE(logger.start());
    // The logging program's notices about polling, in order.
    const auto polling = [&logger] {
        QStringList notices;
        for (const QString& line : logger.lines()) {
            if (line.contains(QStringLiteral(" 150 ")))
                notices << line.section(u' ', 1, 2);
        }
        return notices;
    };
    start(QStringLiteral("WinKey Hold Radio Polling=True\n"));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0F")));
    // A break-in while idle, then a close in mid-text.
    keyer->paddle();
    ASSERT_TRUE(waitUntil([&] { return polling().size() == 2; }));
    window->station().transmit().appendToTypingBox(QStringLiteral("TEST"));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("key 'T'")));
    window->close();
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 0A")));
    ASSERT_TRUE(keyer->waitFor(QStringLiteral("rx 00 03")));
    ASSERT_TRUE(waitUntil([&] { return polling().size() == 4; }));
    EXPECT_EQ(polling(), (QStringList{"150 1", "150 0", "150 1", "150 0"}));
}

INSTANTIATE_TEST_SUITE_P(BothKeyers, WinKeyKeyerTest, ::testing::Values(Kind::Model, Kind::Emulator),
                         [](const auto& info) { return info.param == Kind::Model ? "Model" : "Emulator"; });

// What only the model can do: answer as no WinKey, and send echoes nobody asked for.
class WinKeyModelTest : public WinKeyKeyerTest {};

TEST_P(WinKeyModelTest, OnlyAWinKeyRevisionAndOnlyTheAwaitedEchoCount)
{
    model->setHostOpenReply(QByteArray("\xFF\x13\x41", 3));
    start();
    EXPECT_EQ(window->typingBox().notice(), "Can't find WinKey");
    EXPECT_FALSE(window->keyLamp().isOn());
    EXPECT_EQ(stateShown(), "WinKey: closed");
    EXPECT_EQ(IndexOf(model->log(), QStringLiteral("rx 0F")), -1);

    // A real keyer, then Apply: the stale notice goes, the lamp comes on.
    model->setHostOpenReply(QByteArray(1, 23));
    action("mnuPort")->trigger();
    auto* dialog = window->findChild<FrmWinKeyConfig*>();
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ARButton1")), Qt::LeftButton);
    ASSERT_TRUE(model->waitFor(QStringLiteral("rx 0F")));
    EXPECT_TRUE(window->typingBox().notice().isEmpty());
    EXPECT_TRUE(window->keyLamp().isOn());

    // Stray echoes in one read hand over nothing more: each next character follows the
    // echo of the one before.
    window->station().transmit().appendToTypingBox(QStringLiteral("CQ TEST"));
    ASSERT_TRUE(model->waitFor(QStringLiteral("key 'C'")));
    model->inject("XY");
    ASSERT_TRUE(waitUntilIdle());
    const QStringList lines = model->log().mid(IndexOf(model->log(), QStringLiteral("rx 0F")));
    int outstanding = 0;
    for (const QString& line : lines) {
        const int b = line.mid(3).toInt(nullptr, 16);
        if (line.size() != 5 || b < 0x20 || b >= 0x58)
            continue; // commands, statuses, and the stray X and Y
        if (line.startsWith(u"rx "))
            EXPECT_LE(++outstanding, 1) << line.toStdString();
        else
            --outstanding;
    }
    EXPECT_EQ(HandedOver(lines), "CQ TEST");
}

INSTANTIATE_TEST_SUITE_P(Model, WinKeyModelTest, ::testing::Values(Kind::Model));

} // namespace
} // namespace tavrik
