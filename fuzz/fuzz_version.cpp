// The version compare of the update: the local and the server's version texts.
// Only the last dotted part counts, as a whole number. Checked against a plain
// reading of the rule: digits only (no sign, no blanks), at most 18 of them,
// compared as numbers (leading zeros do not count); a text that does not end
// so fails with a message; never both texts newer than each other.
#include "common/Failure.h"
#include "fuzz/FuzzInput.h"
#include "update/UpdateRules.h"

#include <optional>
#include <string>

namespace {

// The last part without leading zeros, or nothing when it is not a number.
std::optional<std::string> lastPart(const QByteArray &text)
{
    const qsizetype dot = text.lastIndexOf('.');
    const std::string last = text.mid(dot + 1).toStdString();
    if (last.empty() || last.size() > 18 || last.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const std::size_t first = last.find_first_not_of('0');
    return first == std::string::npos ? std::string() : last.substr(first);
}

bool less(const std::string &a, const std::string &b)
{
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::optional<bool> newer(const QString &local, const QString &remote)
{
    try {
        return isNewerBuild(local, remote);
    } catch (const Failure &failure) {
        FUZZ_REQUIRE(!failure.text().isEmpty());
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzBytes bytes(data, size);
    // Latin-1, as the version answer is read; the local one as any text.
    const QByteArray local = bytes.piece(64);
    const QByteArray remote = bytes.rest();
    const QString localText = QString::fromLatin1(local);
    const QString remoteText = QString::fromLatin1(remote);

    const std::optional<bool> answer = newer(localText, remoteText);
    const std::optional<std::string> a = lastPart(local);
    const std::optional<std::string> b = lastPart(remote);
    FUZZ_REQUIRE(answer.has_value() == (a && b));
    if (answer) {
        FUZZ_REQUIRE(*answer == less(*a, *b));
        FUZZ_REQUIRE(!(*answer && *newer(remoteText, localText)));
    }
    (void)newer(fuzzText(data, size), localText);
    return 0;
}
