#include "macros/macro_store.h"

#include "platform/windows1252.h"

#include <QRegularExpression>

#include <limits>
#include <stdexcept>

namespace tavrik {
namespace {

std::size_t Checked(int index)
{
    if (index < 0 || index > MacroStore::kButtons)
        throw std::out_of_range("macro slot out of range");
    return static_cast<std::size_t>(index);
}

} // namespace

MacroSlot& MacroStore::slot(int index)
{
    return slots_[Checked(index)];
}

const MacroSlot& MacroStore::slot(int index) const
{
    return slots_[Checked(index)];
}

void MacroStore::copyAppearance(int dest, int source)
{
    MacroSlot& to = slot(dest);
    const MacroSlot& from = slot(source);
    const QString text = to.text;
    const QString caption = to.caption;
    to = from;
    to.text = text;
    to.caption = caption;
}

QString StoredMacroText(const QString& typed)
{
    QString stored = typed;
    stored.replace(QStringLiteral("\r\n"), QStringLiteral("~"));
    stored.replace(u'\r', u'~');
    stored.replace(u'\n', u'~');
    return stored;
}

QString LoadedMacroText(const QString& stored)
{
    QString text = stored;
    text.replace(u'~', u'\n');
    return text;
}

QString ButtonCaptionFrom(const QString& typed)
{
    static const QRegularExpression chr(QStringLiteral(R"(chr\$\((.*)\))"),
                                        QRegularExpression::CaseInsensitiveOption);
    QString caption = typed;
    if (const QRegularExpressionMatch m = chr.match(typed); m.hasMatch()) {
        // The code is the number right after "Chr$(": its leading digits. A caption whose
        // number is no character code of the code page stays as typed.
        static const QRegularExpression digits(QStringLiteral(R"(^\s*(\d+))"));
        const QRegularExpressionMatch number = digits.match(m.captured(1));
        bool ok = false;
        const qlonglong code = number.hasMatch() ? number.captured(1).toLongLong(&ok) : -1;
        if (ok && code >= 0 && code <= 255)
            caption = FromWindows1252(QByteArray(1, static_cast<char>(code)));
    }
    if (caption.isEmpty())
        caption = QStringLiteral(" ");
    return caption;
}

QString MacroSetupCaption(int index)
{
    QString bank;
    int key = index;
    if (index <= 12) {
        bank = QStringLiteral("F");
    } else if (index <= 24) {
        bank = QStringLiteral("ALT F");
        key = index - 12;
    } else {
        bank = QStringLiteral("CTRL F");
        key = index - 24;
    }
    return QStringLiteral("Macro Setup for ") + bank + QString::number(key);
}

QString TooVerboseText(qsizetype length)
{
    return QStringLiteral("Sorry, this Macro is awesome.  However it is ") + QStringLiteral(" ")
        + QString::number(length)
        + QStringLiteral(" characters long.  The maximum length is 3000 characters.  You don't want to bore the "
                         "other station to death (do you?).");
}

std::vector<SettingWrite> MacroSlotWrites(int index, const QString& storedText, const QString& caption,
                                         const MacroSlot& look)
{
    MacroSlot stored = look;
    stored.text = storedText;
    stored.caption = caption;
    return StoredValues(setting::kMacroSlotSettings, stored, index);
}

} // namespace tavrik
