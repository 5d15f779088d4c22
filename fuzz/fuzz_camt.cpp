// A bank's statement as bytes from disk: it is read or refused with a
// message, never more; every credit read is a positive amount.
#include "common/Failure.h"
#include "fuzz/FuzzInput.h"
#include "register/BankStatement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        for (const BankCredit &credit : readCamt053(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))))
            FUZZ_REQUIRE(credit.amount > Amount());
    } catch (const Failure &refusal) {
        FUZZ_REQUIRE(!refusal.text().isEmpty());
    }
    return 0;
}
