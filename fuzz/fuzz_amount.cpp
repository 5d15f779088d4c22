// Amount texts: what a price, a quantity, a total or a rate answer reads as.
// An amount that reads is written back as a text that reads as the same
// amount; the two-decimal rule leaves at most two decimals (a rounding up may
// leave fewer, as 0.995 becomes 1), a second pass exactly two, and moves the
// amount by less than a cent.
#include "common/Amount.h"
#include "common/Failure.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = fuzzText(data, size);
    if (const auto amount = Amount::parse(text)) {
        const auto again = Amount::parse(amount->text());
        FUZZ_REQUIRE(again && *again == *amount);
        try {
            const QString once = fixTwoDecimals(amount->text());
            const auto pointOnce = once.indexOf(u'.');
            FUZZ_REQUIRE(pointOnce < 0 || once.size() - pointOnce - 1 <= 2);
            const QString fixed = fixTwoDecimals(once);
            const auto point = fixed.indexOf(u'.');
            FUZZ_REQUIRE(point >= 0 && fixed.size() - point - 1 == 2);
            const auto rounded = Amount::parse(fixed);
            FUZZ_REQUIRE(rounded.has_value());
            const auto difference = (*rounded - *amount).units();
            FUZZ_REQUIRE(difference >= -Amount::Scale / 100 && difference <= Amount::Scale / 100);
        } catch (const Failure &) {
            // An amount at the very end of the range cannot be rounded up.
        }
    }
    try {
        (void)fixTwoDecimals(text);
    } catch (const Failure &) {
    }
    return 0;
}
