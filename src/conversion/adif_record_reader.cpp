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

    QByteArray line = input_.readLine();
    if (line.isEmpty())
        return Step::End; // a read error: atEnd() was false but nothing came
    bytesRead_ += line.size();
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);

    // Only the new line and the few bytes before it can complete a marker.
    const qsizetype searchFrom = std::max<qsizetype>(0, buffer_.size() - kEndOfRecord.size() + 1);
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

AdifRecordReader::Step AdifRecordReader::completeRecord()
{
    headerDone_ = true;
    record_ = std::move(buffer_);
    buffer_.clear();
    return Step::Record;
}

} // namespace tavrik::conversion
