#include "store/FoldedColumn.h"

#include "store/CaseFolding.h"

#include <QString>
#include <algorithm>
#include <iterator>

namespace {

constexpr qsizetype BlockCharacters = qsizetype(1) << 18;

} // namespace

void FoldedColumn::reserve(qsizetype count)
{
    m_heads.reserve(size_t(count));
    m_values.reserve(size_t(count));
}

char16_t *FoldedColumn::room(qsizetype count)
{
    if (m_blocks.empty() || m_blockSize - m_used < count) {
        m_blockSize = std::max(BlockCharacters, count);
        m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(size_t(m_blockSize)));
        m_used = 0;
    }
    return m_blocks.back().get() + m_used;
}

QStringView FoldedColumn::take(const char16_t *at, qsizetype count)
{
    m_used += count;
    return QStringView(at, count);
}

QStringView FoldedColumn::store(QStringView folded)
{
    char16_t *at = room(folded.size());
    std::copy(folded.utf16(), folded.utf16() + folded.size(), at);
    return take(at, folded.size());
}

void FoldedColumn::append(QStringView folded)
{
    const QStringView stored = store(searchKey(folded));
    m_heads.push_back(head(stored));
    m_values.push_back(stored);
}

void FoldedColumn::appendUtf8(QByteArrayView utf8)
{
    char16_t *at = room(utf8.size());
    const qsizetype written = foldCaseUtf8Into(utf8, at);
    if (written < 0) {
        append(foldCase(QString::fromUtf8(utf8)));
        return;
    }
    const QStringView stored = searchKey(take(at, written));
    m_heads.push_back(head(stored));
    m_values.push_back(stored);
}

void FoldedColumn::append(FoldedColumn &&other)
{
    m_heads.insert(m_heads.end(), other.m_heads.begin(), other.m_heads.end());
    m_values.insert(m_values.end(), other.m_values.begin(), other.m_values.end());
    // The values point into the blocks, which move as they are; values
    // added later go to the other column's last block.
    std::move(other.m_blocks.begin(), other.m_blocks.end(), std::back_inserter(m_blocks));
    if (!other.m_blocks.empty()) {
        m_used = other.m_used;
        m_blockSize = other.m_blockSize;
    }
    other = FoldedColumn();
}

void FoldedColumn::insert(qsizetype position, QStringView folded)
{
    const QStringView stored = store(searchKey(folded));
    m_heads.insert(m_heads.begin() + position, head(stored));
    m_values.insert(m_values.begin() + position, stored);
}

void FoldedColumn::remove(qsizetype position)
{
    m_heads.erase(m_heads.begin() + position);
    m_values.erase(m_values.begin() + position);
}

void FoldedColumn::replace(qsizetype position, QStringView folded)
{
    const QStringView stored = store(searchKey(folded));
    m_heads[size_t(position)] = head(stored);
    m_values[size_t(position)] = stored;
}
