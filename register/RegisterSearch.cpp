#include "register/RegisterSearch.h"

#include "register/IssuedRules.h"

#include <QByteArrayMatcher>
#include <algorithm>
#include <limits>

namespace {

// A day as a number that orders as the dates do: ГГГГММДД.
qint32 dayNumber(int year, int month, int day) { return year * 10000 + month * 100 + day; }

// Of the sort date as the register keeps it, ГГГГ-ММ-ДД.
qint32 dayNumber(QByteArrayView iso)
{
    const auto digits = [iso](qsizetype at, qsizetype count) {
        int value = 0;
        for (qsizetype i = at; i < at + count; ++i) {
            if (i >= iso.size() || iso[i] < '0' || iso[i] > '9')
                return -1;
            value = value * 10 + (iso[i] - '0');
        }
        return value;
    };
    const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
    return year < 0 || month < 0 || day < 0 ? 0 : dayNumber(year, month, day);
}

// About the UTF-8 of a search text: a client's name, ЕИК and number.
constexpr qsizetype ExpectedTextBytes = 64;

qint32 dayNumber(const QDate &date) { return dayNumber(date.year(), date.month(), date.day()); }

QDate dateOf(qint32 day) { return QDate(day / 10000, day / 100 % 100, day % 100); }

// A document's number as the register keeps it (ten digits); -1 if it is none.
qint64 numberOf(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 18)
        return -1;
    qint64 number = 0;
    for (char digit : digits) {
        if (digit < '0' || digit > '9')
            return -1;
        number = number * 10 + (digit - '0');
    }
    return number;
}

} // namespace

void RegisterSearch::update(const RegisterStore &store, bool marksToo)
{
    const qint64 changes = store.changeCount();
    if (changes == m_changeCount && !marksToo && !m_documents.empty())
        return;
    const bool first = m_documents.empty();
    if (first) {
        // Room for them all at once: a large block grown step by step is
        // copied and its memory faulted in again at every step.
        const qint64 expected = store.documentCount();
        m_documents.reserve(size_t(expected));
        m_texts.reserve(qsizetype(expected) * ExpectedTextBytes);
    }
    const size_t known = m_documents.size();
    store.readSearched(m_lastKey, [this](const RegisterStore::Searched &document) { add(document); });
    if (!first && (changes != m_changeCount || marksToo))
        readMarks(store);
    m_changeCount = changes;
    if (m_documents.size() == known)
        return;
    // Newest first, as the store lists them; a document recorded later may
    // carry an earlier date.
    const auto newer = [this](int a, int b) {
        const Document &x = m_documents[size_t(a)], &y = m_documents[size_t(b)];
        return x.day != y.day ? x.day > y.day : x.id > y.id;
    };
    for (size_t place = known; place < m_documents.size(); ++place)
        m_newestFirst.push_back(int(place));
    const auto added = m_newestFirst.begin() + qsizetype(known);
    std::sort(added, m_newestFirst.end(), newer);
    std::inplace_merge(m_newestFirst.begin(), added, m_newestFirst.end(), newer);
}

void RegisterSearch::add(const RegisterStore::Searched &document)
{
    Document kept;
    kept.id = document.id;
    kept.taxBase = document.taxBase;
    kept.vat = document.vat;
    kept.total = document.total;
    kept.day = dayNumber(document.sortDate);
    kept.euro = document.euro;
    kept.proforma = document.proforma;
    kept.credit = document.credit;
    kept.cancelled = document.cancelled;
    kept.number = numberOf(document.number);
    // A register holds the documents of one company or a few.
    kept.company = qint32(m_companies.indexOf(document.company.toByteArray()));
    if (kept.company < 0) {
        kept.company = qint32(m_companies.size());
        m_companies << document.company.toByteArray();
    }
    m_texts += '\n';
    m_texts += document.searchText;
    kept.textEnd = qint32(m_texts.size());
    m_documents.push_back(kept);
    m_lastKey = std::max(m_lastKey, document.id);
}

void RegisterSearch::readMarks(const RegisterStore &store)
{
    const QList<qint64> cancelled = store.cancelledIds();
    // Both in the order of their keys.
    auto next = cancelled.cbegin();
    for (Document &document : m_documents) {
        while (next != cancelled.cend() && *next < document.id)
            ++next;
        document.cancelled = next != cancelled.cend() && *next == document.id;
    }
}

RegisterStore::Listing RegisterSearch::list(const RegisterQuery &query, const RegisterStore::Owing &owing) const
{
    // Which documents hold the text: one pass of the matcher over all the
    // texts, the documents met in the order of the texts.
    const QByteArray probe = IssuedRules::searchProbe(query.text).toUtf8();
    std::vector<bool> found;
    if (!probe.isEmpty()) {
        found.assign(m_documents.size(), false);
        const QByteArrayMatcher matcher(probe);
        size_t place = 0;
        qsizetype at = matcher.indexIn(m_texts, 0);
        while (at >= 0) {
            // The document whose text the hit lies in: no typed text holds a
            // newline, so none spans two.
            while (place < m_documents.size() && m_documents[place].textEnd < at + probe.size())
                ++place;
            if (place == m_documents.size())
                break;
            found[place] = true;
            at = matcher.indexIn(m_texts, m_documents[place].textEnd);
        }
    }
    const qint32 from = query.from.isValid() ? dayNumber(query.from) : std::numeric_limits<qint32>::min();
    const qint32 to = query.to.isValid() ? dayNumber(query.to) : std::numeric_limits<qint32>::max();
    const bool owed = query.payments == PaymentFilter::Unpaid;
    const auto credited = owed ? this->credited(owing.credits) : QHash<std::pair<qint32, qint64>, Amount>();
    RegisterStore::Listing listing;
    SumsByCurrency sums;
    for (int place : m_newestFirst) {
        const Document &document = m_documents[size_t(place)];
        if ((!found.empty() && !found[size_t(place)]) || document.day < from || document.day > to)
            continue;
        // What was sold: a credit note against it, no proforma, nothing
        // cancelled; what owes: an invoice or a debit note.
        if (document.cancelled || document.proforma) {
            if (!owed)
                listing.ids << document.id;
            continue;
        }
        Amount owes;
        if (owed) {
            if (document.credit)
                continue;
            owes = Amount::fromUnits(document.total) - paidOn(document, owing, credited);
            if (owes <= Amount())
                continue;
        }
        listing.ids << document.id;
        sums.add(document.euro, document.credit, document.taxBase, document.vat, document.total, owes);
    }
    listing.sums = sums.sums();
    return listing;
}

QList<RegisterStore::SoldDocument> RegisterSearch::sold(const QDate &from, const QDate &to,
                                                        const RegisterStore::Owing &owing) const
{
    const qint32 first = dayNumber(from), last = dayNumber(to);
    const auto credited = this->credited(owing.credits);
    QList<RegisterStore::SoldDocument> sold;
    // Newest first, as the store reads them.
    for (int place : m_newestFirst) {
        const Document &document = m_documents[size_t(place)];
        if (document.day < first || document.day > last || document.cancelled || document.proforma)
            continue;
        RegisterStore::SoldDocument one;
        one.date = dateOf(document.day);
        one.currency = document.euro ? Currency::Euro : Currency::Leva;
        one.credit = document.credit;
        one.taxBase = Amount::fromUnits(document.taxBase);
        one.total = Amount::fromUnits(document.total);
        one.paid = document.credit ? one.total : paidOn(document, owing, credited);
        sold << one;
    }
    return sold;
}

QHash<std::pair<qint32, qint64>, Amount> RegisterSearch::credited(const QHash<QString, Amount> &credits) const
{
    QHash<std::pair<qint32, qint64>, Amount> byNumber;
    for (auto credit = credits.cbegin(); credit != credits.cend(); ++credit) {
        // creditedInvoiceKey(): the company, a newline, the number.
        const qsizetype newline = credit.key().lastIndexOf(u'\n');
        const qint32 company = qint32(m_companies.indexOf(credit.key().left(newline).toUtf8()));
        if (company >= 0)
            byNumber.insert({company, numberOf(credit.key().mid(newline + 1).toLatin1())}, credit.value());
    }
    return byNumber;
}

Amount RegisterSearch::paidOn(const Document &document, const RegisterStore::Owing &owing,
                              const QHash<std::pair<qint32, qint64>, Amount> &credited) const
{
    const Amount paid = owing.paid.value(document.id);
    return credited.isEmpty() ? paid : paid + credited.value({document.company, document.number});
}
