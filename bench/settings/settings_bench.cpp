// Start-up load and single writes on a settings file as full as an operator's gets: every key
// of every section, each macro near the longest a read gives back.
#include "settings/load_settings.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

using namespace tavrik;

namespace {

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void FillFile(const SettingsFile& file)
{
    const QString main = QStringLiteral("frmTavrik Settings");
    for (const char* key : {"Slow Typing", "On Top", "Insert Key", "Top", "Left", "Height", "Width", "WPM"})
        file.WriteSetting(main, QString::fromLatin1(key), QStringLiteral("1"));
    for (int n = 1; n <= kMacroSlots; ++n) {
        const QString number = QString::number(n);
        file.WriteSetting(main, QStringLiteral("Macro #") + number, QString(1500, u'E'));
        for (const char* prefix : {"Macro Caption #", "Macro BackColor #", "Macro MouseOver BackColor #",
                                   "Macro ForeColor #", "Macro MouseOver ForeColor #", "Macro Fontname #",
                                   "Macro MouseOver Fontname #", "Macro Fontsize #", "Macro MouseOver Fontsize #",
                                   "Macro Fontbold #", "Macro MouseOver Fontbold #", "Macro Fontitalic #",
                                   "Macro MouseOver Fontitalic #"})
            file.WriteSetting(main, QString::fromLatin1(prefix) + number, QStringLiteral("12"));
    }
}

} // namespace

int main()
{
    QTemporaryDir dir;
    SettingsFile file(dir.path(), QString());
    file.PrepareSettingsFile();
    FillFile(file);
    std::printf("settings file: %lld bytes\n", static_cast<long long>(QFileInfo(file.path()).size()));

    constexpr int kLoads = 5;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kLoads; ++i)
        LoadSettings(file, {});
    std::printf("LoadSettings: %.1f ms a load (%d loads)\n", MsSince(start) / kLoads, kLoads);

    constexpr int kWrites = 50;
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kWrites; ++i)
        file.WriteSetting(QStringLiteral("frmTavrik Settings"), QStringLiteral("WPM"), QString::number(20 + i % 2));
    std::printf("WriteSetting: %.2f ms a write, locked and flushed to disk (%d writes)\n", MsSince(start) / kWrites,
                kWrites);
    return 0;
}
