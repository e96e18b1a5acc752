#include "isam_layout.h"

namespace vbis {

const Layout& NotesLayout()
{
    static const Layout layout{FileKind::Notes, {{"NOTES", 32000}}};
    return layout;
}

const Layout& LogbookLayout()
{
    // Every field carries the name of the ADIF field it holds, so a logbook goes to and from
    // ADIF without a translation table.
    static const Layout layout{FileKind::Logbook,
                               {
                                   {"CALL", 20},          {"QSO_DATE", 8},       {"TIME_ON", 6},
                                   {"TIME_OFF", 6},       {"BAND", 10},          {"FREQ", 15},
                                   {"MODE", 10},          {"SUBMODE", 20},       {"RST_SENT", 10},
                                   {"RST_RCVD", 10},      {"NAME", 60},          {"QTH", 60},
                                   {"STATE", 10},         {"CNTY", 60},          {"COUNTRY", 60},
                                   {"DXCC", 5},           {"CQZ", 5},            {"ITUZ", 5},
                                   {"GRIDSQUARE", 10},    {"COMMENT", 255},      {"NOTES", 2000},
                                   {"OPERATOR", 20},      {"STATION_CALLSIGN", 20},
                                   {"MY_GRIDSQUARE", 10}, {"TX_PWR", 10},        {"RX_PWR", 10},
                                   {"STX", 10},           {"SRX", 10},           {"STX_STRING", 60},
                                   {"SRX_STRING", 60},    {"CONTEST_ID", 60},    {"PROP_MODE", 10},
                                   {"SAT_NAME", 30},      {"SAT_MODE", 10},      {"BAND_RX", 10},
                                   {"FREQ_RX", 15},       {"QSL_SENT", 1},       {"QSL_RCVD", 1},
                                   {"QSLSDATE", 8},       {"QSLRDATE", 8},       {"QSL_VIA", 60},
                                   {"LOTW_QSL_SENT", 1},  {"LOTW_QSL_RCVD", 1},  {"EQSL_QSL_SENT", 1},
                                   {"EQSL_QSL_RCVD", 1},  {"IOTA", 10},          {"CONT", 2},
                                   {"PFX", 10},           {"ADDRESS", 255},      {"EMAIL", 100},
                                   {"WEB", 100},          {"AGE", 3},            {"ANT_AZ", 5},
                                   {"ANT_EL", 5},         {"ANT_PATH", 1},       {"A_INDEX", 5},
                                   {"K_INDEX", 5},        {"SFI", 5},            {"RIG", 60},
                                   {"MY_RIG", 60},        {"MY_ANTENNA", 60},    {"MY_CITY", 60},
                                   {"MY_STATE", 10},      {"MY_CNTY", 60},       {"QSO_RANDOM", 1},
                                   {"SIG_INFO", 60},
                               }};
    return layout;
}

const char* KindName(FileKind kind)
{
    return kind == FileKind::Notes ? "notes" : "logbook";
}

} // namespace vbis
