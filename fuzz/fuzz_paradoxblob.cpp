// The .MB reader of the old Paradox tables: a blob pointer (the last ten
// bytes of a record's field) and the .MB file's bytes, both the fuzzer's.
// Checked: it reads a blob or refuses with a Failure, never past the bytes;
// what it reads is no longer than the pointer's size and, read twice, the
// same. Also the table header's first bytes.
#include "common/Failure.h"
#include "common/ParadoxFormat.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzBytes bytes(data, size);
    const int fieldLength = 10 + int(bytes.number(1) % 40);
    const bool graphic = bytes.flag();
    QByteArray field;
    for (int i = 0; i < fieldLength; ++i)
        field += char(bytes.number(1));
    const QByteArray rest = bytes.rest();
    // The .MB's blocks lie at multiples of 4 kB: the rest is spread so that
    // the fuzzer's bytes meet a block's head there.
    QByteArray mb(4096, '\0');
    mb += rest;
    (void)Paradox::header(rest);
    const Paradox::BlobPointer pointer = Paradox::blobPointer(field);
    try {
        const QByteArray blob = Paradox::blob(mb, pointer, graphic);
        FUZZ_REQUIRE(blob.size() <= qsizetype(pointer.size));
        FUZZ_REQUIRE(Paradox::blob(mb, pointer, graphic) == blob);
        (void)Paradox::text(blob);
    } catch (const Failure &) {
    }
    return 0;
}
