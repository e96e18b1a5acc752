#include "operator/windows_fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <cstdlib>

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

QString StyleNameFor(const QString& family, bool bold, bool italic)
{
    const int wanted = bold ? QFont::Bold : QFont::Normal;
    QString best;
    int bestDistance = 0;
    for (const QString& style : QFontDatabase::styles(family)) {
        if (QFontDatabase::italic(family, style) != italic)
            continue;
        const int weight = QFontDatabase::weight(family, style);
        if ((weight >= QFont::DemiBold) != bold)
            continue;
        // Nearest weight first; among equals the shortest name, which is the plain width
        // ("Bold" before "Condensed Bold").
        const int distance = std::abs(weight - wanted);
        if (best.isEmpty() || distance < bestDistance
            || (distance == bestDistance && style.size() < best.size())) {
            best = style;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace tavrik
