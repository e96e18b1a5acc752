#include "conversion/adif_record_reader.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrik::conversion {
namespace {

using Step = AdifRecordReader::Step;

// Every record read, with "!header" where the reader gave the header up.
std::vector<std::string> ReadAll(const QByteArray& file)
{
    QByteArray bytes = file;
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    AdifRecordReader reader(input);
    std::vector<std::string> out;
    for (Step step = reader.readLine(); step != Step::End; step = reader.readLine()) {
        if (step == Step::Record)
            out.push_back(reader.record().toStdString());
        else if (step == Step::HeaderNotFound)
            out.push_back("!header");
    }
    return out;
}

struct ReadCase {
    const char* what;
    QByteArray file;
    std::vector<std::string> records;
};

class ReadRecords : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadRecords, GathersLinesIntoRecords)
{
    EXPECT_EQ(ReadAll(GetParam().file), GetParam().records) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadRecords,
    ::testing::Values(
        ReadCase{"header skipped", "made by hand\r\n<EOH>\r\n<CALL:3>K1A <EOR>\r\n<CALL:3>K2B <eor>\r\n",
                 {"<CALL:3>K1A <EOR>", "<CALL:3>K2B <eor>"}},
        ReadCase{"no header", "<CALL:3>K1A <eor>\n<CALL:3>K2B <eor>\n",
                 {"<CALL:3>K1A <eor>", "<CALL:3>K2B <eor>"}},
        ReadCase{"text after <eoh> on its line is dropped",
                 "x <eoh><CALL:3>K1A <eor>\n<CALL:3>K2B <eor>\n", {"<CALL:3>K2B <eor>"}},
        ReadCase{"lines joined without their breaks", "<eoh>\n<CALL:3>K1A \r\n<NAME:3>BOB\r\n <eor>\r\n",
                 {"<CALL:3>K1A <NAME:3>BOB <eor>"}},
        ReadCase{"last line without a line break", "<eoh>\n<CALL:3>K1A <eor>", {"<CALL:3>K1A <eor>"}},
        ReadCase{"unfinished record at the end dropped", "<eoh>\n<CALL:3>K1A <eor>\n<CALL:3>K2B ",
                 {"<CALL:3>K1A <eor>"}},
        ReadCase{"lone CR kept inside a line", "<eoh>\n<NAME:3>A\rB <eor>\n", {"<NAME:3>A\rB <eor>"}},
        ReadCase{"a header of 5000 bytes is given up", QByteArray(5000, 'h') + "\n<eoh>\n<CALL:3>K1A <eor>\n",
                 {"!header"}},
        ReadCase{"a header of 4999 bytes is read", QByteArray(4999, 'h') + "\n<eoh>\n<CALL:3>K1A <eor>\n",
                 {"<CALL:3>K1A <eor>"}},
        ReadCase{"a long first record without header still converts once",
                 "<CALL:3>K1A <NOTES:5000>" + QByteArray(5000, 'n') + "<eor>\n<CALL:3>K2B <eor>\n",
                 {"!header", "<CALL:3>K1A <NOTES:5000>" + std::string(5000, 'n') + "<eor>"}},
        ReadCase{"marker split over two lines", "<eoh>\n<CALL:3>K1A <eo\nr>\n", {"<CALL:3>K1A <eor>"}}));

} // namespace
} // namespace tavrik::conversion
