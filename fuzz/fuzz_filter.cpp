// Filter expressions as the user types them in the browser. An expression
// that reads must select exactly the values a slow reference evaluator
// selects: Qt's full case folding and plain string comparison, after the
// quotation marks and blanks in front of the value.
#include "common/Failure.h"
#include "fuzz/FuzzInput.h"
#include "reference/FilterExpression.h"

#include <QByteArrayList>
#include <QRegularExpression>

namespace {

bool referenceMatches(const FilterExpression &filter, const QString &value)
{
    static const QRegularExpression inFront(
        QStringLiteral("^[ \\t\\x{00A0}\"'\\x{201E}\\x{201C}\\x{201D}\\x{00AB}\\x{00BB}\\x{2018}\\x{2019}\\x{201A}]*"));
    const QString folded = value.toCaseFolded().remove(inFront);
    const QString wanted = filter.foldedText();
    if (filter.op() == FilterExpression::Operator::NotLess)
        return folded >= wanted;
    return filter.isPrefix() ? folded.startsWith(wanted) : folded == wanted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The input is an expression, then after the first NUL byte a list of
    // values separated by NUL bytes.
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> parts = bytes.split('\0');
    FilterExpression filter;
    try {
        filter = FilterExpression::parse(QString::fromUtf8(parts.front()));
    } catch (const Failure &) {
        return 0;
    }
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString value = QString::fromUtf8(parts[i]);
        FUZZ_REQUIRE(foldCase(value) == value.toCaseFolded());
        if (filter.isBlank())
            continue;
        FUZZ_REQUIRE(filter.matches(value) == referenceMatches(filter, value));
    }
    return 0;
}
