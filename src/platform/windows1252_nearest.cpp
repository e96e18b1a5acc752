#include "platform/windows1252_nearest.h"

#include "platform/windows1252.h"

#include <QList>

#include <algorithm>
#include <utility>

namespace tavrik {
namespace {

// Letters that carry their stroke or bar as part of the letter, not as a mark Unicode can
// take off, and hyphens the page lacks.
constexpr std::pair<char32_t, char16_t> kPlainForms[] = {
    {U'ł', u'l'}, {U'Ł', u'L'}, {U'đ', u'd'}, {U'Đ', u'D'}, {U'ħ', u'h'}, {U'Ħ', u'H'},
    {U'ŧ', u't'}, {U'Ŧ', u'T'}, {U'ı', u'i'}, {U'ŋ', u'n'}, {U'Ŋ', u'N'}, {U'ƀ', u'b'},
    {U'ɨ', u'i'}, {U'ʉ', u'u'}, {U'\u2010', u'-'}, {U'\u2011', u'-'}, {U'\u2012', u'-'},
    {U'\u2212', u'-'},
};

bool PageHolds(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return Windows1252Code(c) >= 0; });
}

QString WithoutMarks(const QString& text)
{
    QString bare;
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining
            && category != QChar::Mark_Enclosing)
            bare += c;
    }
    return bare;
}

QString NearestForm(char32_t codePoint)
{
    const QString one = QString::fromUcs4(&codePoint, 1);
    if (PageHolds(one))
        return one;
    for (const auto& [letter, plain] : kPlainForms) {
        if (letter == codePoint)
            return QString(QChar(plain));
    }
    // The compatibility form keeps the accents the page has ("ǅ" is "Dž"); failing that the
    // letters without their marks.
    const QString compatible = one.normalized(QString::NormalizationForm_KC);
    if (PageHolds(compatible))
        return compatible;
    const QString bare = WithoutMarks(one.normalized(QString::NormalizationForm_KD)).normalized(QString::NormalizationForm_C);
    if (PageHolds(bare))
        return bare;
    return QStringLiteral("?");
}

} // namespace

QString NearestWindows1252Form(const QString& text)
{
    if (PageHolds(text))
        return text;
    QString nearest;
    nearest.reserve(text.size());
    for (const char32_t codePoint : text.toUcs4())
        nearest += NearestForm(codePoint);
    return nearest;
}

} // namespace tavrik
