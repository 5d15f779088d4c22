#include "reference/DocumentNumber.h"

#include "common/Failure.h"
#include "reference/TableStore.h"

namespace DocumentNumber {

namespace {

qlonglong wholeNumber(const QString &text)
{
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw Failure(QStringLiteral("Номерът на документа „%1“ не е цяло число.").arg(text));
    return number;
}

QString tenDigits(qlonglong number)
{
    return QStringLiteral("%1").arg(number, 10, 10, QLatin1Char('0'));
}

} // namespace

Result record(TableStore &firm, const QString &column, const QString &pageNumber, const QString &taken)
{
    const qlonglong number = wholeNumber(pageNumber);
    const bool takenHere = !taken.isEmpty() && number == wholeNumber(taken);
    Result result{Outcome::Recorded, QString()};
    firm.changeStored(column, [&](const QString &stored) -> std::optional<QString> {
        result.before = stored;
        const qlonglong last = stored.trimmed().isEmpty() ? 0 : wholeNumber(stored);
        if (takenHere && last >= number) {
            result.outcome = Outcome::TakenByOther;
            return std::nullopt;
        }
        if (last > number) {
            result.outcome = Outcome::KeptHigher;
            return std::nullopt;
        }
        return tenDigits(number);
    });
    return result;
}

void giveBack(TableStore &firm, const QString &column, const QString &pageNumber, const QString &before)
{
    firm.changeStored(column, [&](const QString &stored) -> std::optional<QString> {
        if (stored != tenDigits(wholeNumber(pageNumber)))
            return std::nullopt;
        return before;
    });
}

QString takenMessage(const QString &number)
{
    return QStringLiteral("Номер %1 вече е издаден от друга програма, докато този документ се съставяше. "
                          "Документът не е отпечатан: натиснете отново „Към фактурата“, за да получи "
                          "следващия свободен номер.")
        .arg(number);
}

} // namespace DocumentNumber
