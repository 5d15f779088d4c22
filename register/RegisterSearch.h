#pragma once

#include "register/RegisterStore.h"

#include <QByteArray>
#include <vector>

// The register window's search without the database: of every document what
// the list and its sums need (its key, date, kind, amounts, cancel mark,
// company and number, and folded search text), read once when the window
// opens and then only what was recorded since. A keystroke looks for the
// typed text in the texts in memory, one block of them, and lists and sums as
// RegisterStore::list() does for the payment filters "Всички" and
// "Неплатени"; the chart's months are summed from it too.
//
// The register only ever adds documents and marks them cancelled, so that is
// all that can change: what another program recorded is added at the next
// search; the cancel marks are read again when the register changed
// (RegisterStore::changeCount()) or when asked to (update(…, true)).
class RegisterSearch {
public:
    // Reads the documents recorded since the last reading, the whole
    // register the first time, and the cancel marks when they may have changed.
    void update(const RegisterStore &store, bool marksToo = false);
    // The documents the query shows and their sums. What is owed comes
    // from `owing` (RegisterStore::owing()), needed for "Неплатени" only;
    // "Просрочени", which needs the dates each is due by, is the store's.
    RegisterStore::Listing list(const RegisterQuery &query, const RegisterStore::Owing &owing = {}) const;
    // As RegisterStore::soldBetween(), with `owing` of that period.
    QList<RegisterStore::SoldDocument> sold(const QDate &from, const QDate &to,
                                            const RegisterStore::Owing &owing) const;
    qsizetype size() const { return qsizetype(m_documents.size()); }

private:
    struct Document {
        qint64 id = 0;
        qint64 taxBase = 0, vat = 0, total = 0;
        qint32 day = 0;  // of the sort date: ГГГГММДД
        qint32 textEnd = 0;  // in m_texts, where the next document's text starts
        qint32 company = 0;  // in m_companies
        qint64 number = -1;
        bool euro = false, proforma = false, credit = false, cancelled = false;
    };
    void add(const RegisterStore::Searched &document);
    // The credit notes' totals by the company and number they correct.
    QHash<std::pair<qint32, qint64>, Amount> credited(const QHash<QString, Amount> &credits) const;
    // Paid on the document, credit notes that correct it included.
    Amount paidOn(const Document &document, const RegisterStore::Owing &owing,
                  const QHash<std::pair<qint32, qint64>, Amount> &credited) const;
    void readMarks(const RegisterStore &store);

    std::vector<Document> m_documents;  // in the order of their keys
    std::vector<int> m_newestFirst;     // places in m_documents: by date, then key, newest first
    // The search texts one after another, each after a newline, in UTF-8:
    // a text in UTF-8 is found in UTF-8 exactly where it is found in letters.
    QByteArray m_texts;
    QList<QByteArray> m_companies;  // their keys, as the register keeps them
    qint64 m_lastKey = 0;
    qint64 m_changeCount = -1;
};
