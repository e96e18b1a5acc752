#pragma once

#include <QByteArray>
#include <QIODevice>

namespace tavrik::conversion {

// Gathers the records of an ADIF file line by line (a long line in pieces). A line's own line
// break is dropped, so the lines of one record come out joined into one. Everything up to the
// line that holds "<eoh>" is header and is skipped; a file that starts with a record has no
// header.
class AdifRecordReader {
public:
    static constexpr qsizetype kHeaderLimit = 5000;
    // The most read at once: a longer line comes in pieces, the first of them smaller.
    static constexpr qint64 kFirstPieceSize = 1 << 16;
    static constexpr qint64 kPieceSize = 1 << 20;

    enum class Step {
        NeedMore,      // a line, or a piece of a long one, was read; the record is not complete yet
        Record,        // record() holds a complete record
        HeaderNotFound,// kHeaderLimit bytes without "<eoh>": the input is given up
        End,           // the input is at its end, failed, or was given up
    };

    explicit AdifRecordReader(QIODevice& input) : input_(input) {}

    // Reads one line, or hands out the record completed by the line that gave up the header.
    Step readLine();
    const QByteArray& record() const { return record_; }
    // The record completed, handed over without a copy.
    QByteArray takeRecord() { return std::move(record_); }
    qint64 bytesRead() const { return bytesRead_; }

private:
    Step completeRecord();
    // The next piece of a long line, up to and with its line break.
    QByteArray readLongLinePiece();

    QIODevice& input_;
    QByteArray buffer_;
    QByteArray record_;
    qint64 bytesRead_ = 0;
    bool headerDone_ = false;
    bool givenUp_ = false;
    bool recordPending_ = false;
    bool inLongLine_ = false;
};

} // namespace tavrik::conversion
