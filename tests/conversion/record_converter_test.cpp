#include "conversion/record_converter.h"

#include <gtest/gtest.h>

namespace tavrik::conversion {
namespace {

struct ConvertCase {
    const char* what;
    QByteArray record;
    SecondWords secondWords;
    QByteArray operatorCall;
    QByteArray expected;
};

class ConvertRecord : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertRecord, GivesTheReceivingLoggersForm)
{
    const ConvertCase& c = GetParam();
    const ConvertedRecord out = RecordConverter::convert(c.record, {c.secondWords, c.operatorCall});
    EXPECT_EQ(out.record, c.expected) << c.what;
}

constexpr auto kComment = SecondWords::Comment;
constexpr auto kQth = SecondWords::Qth;
constexpr auto kDrop = SecondWords::Drop;

INSTANTIATE_TEST_SUITE_P(
    NameSplit, ConvertRecord,
    ::testing::Values(
        ConvertCase{"second word to COMMENT", "<CALL:5>K1ABC <NAME:10>JOHN SMITH <eor>", kComment,
                    "W1XYZ",
                    "<CALL:5>K1ABC <NAME:4>JOHN <COMMENT:5>SMITH <OPERATOR:5>W1XYZ <eor>"},
        ConvertCase{"second word to QTH", "<CALL:5>K1ABC <NAME:10>JOHN SMITH <eor>", kQth, "W1XYZ",
                    "<CALL:5>K1ABC <NAME:4>JOHN <QTH:5>SMITH <OPERATOR:5>W1XYZ <eor>"},
        ConvertCase{"second word dropped", "<CALL:5>K1ABC <NAME:10>JOHN SMITH <eor>", kDrop,
                    "W1XYZ", "<CALL:5>K1ABC <NAME:4>JOHN <OPERATOR:5>W1XYZ <eor>"},
        ConvertCase{"hyphen and blanks stripped", "<CALL:5>K1ABC <NAME:13>JOHN - BOSTON <eor>",
                    kComment, "W1XYZ",
                    "<CALL:5>K1ABC <NAME:4>JOHN <COMMENT:6>BOSTON <OPERATOR:5>W1XYZ <eor>"},
        ConvertCase{"all further words go together", "<NAME:15>JOHN PAUL SMITH<eor>", kComment,
                    "", "<NAME:4>JOHN <COMMENT:10>PAUL SMITH <eor>"},
        ConvertCase{"one word keeps its field, OPERATOR in front",
                    "<CALL:5>K1ABC <NAME:4>JOHN <eor>", kComment, "W1XYZ",
                    "<CALL:5>K1ABC <OPERATOR:5>W1XYZ <NAME:4>JOHN <eor>"},
        ConvertCase{"no callsign: no OPERATOR", "<CALL:5>K1ABC <NAME:10>JOHN SMITH <eor>",
                    kComment, "", "<CALL:5>K1ABC <NAME:4>JOHN <COMMENT:5>SMITH <eor>"},
        ConvertCase{"no callsign, one word: untouched", "<CALL:5>K1ABC <NAME:4>JOHN <eor>",
                    kComment, "", "<CALL:5>K1ABC <NAME:4>JOHN <eor>"},
        ConvertCase{"no NAME: no OPERATOR either", "<CALL:5>K1ABC <BAND:3>20M <eor>", kComment,
                    "W1XYZ", "<CALL:5>K1ABC <BAND:3>20M <eor>"},
        ConvertCase{"lower-case tag, value bytes kept", "<call:5>k1abc <name:10>john smith <eor>",
                    kComment, "W1XYZ",
                    "<call:5>k1abc <NAME:4>john <COMMENT:5>smith <OPERATOR:5>W1XYZ <eor>"},
        ConvertCase{"lengths count Windows-1252 bytes", "<NAME:10>Jos\xe9 Mar\xed" "a <eor>", kComment,
                    "", "<NAME:4>Jos\xe9 <COMMENT:5>Mar\xed" "a <eor>"},
        ConvertCase{"UTF-8 name counted in bytes", "<NAME:12>Jos\xc3\xa9 Mar\xc3\xad" "a <eor>",
                    kComment, "", "<NAME:5>Jos\xc3\xa9 <COMMENT:6>Mar\xc3\xad" "a <eor>"},
        ConvertCase{"blanks around the value", "<NAME:12> JOHN SMITH <eor>", kComment, "",
                    "<NAME:4>JOHN <COMMENT:5>SMITH <eor>"},
        ConvertCase{"data type after the length", "<NAME:10:S>JOHN SMITH<eor>", kComment, "",
                    "<NAME:4>JOHN <COMMENT:5>SMITH <eor>"},
        ConvertCase{"no separators between fields", "<CALL:5>K1ABC<NAME:10>JOHN SMITH<eor>",
                    kComment, "W1XYZ",
                    "<CALL:5>K1ABC<NAME:4>JOHN <COMMENT:5>SMITH <OPERATOR:5>W1XYZ <eor>"},
        ConvertCase{"length past the record reads what is there", "<CALL:5>K1ABC <NAME:50>JOHN SMITH",
                    kComment, "", "<CALL:5>K1ABC <NAME:4>JOHN <COMMENT:5>SMITH "},
        ConvertCase{"length not a number reads an empty value", "<NAME:x>JOHN SMITH <eor>",
                    kComment, "W1XYZ", "<OPERATOR:5>W1XYZ <NAME:x>JOHN SMITH <eor>"},
        ConvertCase{"NAME without a closing bracket", "<CALL:5>K1ABC <NAME:10", kComment, "W1XYZ",
                    "<CALL:5>K1ABC <OPERATOR:5>W1XYZ <NAME:10"},
        ConvertCase{"nothing after the hyphen", "<NAME:6>JOHN -<eor>", kQth, "",
                    "<NAME:4>JOHN <QTH:0> <eor>"}));

INSTANTIATE_TEST_SUITE_P(
    ModeRewrite, ConvertRecord,
    ::testing::Values(
        ConvertCase{"PSK", "<MODE:3>PSK <eor>", kComment, "", "<MODE:5>PSK31 <eor>"},
        ConvertCase{"BPSK", "<MODE:4>BPSK <eor>", kComment, "", "<MODE:5>PSK31 <SUBMODE:4>BPSK <eor>"},
        ConvertCase{"lower-case bpsk", "<mode:4>bpsk <eor>", kComment, "",
                    "<MODE:5>PSK31 <SUBMODE:4>BPSK <eor>"},
        ConvertCase{"QPSK", "<MODE:4>QPSK<eor>", kComment, "", "<MODE:5>PSK31 <SUBMODE:4>QPSK<eor>"},
        ConvertCase{"MFSK", "<MODE:4>MFSK <eor>", kComment, "", "<MODE:6>MFSK16 <eor>"},
        ConvertCase{"PS63", "<MODE:4>PS63 <eor>", kComment, "", "<MODE:5>PSK63 <eor>"},
        ConvertCase{"already converted", "<MODE:5>PSK31 <eor>", kComment, "", "<MODE:5>PSK31 <eor>"},
        ConvertCase{"other modes untouched", "<MODE:4>RTTY <eor>", kComment, "", "<MODE:4>RTTY <eor>"},
        ConvertCase{"with a split name", "<NAME:8>ANN LEE <MODE:3>psk <eor>", kDrop, "K9Z",
                    "<NAME:3>ANN <OPERATOR:3>K9Z <MODE:5>PSK31 <eor>"}));

struct CallCase {
    QByteArray record;
    QByteArray call;
};

class ShownCall : public ::testing::TestWithParam<CallCase> {};

TEST_P(ShownCall, IsTheValueByItsDeclaredLength)
{
    EXPECT_EQ(RecordConverter::convert(GetParam().record, {}).call, GetParam().call);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ShownCall,
    ::testing::Values(CallCase{"<CALL:5>K1ABC <NAME:4>JOHN <eor>", "K1ABC"},
                      CallCase{"<CALL:5>F5ABC<NAME:4>JOHN<eor>", "F5ABC"},
                      CallCase{"<call:6>W1AW/4<eor>", "W1AW/4"},
                      CallCase{"<CALL:9>K1ABC", "K1ABC"},
                      CallCase{"<CALL:x>K1ABC <eor>", ""},
                      CallCase{"<NAME:4>JOHN <eor>", ""},
                      CallCase{"<eor>", ""}));

TEST(StripLeadingPunctuation, RemovesSeparatorsInFrontOnly)
{
    EXPECT_EQ(StripLeadingPunctuation(" - BOSTON ").toByteArray(), "BOSTON");
    EXPECT_EQ(StripLeadingPunctuation(": - :NEW YORK").toByteArray(), "NEW YORK");
    EXPECT_EQ(StripLeadingPunctuation("--").toByteArray(), "");
    EXPECT_EQ(StripLeadingPunctuation("SAINT-DENIS -").toByteArray(), "SAINT-DENIS -");
}

} // namespace
} // namespace tavrik::conversion
