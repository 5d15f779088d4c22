// The remembered settings file as bytes from disk: it always reads, and what
// it reads is written out and read again unchanged. Any texts as items, as
// typed or pasted, are read back as as many items.
#include "fuzz/FuzzInput.h"
#include "lines/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList items = SettingsFile::parse(bytes);
    const QByteArray written = SettingsFile::encode(items);
    FUZZ_REQUIRE(SettingsFile::parse(written) == items);
    FUZZ_REQUIRE(SettingsFile::encode(SettingsFile::parse(written)) == written);
    const QStringList typed = fuzzText(data, size).split(u'\x1f');
    FUZZ_REQUIRE(SettingsFile::parse(SettingsFile::encode(typed)).size() == typed.size());
    return 0;
}
