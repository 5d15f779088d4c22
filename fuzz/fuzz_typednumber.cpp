// Prices and quantities as the user types them, under the Bulgarian and the C
// regional settings: a text that reads gives an amount whose own text reads
// back to it.
#include "common/Amount.h"
#include "fuzz/FuzzInput.h"
#include "lines/LineRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = fuzzText(data, size);
    for (const QLocale &regional : {QLocale(QLocale::Bulgarian), QLocale::c()}) {
        if (const auto amount = LineRules::readTypedNumber(text, regional)) {
            const auto again = LineRules::readTypedNumber(amount->text(), regional);
            FUZZ_REQUIRE(again && *again == *amount);
        }
    }
    return 0;
}
