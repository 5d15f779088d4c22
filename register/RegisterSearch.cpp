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

RegisterStore::Listing RegisterSearch::list(const RegisterQuery &query) const
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
    RegisterStore::Listing listing;
    CurrencySum sums[2];
    sums[1].currency = Currency::Euro;
    for (int place : m_newestFirst) {
        const Document &document = m_documents[size_t(place)];
        if ((!found.empty() && !found[size_t(place)]) || document.day < from || document.day > to)
            continue;
        listing.ids << document.id;
        // What was sold: a credit note against it, no proforma, nothing cancelled.
        if (document.cancelled || document.proforma)
            continue;
        CurrencySum &sum = sums[document.euro ? 1 : 0];
        const qint64 sign = document.credit ? -1 : 1;
        ++sum.count;
        sum.taxBase = sum.taxBase + Amount::fromUnits(sign * document.taxBase);
        sum.vat = sum.vat + Amount::fromUnits(sign * document.vat);
        sum.total = sum.total + Amount::fromUnits(sign * document.total);
    }
    for (const CurrencySum &sum : sums) {
        if (sum.count > 0)
            listing.sums << sum;
    }
    return listing;
}
