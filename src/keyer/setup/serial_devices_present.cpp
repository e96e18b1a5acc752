#include "keyer/setup/serial_devices_present.h"

#include <QDir>

#include <algorithm>

namespace tavrik {
namespace {

// Runs of digits compare as numbers, the rest as text.
bool NaturallyBefore(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            qsizetype ie = i;
            qsizetype je = j;
            while (ie < a.size() && a.at(ie).isDigit())
                ++ie;
            while (je < b.size() && b.at(je).isDigit())
                ++je;
            const QString na = a.mid(i, ie - i);
            const QString nb = b.mid(j, je - j);
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = ie;
            j = je;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace

QStringList PresentSerialDevices(const QString& devRoot)
{
    const auto sorted = [](QStringList paths) {
        std::sort(paths.begin(), paths.end(), NaturallyBefore);
        return paths;
    };
    const auto listed = [](const QString& folder, const QStringList& patterns) {
        QStringList paths;
        const QDir dir(folder);
        for (const QString& name : dir.entryList(patterns, QDir::System | QDir::Files | QDir::NoDotAndDotDot))
            paths.append(dir.filePath(name));
        return paths;
    };
    return sorted(listed(devRoot, {QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}))
           + sorted(listed(devRoot + QStringLiteral("/serial/by-id"), {QStringLiteral("*")}));
}

} // namespace tavrik
