#include "conversion/adif_record_reader.h"

#include "conversion/adif_bytes.h"

#include <algorithm>

namespace tavrik::conversion {

namespace {

constexpr QByteArrayView kEndOfHeader = "<eoh>";
constexpr QByteArrayView kEndOfRecord = "<eor>";

} // namespace

AdifRecordReader::Step AdifRecordReader::readLine()
{
    if (recordPending_) {
        recordPending_ = false;
        return completeRecord();
    }
    if (givenUp_ || input_.atEnd())
        return Step::End;

    // A line is read a piece at a time: a field of a gigabyte on one line is then gathered
    // once, and the run gets its turn between the pieces. Past its first piece a long line is
    // taken a block at a time: QIODevice reads a line it has not buffered byte by byte.
    QByteArray line = inLongLine_ ? readLongLinePiece() : input_.readLine(kFirstPieceSize);
    if (line.isEmpty())
        return Step::End; // a read error: atEnd() was false but nothing came
    char next = 0;
    if (line.endsWith('\r') && input_.peek(&next, 1) == 1 && next == '\n')
        line += input_.read(1); // the piece ended between CR and LF
    inLongLine_ = !line.endsWith('\n');
    bytesRead_ += line.size();
    if (line.endsWith('\n')) {
        line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
    }

    // Only the new line and the few bytes before it can complete a marker.
    const qsizetype searchFrom = std::max<qsizetype>(0, buffer_.size() - kEndOfRecord.size() + 1);
    // A long record's buffer is grown here, by reserve, and so reallocated in place where the
    // system can; an append that outgrows it would copy the whole record beside the old one.
    // The room left at its end lets the converter add its fields without another such copy.
    constexpr qsizetype kRoomForFields = 64 * 1024;
    const qsizetype needed = buffer_.size() + line.size() + kRoomForFields;
    if (needed > kPieceSize && buffer_.capacity() < needed)
        buffer_.reserve(std::max(2 * buffer_.capacity(), needed));
    buffer_ += line;

    if (!headerDone_) {
        if (ContainsNoCase(buffer_, kEndOfHeader)) {
            buffer_.clear();
            headerDone_ = true;
        }
        if (buffer_.size() >= kHeaderLimit) {
            givenUp_ = true;
            recordPending_ = ContainsNoCase(buffer_, kEndOfRecord);
            return Step::HeaderNotFound;
        }
    }
    if (IndexOfNoCase(buffer_, kEndOfRecord, searchFrom) < 0)
        return Step::NeedMore;
    return completeRecord();
}

QByteArray AdifRecordReader::readLongLinePiece()
{
    QByteArray piece = input_.peek(kPieceSize);
    const qsizetype newline = piece.indexOf('\n');
    if (newline >= 0)
        piece.truncate(newline + 1);
    input_.skip(piece.size());
    return piece;
}

AdifRecordReader::Step AdifRecordReader::completeRecord()
{
    headerDone_ = true;
    record_ = std::move(buffer_);
    buffer_.clear();
    return Step::Record;
}

} // namespace tavrik::conversion
