// The VAT rate answer typed at start-up: any text gives a fraction or a clear
// failure, never a crash.
#include "common/Failure.h"
#include "fuzz/FuzzInput.h"
#include "lines/VatRate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString rate = VatRate::withoutPercent(fuzzText(data, size));
    FUZZ_REQUIRE(!rate.contains(u'%'));
    try {
        (void)VatRate::factor(VatRate::fractionText(rate));
    } catch (const Failure &failure) {
        FUZZ_REQUIRE(*failure.what() != '\0');
    }
    return 0;
}
