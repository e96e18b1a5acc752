#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tavrik::conversion {

// Where the words after the first word of a NAME value go.
enum class SecondWords { Comment, Qth, Drop };

struct ConversionOptions {
    SecondWords secondWords = SecondWords::Comment;
    // Upper-case callsign for the OPERATOR field; empty adds no OPERATOR field.
    QByteArray operatorCall;
};

struct ConvertedRecord {
    QByteArray record;
    // The CALL value, for showing which contact is being converted.
    QByteArray call;
};

// Rewrites one record for the receiving logger: splits a NAME of several words, adds the
// OPERATOR field and replaces the PSK/MFSK mode forms that logger does not know. Every byte
// outside the fields it rewrites is passed through unchanged.
class RecordConverter {
public:
    static ConvertedRecord convert(QByteArray record, const ConversionOptions& options);
};

// The text without leading blanks, colons and hyphens, and without trailing blanks: the
// separator between a name and what follows it ("JOHN - BOSTON").
QByteArrayView StripLeadingPunctuation(QByteArrayView text);

} // namespace tavrik::conversion
