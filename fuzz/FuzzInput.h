#pragma once

#include <QByteArray>
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

// Takes the fuzzer's bytes apart into the pieces of a structured input:
// numbers from the front, the rest as bytes. Past the end, numbers are 0.
class FuzzBytes {
public:
    FuzzBytes(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint64_t number(int bytes)
    {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | (m_at < m_size ? m_data[m_at++] : 0);
        return value;
    }
    bool flag() { return number(1) & 1; }
    // At most `most` bytes, the length taken from the input first.
    QByteArray piece(qsizetype most)
    {
        const qsizetype length = qsizetype(number(2)) % (most + 1);
        return take(length);
    }
    QByteArray rest() { return take(qsizetype(m_size - m_at)); }

private:
    QByteArray take(qsizetype length)
    {
        length = qMin(length, qsizetype(m_size - m_at));
        const QByteArray bytes(reinterpret_cast<const char *>(m_data + m_at), length);
        m_at += std::size_t(length);
        return bytes;
    }

    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};
