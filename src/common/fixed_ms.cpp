#include "common/fixed_ms.h"

#include "common/vb_numbers.h"

namespace tavrik {

FixedMs FixedMs::fromMs(double ms)
{
    return FixedMs(RoundHalfEven(ms * kTicksPerMs));
}

} // namespace tavrik
