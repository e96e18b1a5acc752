#include "settings/settings_file.h"

#include "platform/settings_location.h"
#include "settings/ini_file.h"
#include "temp_files.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace tavrik {
namespace {

using test::TempFolder;

QString U(const char* text) { return QString::fromUtf8(text); }

// Points the configuration folder at a scratch folder for one test.
class ConfigHome {
public:
    ConfigHome() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder_.folder())); }
    ~ConfigHome() { qunsetenv("XDG_CONFIG_HOME"); }
    QString tavrikFolder() const { return folder_.path(U("tavrik")); }

private:
    TempFolder folder_;
};

const QRegularExpression kStamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d \\S+ \\d\\d, \\d{4}$"));

TEST(SettingsPath, ProfileBesideTheProgramOrInTheConfigFolder)
{
    ConfigHome config;
    TempFolder program;
    program.put(U("TAVRIK.INI"), "[S]\n");
    const auto writable = [](const QString&) { return true; };
    const auto readOnly = [](const QString&) { return false; };
    const struct {
        const char* argument;
        bool folderWritable;
        QString expected;
    } cases[] = {
        {"", true, program.path(U("TAVRIK.INI"))},
        {"2", true, program.path(U("2TAVRIK.INI"))},
        {"", false, program.path(U("TAVRIK.INI"))}, // an installed file is still used
        {"2", false, config.tavrikFolder() + U("/2TAVRIK.INI")},
    };
    for (const auto& c : cases) {
        const QString path = SettingsFile::ResolveSettingsPath(program.folder(), U(c.argument),
                                                               c.folderWritable ? writable : readOnly);
        EXPECT_EQ(path, c.expected) << c.argument << " " << c.folderWritable;
    }

    // Discseek's file follows the same rule.
    EXPECT_EQ(SettingsFileLocation(program.folder(), U("Discseek.ini"), readOnly),
              config.tavrikFolder() + U("/Discseek.ini"));
    program.put(U("Discseek.ini"), "[Drives]\n");
    EXPECT_EQ(SettingsFileLocation(program.folder(), U("Discseek.ini"), readOnly), program.path(U("Discseek.ini")));

    qunsetenv("XDG_CONFIG_HOME");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", "/home/operator");
    EXPECT_EQ(SettingsFile::ResolveSettingsPath(U("/opt/none"), QString(), readOnly),
              U("/home/operator/.config/tavrik/TAVRIK.INI"));
    qputenv("HOME", home);
}

TEST(SettingsFile, CreateStampNamesTheMonthInTheSystemLanguage)
{
    const struct {
        QDateTime time;
        QLocale::Language language;
        const char* expected;
    } cases[] = {
        {QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)), QLocale::English, "14:05:09 March 07, 2024"},
        {QDateTime(QDate(2023, 12, 31), QTime(0, 0, 0)), QLocale::English, "00:00:00 December 31, 2023"},
        {QDateTime(QDate(2025, 1, 15), QTime(23, 59, 58)), QLocale::Swedish, "23:59:58 januari 15, 2025"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SettingsFile::FormatCreateStamp(c.time, QLocale(c.language)), U(c.expected));
}

TEST(SettingsFile, FirstStartCreatesOnlyTheStamp)
{
    TempFolder program;
    SettingsFile settings(program.folder(), QString());
    settings.PrepareSettingsFile();
    const IniFile file(settings.path());
    EXPECT_TRUE(kStamp.match(file.read(U("Initialized"), U("Create Date/Time"), QString())).hasMatch());
    EXPECT_TRUE(program.get(U("TAVRIK.INI")).startsWith("[Initialized]\nCreate Date/Time="));
    EXPECT_EQ(program.get(U("TAVRIK.INI")).count('\n'), 2);
}

TEST(SettingsFile, NewProfileIsACopyWithItsOwnStamp)
{
    TempFolder program;
    const QByteArray original = "[frmTavrik Settings]\r\nWPM=28\r\n[Initialized]\r\nCreate Date/Time=old\r\n";
    program.put(U("TAVRIK.INI"), original);

    SettingsFile profile(program.folder(), U("2"));
    profile.PrepareSettingsFile();
    EXPECT_EQ(profile.path(), program.path(U("2TAVRIK.INI")));
    const IniFile copy(profile.path());
    EXPECT_EQ(copy.read(U("frmTavrik Settings"), U("WPM"), QString()), U("28"));
    EXPECT_TRUE(kStamp.match(copy.read(U("Initialized"), U("Create Date/Time"), QString())).hasMatch());
    EXPECT_TRUE(program.get(U("2TAVRIK.INI")).contains("\r\n"));

    profile.WriteSetting(U("frmTavrik Settings"), U("WPM"), U("35"));
    EXPECT_EQ(program.get(U("TAVRIK.INI")), original);
    EXPECT_EQ(copy.read(U("FrmTavrik Settings"), U("wpm"), QString()), U("35"));

    // Prepared again, an existing file is not touched.
    const QByteArray prepared = program.get(U("2TAVRIK.INI"));
    SettingsFile(program.folder(), U("2")).PrepareSettingsFile();
    EXPECT_EQ(program.get(U("2TAVRIK.INI")), prepared);
}

TEST(SettingsFile, ProfileWithoutADefaultStartsWithTheStampOnly)
{
    TempFolder program;
    SettingsFile profile(program.folder(), U("contest"));
    profile.PrepareSettingsFile();
    EXPECT_TRUE(program.get(U("contestTAVRIK.INI")).startsWith("[Initialized]\n"));
    EXPECT_FALSE(program.exists(U("TAVRIK.INI")));
}

TEST(SettingsFile, UnwritableProgramFolderKeepsSettingsInTheConfigFolder)
{
    ConfigHome config;
    // A folder that does not exist cannot be written by anyone, root included.
    SettingsFile settings(U("/nonexistent/tavrik/bin"), QString());
    EXPECT_EQ(settings.path(), config.tavrikFolder() + U("/TAVRIK.INI"));
    settings.PrepareSettingsFile();
    settings.WriteSetting(U("frmTavrik Settings"), U("WPM"), U("22"));
    settings.setReadSection(U("FrmTavrik Settings"));
    EXPECT_EQ(settings.ReadSetting(U("WPM"), U("20")), U("22"));
}

TEST(SettingsFile, ReadSettingUsesTheCurrentReadSection)
{
    TempFolder program;
    program.put(U("TAVRIK.INI"), "[frmTavrik Settings]\nWPM=  31  \nPTT=\n[WinKey Settings]\nWPM=12\n");
    SettingsFile settings(program.folder(), QString());
    settings.setReadSection(U("FrmTavrik Settings"));
    EXPECT_EQ(settings.ReadSetting(U("WPM"), U("20")), U("31"));
    EXPECT_EQ(settings.ReadSetting(U("PTT"), U("OFF")), QString()); // present and empty
    EXPECT_EQ(settings.ReadSetting(U("Missing"), U(" dflt ")), U("dflt"));
    settings.setReadSection(U("WinKey Settings"));
    EXPECT_EQ(settings.ReadSetting(U("WPM"), U("20")), U("12"));
}

TEST(SettingsFile, SettingThatCannotBeSavedIsReportedOnce)
{
    TempFolder program;
    SettingsFile settings(program.folder(), QString());
    settings.PrepareSettingsFile();
    QStringList reports;
    settings.setSaveProblemReporter([&](const QString& message) { reports << message; });
    const QString main = U("frmTavrik Settings");

    settings.WriteSetting(main, U("Macro #1"), U("two\nlines"));
    settings.WriteSetting(main, U("Macro #2"), U("two\nlines"));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(U("\"Macro #1\"")) && reports[0].contains(settings.path())) << reports[0].toStdString();

    // Once a setting is saved again, the next failure is news.
    settings.WriteSetting(main, U("WPM"), U("25"));
    settings.WriteSetting(main, U("Macro #3"), U("two\nlines"));
    EXPECT_EQ(reports.size(), 2);
}

} // namespace
} // namespace tavrik
