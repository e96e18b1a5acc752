#include "conversion/record_converter.h"

#include "conversion/adif_bytes.h"

#include <array>
#include <utility>

namespace tavrik::conversion {

namespace {

// Where a field's value lies. The declared length is clipped to the record, and a length that
// is not a number reads as 0, so a damaged field never makes the record unreadable.
struct FieldValue {
    qsizetype start = 0;
    qsizetype length = 0;
};

FieldValue ValueOf(QByteArrayView record, qsizetype tagStart, qsizetype tagLength)
{
    const qsizetype lengthStart = tagStart + tagLength;
    const qsizetype close = record.indexOf('>', lengthStart);
    if (close < 0)
        return {record.size(), 0};
    const qsizetype declared = LeadingLength(record.sliced(lengthStart, close - lengthStart));
    const qsizetype start = close + 1;
    const qsizetype available = record.size() - start;
    return {start, declared < available ? declared : available};
}

void AppendField(QByteArray& out, QByteArrayView tag, QByteArrayView value)
{
    out += tag;
    out += QByteArray::number(value.size());
    out += '>';
    out += value;
    out += ' ';
}

QByteArray OperatorField(const ConversionOptions& options)
{
    QByteArray field;
    if (!options.operatorCall.isEmpty())
        AppendField(field, "<OPERATOR:", options.operatorCall);
    return field;
}

void SplitName(QByteArray& record, const ConversionOptions& options)
{
    static constexpr QByteArrayView kNameTag = "<NAME:";
    const qsizetype tag = IndexOfNoCase(record, kNameTag);
    if (tag < 0)
        return;
    const FieldValue field = ValueOf(record, tag, kNameTag.size());
    const QByteArrayView value
        = TrimBlanks(QByteArrayView(record).sliced(field.start, field.length));
    const qsizetype blank = value.indexOf(' ');
    if (blank < 0) {
        record.insert(tag, OperatorField(options));
        return;
    }

    QByteArray replacement;
    AppendField(replacement, kNameTag, value.first(blank));
    // A view: the rest of a huge name is copied once, into the replacement.
    const QByteArrayView rest = StripLeadingPunctuation(value.sliced(blank));
    if (options.secondWords == SecondWords::Comment)
        AppendField(replacement, "<COMMENT:", rest);
    else if (options.secondWords == SecondWords::Qth)
        AppendField(replacement, "<QTH:", rest);
    replacement += OperatorField(options);

    const qsizetype nextTag = record.indexOf('<', tag + 1);
    const qsizetype replacedEnd = nextTag < 0 ? record.size() : nextTag;
    record.replace(tag, replacedEnd - tag, replacement);
}

void RewriteMode(QByteArray& record)
{
    static constexpr std::array<std::pair<QByteArrayView, QByteArrayView>, 5> kRules{{
        {"<MODE:3>PSK", "<MODE:5>PSK31"},
        {"<MODE:4>BPSK", "<MODE:5>PSK31 <SUBMODE:4>BPSK"},
        {"<MODE:4>QPSK", "<MODE:5>PSK31 <SUBMODE:4>QPSK"},
        {"<MODE:4>MFSK", "<MODE:6>MFSK16"},
        {"<MODE:4>PS63", "<MODE:5>PSK63"},
    }};
    for (const auto& [found, replacement] : kRules) {
        const qsizetype at = IndexOfNoCase(record, found);
        if (at >= 0) {
            record.replace(at, found.size(), replacement);
            return;
        }
    }
}

QByteArray CallOf(QByteArrayView record)
{
    static constexpr QByteArrayView kCallTag = "<CALL:";
    const qsizetype tag = IndexOfNoCase(record, kCallTag);
    if (tag < 0)
        return {};
    const FieldValue field = ValueOf(record, tag, kCallTag.size());
    return TrimBlanks(record.sliced(field.start, field.length)).toByteArray();
}

} // namespace

ConvertedRecord RecordConverter::convert(QByteArray record, const ConversionOptions& options)
{
    ConvertedRecord out;
    out.call = CallOf(record);
    SplitName(record, options);
    RewriteMode(record);
    out.record = std::move(record);
    return out;
}

QByteArrayView StripLeadingPunctuation(QByteArrayView text)
{
    QByteArrayView rest = TrimBlanks(text);
    while (!rest.isEmpty() && (rest.front() == ':' || rest.front() == '-'))
        rest = TrimBlanks(rest.sliced(1));
    return rest;
}

} // namespace tavrik::conversion
