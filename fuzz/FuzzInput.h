#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// The fuzzer's bytes as text the way the program meets outside text: UTF-8,
// invalid sequences replaced.
inline QString fuzzText(const std::uint8_t *data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Stops the run with a report the fuzzer keeps as a crash.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition))                                                                          \
            __builtin_trap();                                                                      \
    } while (false)
