#include "store/FoldedColumn.h"

#include "store/CaseFolding.h"

#include <QString>
#include <algorithm>
#include <iterator>

#include <cstdlib>
#include <new>
#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace {

constexpr qsizetype BlockCharacters = qsizetype(1) << 18;
// A column of many values goes on in blocks of one huge page each.
constexpr qsizetype LargeBlockFrom = 4;
constexpr size_t HugePage = size_t(2) << 20;
constexpr qsizetype LargeBlockCharacters = qsizetype(HugePage / sizeof(char16_t));

} // namespace

void FoldedColumn::FreeBlock::operator()(char16_t *block) const
{
    std::free(block);
}

FoldedColumn::Block FoldedColumn::newBlock(qsizetype characters)
{
    const size_t bytes = size_t(characters) * sizeof(char16_t);
#ifdef Q_OS_LINUX
    // Reading the column of a million records writes some 200 MB at once;
    // with pages of 4 KB a fifth of the read was the kernel mapping them.
    // Linux gives huge pages to memory that asks for them.
    if (bytes >= HugePage) {
        const size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
        if (void *memory = std::aligned_alloc(HugePage, rounded)) {
            madvise(memory, rounded, MADV_HUGEPAGE);
            return Block(static_cast<char16_t *>(memory));
        }
    }
#endif
    void *memory = std::malloc(bytes);
    if (!memory)
        throw std::bad_alloc();
    return Block(static_cast<char16_t *>(memory));
}

void FoldedColumn::reserve(qsizetype count)
{
    m_heads.reserve(size_t(count));
    m_values.reserve(size_t(count));
}

char16_t *FoldedColumn::room(qsizetype count)
{
    if (m_blocks.empty() || m_blockSize - m_used < count) {
        const qsizetype size = qsizetype(m_blocks.size()) < LargeBlockFrom ? BlockCharacters : LargeBlockCharacters;
        m_blockSize = std::max(size, count);
        m_blocks.push_back(newBlock(m_blockSize));
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
