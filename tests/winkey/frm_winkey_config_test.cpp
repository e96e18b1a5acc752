#include "winkey/frm_winkey_config.h"
#include "stored_winkey_settings.h"

#include "settings/settings_file.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace tavrik {
namespace {

WinKeySettings Stored()
{
    WinKeySettings s = test::DefaultWinKeySettings();
    s.port = 3;
    return s;
}

class FrmWinKeyConfigTest : public ::testing::Test {
protected:
    FrmWinKeyConfig* open(const WinKeySettings& s)
    {
        dialog = new FrmWinKeyConfig(
            s, [this](const QString& section, const QString& key, const QString& value) {
                file.WriteSetting(section, key, value);
            },
            [this](const QString& title, const QString& text) { shown.push_back(title + u'|' + text); }, nullptr);
        dialog->show();
        return dialog;
    }
    template <typename T>
    T* child(const char* name) { return dialog->findChild<T*>(QLatin1String(name)); }
    void click(const char* name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
    QString fileText() const
    {
        QFile f(file.path());
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }

    QTemporaryDir dir;
    SettingsFile file{dir.path(), QString()};
    std::vector<QString> shown;
    QPointer<FrmWinKeyConfig> dialog;
};

TEST_F(FrmWinKeyConfigTest, ValueLabels)
{
    const std::pair<const char*, int> sliders[] = {{"Slider6", 33}, {"Slider6", 66}, {"Slider3", 25}, {"Slider7", 90},
                                                   {"Slider7", 40}, {"Slider7", 50}, {"Slider11", 20}, {"Slider10", 55}};
    const char* expected[] = {"1:1.98", "1:3.96", "250 ms.", "+80%", "-20%", "0%", "20 WPM", "55%"};
    for (std::size_t i = 0; i < std::size(sliders); ++i)
        EXPECT_EQ(FrmWinKeyConfig::ValueText(QLatin1String(sliders[i].first), sliders[i].second), expected[i]);

    open(Stored());
    child<QSlider>("Slider3")->setValue(25);
    EXPECT_EQ(child<QLabel>("Slider3Value")->text(), "250 ms.");
}

TEST_F(FrmWinKeyConfigTest, LoadAndInterlocks)
{
    WinKeySettings s = Stored();
    s.sideTone = true; // with PTT on too: the sidetone box wins
    open(s);
    EXPECT_FALSE(child<QCheckBox>("ckWinKeyPTT")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("ckWinKeySideTone")->isChecked());
    delete dialog;

    s = Stored();
    s.pin3 = false;
    s.sideTone = false;
    open(s);
    EXPECT_TRUE(child<QCheckBox>("ckWinKeyPin5")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("ckWinKeyPin3")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("ckWinKeyPTT")->isEnabled());
    EXPECT_TRUE(child<QCheckBox>("ckWinKeyPTT")->isChecked());

    // Pin 3 and pin 5 as a pair; PTT and sidetone exclude each other.
    click("ckWinKeyPin3");
    EXPECT_FALSE(child<QCheckBox>("ckWinKeyPin5")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("ckWinKeyPTT")->isEnabled());
    click("ckWinKeySideTone");
    EXPECT_FALSE(child<QCheckBox>("ckWinKeyPTT")->isChecked());
    click("ckWinKeyPin5");
    EXPECT_FALSE(child<QCheckBox>("ckWinKeyPin3")->isChecked());

    // A two-radio choice takes over the key pin; dropping it frees all four boxes.
    click("ckRadio1Pin5");
    click("ckRadio1Pin3");
    EXPECT_FALSE(child<QCheckBox>("ckRadio1Pin5")->isChecked());
    for (const char* name : {"ckWinKeyPin3", "ckWinKeyPin5", "ckWinKeyPTT", "ckWinKeySideTone"})
        EXPECT_FALSE(child<QCheckBox>(name)->isEnabled()) << name;
    click("ckRadio1Pin3");
    for (const char* name : {"ckWinKeyPin3", "ckWinKeyPin5", "ckWinKeyPTT", "ckWinKeySideTone"})
        EXPECT_TRUE(child<QCheckBox>(name)->isEnabled()) << name;
}

TEST_F(FrmWinKeyConfigTest, SpeedPotChecksStoreNothing)
{
    // 37 minus 5 is one more than the keyer's pot takes.
    const std::pair<int, int> cases[] = {{30, 30}, {20, 40}, {37, 5}};
    const QString equal = QStringLiteral("Invalise Speed Pot settings|The Speed Pot Max must be greater than the Min value.");
    const QString range = QStringLiteral(
        "Invalise Speed Pot settings|The Speed Pot Max and Min values are incorrect.  The current values show Max of 37 "
        "and Min of 5.  The difference between Max and Min settings must be 31 or less.");
    open(Stored());
    QSignalSpy applied(dialog.data(), &FrmWinKeyConfig::applied);
    for (const auto& [max, min] : cases) {
        child<QSlider>("Slider1")->setValue(max);
        child<QSlider>("Slider5")->setValue(min);
        click("ARButton1");
    }
    EXPECT_EQ(shown, (std::vector<QString>{equal, equal, range}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(applied.count(), 0);
    EXPECT_FALSE(fileText().contains(QStringLiteral("WinKey")));
}

TEST_F(FrmWinKeyConfigTest, ApplyWritesAllTwentyEightKeysInOrderAndCloses)
{
    WinKeySettings s = Stored();
    s.pin3 = false;
    s.sideTone = false;
    open(s);
    QSignalSpy applied(dialog.data(), &FrmWinKeyConfig::applied);
    click("ckRadioPolling");
    click("ARButton1");
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
    ASSERT_EQ(applied.count(), 1);
    EXPECT_TRUE(applied.at(0).at(0).value<WinKeySettings>().holdRadioPolling);

    const QString expected = QStringLiteral(
        "[WinKey Settings]\nWinKey Port=3\nWinKey Key Mode=0\nWinKey Tone=752\nWinKey WordSpace=0\n"
        "WinKey Paddle Operation=0\nWinKey PTT Lead Delay=100\nWinKey PTT Lag Delay=250\nWinKey Speed Max=30\n"
        "WinKey Speed Min=15\nWinKey Speed Farnsworth=20\nWinKey DitDah Ratio=50\nWinKey DitDah Weight=50\n"
        "WinKey First Extension=0\nWinKey Compensation=0\nWinKey Paddle Switchpoint=50\nWinKey Speed=15\n"
        "WinKey PTT=True\nWinKey Sidetone=False\nWinKey Pin 3=False\nWinKey AutoSpace=True\n"
        "WinKey Contest WordSpace=False\nWinKey Switch Paddles=False\nWinKey Analog Speed=False\n"
        "WinKey Disable Paddle Memory=False\nWinKey Paddle Insert Cancels Macro=True\nWinKey Radio 1 Pin 3=False\n"
        "WinKey Radio 2 Pin 3=False\nWinKey Hold Radio Polling=True\n");
    EXPECT_EQ(fileText().remove(u'\r'), expected);
}

TEST_F(FrmWinKeyConfigTest, CancelAndCloseStoreNothing)
{
    for (const bool viaTitleBar : {false, true}) {
        open(Stored());
        QSignalSpy applied(dialog.data(), &FrmWinKeyConfig::applied);
        click("ckWinKeyAnalogSpeed");
        if (viaTitleBar)
            dialog->close();
        else
            click("btnCancel");
        EXPECT_EQ(applied.count(), 0);
        EXPECT_FALSE(fileText().contains(QStringLiteral("WinKey")));
    }
}

} // namespace
} // namespace tavrik
