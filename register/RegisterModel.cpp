#include "register/RegisterModel.h"

#include "common/Failure.h"
#include "common/Logging.h"

namespace {

// Rows read together when one is shown: about a screenful.
constexpr int Block = 64;

} // namespace

RegisterModel::RegisterModel(RegisterStore &store, QObject *parent) : QAbstractTableModel(parent), m_store(store) {}

void RegisterModel::setQuery(const RegisterQuery &query)
{
    RegisterStore::Listing listing;
    if (query.payments == PaymentFilter::Overdue) {
        listing = m_store.list(query);
    } else {
        m_search.update(m_store);
        listing = m_search.list(query, query.payments == PaymentFilter::Unpaid ? m_store.owing() : RegisterStore::Owing());
    }
    beginResetModel();
    m_query = query;
    m_ids = std::move(listing.ids);
    m_sums = std::move(listing.sums);
    m_cache.clear();
    endResetModel();
}

void RegisterModel::reload()
{
    m_search.update(m_store, true);
    setQuery(m_query);
}

QList<MonthSales> RegisterModel::months(const QDate &lastMonth)
{
    m_search.update(m_store);
    const auto [first, last] = twelveMonths(lastMonth);
    return monthlySales(m_search.sold(first, last, m_store.owing(first, last)), lastMonth);
}

RegisterRow RegisterModel::rowAt(int row) const
{
    const qint64 id = m_ids.value(row);
    if (const auto cached = m_cache.constFind(id); cached != m_cache.cend())
        return *cached;
    if (m_cache.size() > 4096)
        m_cache.clear();
    const QList<RegisterRow> read = m_store.rows(m_ids.mid(row - row % Block, Block));
    for (const RegisterRow &found : read)
        m_cache.insert(found.id, found);
    return m_cache.value(id);
}

int RegisterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int RegisterModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString RegisterModel::amountText(Amount amount)
{
    return fixTwoDecimals(amount.text());
}

QVariant RegisterModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const bool amountColumn = index.column() == TaxBase || index.column() == Vat || index.column() == Total
        || index.column() == Owed;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter | (amountColumn ? Qt::AlignRight : Qt::AlignLeft));
    if (role != Qt::DisplayRole)
        return QVariant();
    RegisterRow row;
    try {
        row = rowAt(index.row());
    } catch (const Failure &failure) {
        // A row that cannot be read shows empty; the next search reads again.
        qCWarning(lcReference).noquote() << failure.text();
        return QVariant();
    }
    switch (index.column()) {
    case Number:
        return row.number;
    case Date:
        return row.date;
    case Kind:
        return row.kind;
    case Client:
        return row.client;
    case Company:
        return row.supplierEik.trimmed().isEmpty() ? row.supplier
                                                   : QStringLiteral("%1 (%2)").arg(row.supplier, row.supplierEik.trimmed());
    case TaxBase:
        return amountText(row.taxBase);
    case Vat:
        return amountText(row.vat);
    case Total:
        return amountText(row.total);
    case CurrencyColumn:
        return selectorText(row.currency);
    case Cancelled:
        return row.cancelledAt.isEmpty() ? QString() : QStringLiteral("анулиран: ") + row.cancelReason;
    case Status:
        return statusText(row.balance);
    case Owed:
        return row.balance.status == PaymentStatus::NotPayable ? QString() : amountText(row.balance.owed);
    default:
        return QVariant();
    }
}

QVariant RegisterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList headings{QStringLiteral("Номер"),   QStringLiteral("Дата"),
                                      QStringLiteral("Вид"),     QStringLiteral("Клиент"),
                                      QStringLiteral("Данъчна основа"), QStringLiteral("ДДС"),
                                      QStringLiteral("Сума"),    QStringLiteral("Валута"),
                                      QStringLiteral("Бележка"), QStringLiteral("Фирма"),
                                      QStringLiteral("Плащане"), QStringLiteral("Остава")};
    return headings.value(section);
}

QString RegisterModel::sumsText(const QList<CurrencySum> &sums)
{
    if (sums.isEmpty())
        return QStringLiteral("Няма документи.");
    QStringList lines;
    for (const CurrencySum &sum : sums) {
        lines << QStringLiteral("%1 %2 в %3: данъчна основа %4, ДДС %5, сума %6 (без проформите и анулираните; кредитните известия с минус)")
                     .arg(sum.count)
                     .arg(sum.count == 1 ? QStringLiteral("документ") : QStringLiteral("документа"))
                     .arg(selectorText(sum.currency), amountText(sum.taxBase), amountText(sum.vat),
                          amountText(sum.total));
        if (sum.owed > Amount())
            lines.last() += QStringLiteral("; остава за плащане %1").arg(amountText(sum.owed));
    }
    return lines.join(u'\n');
}

QString RegisterModel::statusText(const Balance &balance)
{
    const QString status = paymentStatusText(balance.status);
    if (!balance.overdue)
        return status;
    return QStringLiteral("%1, просрочен %2 %3")
        .arg(status)
        .arg(balance.daysOverdue)
        .arg(balance.daysOverdue == 1 ? QStringLiteral("ден") : QStringLiteral("дни"));
}
