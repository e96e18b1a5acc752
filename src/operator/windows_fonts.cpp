#include "operator/windows_fonts.h"

#include <QFontDatabase>

namespace tavrik {
namespace {

bool LooksFixedPitch(const QString& name)
{
    static const char* const kFixed[] = {"Courier", "Consolas", "Lucida Console", "Fixedsys", "Terminal"};
    for (const char* fixed : kFixed) {
        if (name.startsWith(QLatin1String(fixed), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

QFont ScreenFont(const QString& storedName, int pointSize, const QFont& base)
{
    QFont font = base;
    if (QFontDatabase::hasFamily(storedName)) {
        font.setFamily(storedName);
    } else {
        const auto fallback = LooksFixedPitch(storedName) ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont;
        font.setFamily(QFontDatabase::systemFont(fallback).family());
    }
    if (pointSize > 0)
        font.setPointSize(pointSize);
    return font;
}

} // namespace tavrik
