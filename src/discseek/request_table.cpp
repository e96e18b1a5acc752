#include "discseek/request_table.h"

namespace discseek {
namespace {

constexpr std::int32_t kDriveRecord = 1;
constexpr std::int32_t kCallRecord = 2;

// Only single-byte codes can travel to the libraries; a NUL would end the text early.
bool IsSingleByte(std::int32_t code)
{
    return code > 0 && code <= 255;
}

} // namespace

std::optional<Callbook> RequestTable::take(std::int32_t wParam, std::int32_t lParam)
{
    if (wParam == kDriveRecord) {
        if (IsSingleByte(lParam))
            cdDrive_ = QByteArray(1, static_cast<char>(lParam)) + ':';
        return std::nullopt;
    }
    if (wParam != kCallRecord)
        return std::nullopt;
    switch (lParam) {
    case 0:
        return Callbook::Rac;
    case 1:
        return Callbook::HamCall;
    case 2:
        return Callbook::Qrz;
    default:
        if (IsSingleByte(lParam) && lookupCall_.size() < kMaxCallLength)
            lookupCall_ += static_cast<char>(lParam);
        return std::nullopt;
    }
}

} // namespace discseek
