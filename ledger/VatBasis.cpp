#include "ledger/Identifiers.h"
#include "ledger/SalesLedger.h"

#include <QRegularExpression>

// Where a supply without VAT goes in the sales ledger, from the articles the
// document cites. The law's articles and those of Directive 2006/112/ЕО that
// an invoice may cite instead (чл. 114, ал. 1, т. 12 ЗДДС) stand side by side,
// one row per family of articles; the cells are the return's:
//   02-14 0 % under Chapter 3 of the law (export, international transport),
//   02-15 intra-Community supplies, 02-16 чл. 140, 146, ал. 1 and 173,
//   02-17 services under чл. 21, ал. 2 in another member state,
//   02-18 supplies under чл. 69, ал. 2 (place of supply outside the country,
//         distance sales), 02-19 exempt, 02-25 intermediary in a triangular
//   operation.

namespace {

enum class Act { Law, Directive, OldDirective, Regulation };

// How a row places a supply.
enum class Place { Cell, ByClientCountry, Art163a };

constexpr int Any = -1;

struct BasisRow {
    Act act;
    int first;
    int last;
    int paragraph;  // Any, or the one cited (0: none cited)
    Place place;
    LedgerCell cell;
};

constexpr BasisRow Rows[] = {
    // ЗДДС
    {Act::Law, 15, 15, Any, Place::Cell, LedgerCell::Triangular},            // тристранна операция
    {Act::Law, 17, 20, Any, Place::Cell, LedgerCell::DistanceSales},         // goods, place outside the country
    {Act::Law, 21, 21, 2, Place::ByClientCountry, LedgerCell::ServicesOtherState},
    {Act::Law, 22, 24, Any, Place::Cell, LedgerCell::DistanceSales},         // services, place outside the country
    {Act::Law, 28, 37, Any, Place::Cell, LedgerCell::ZeroChapter3},          // Chapter 3: 0 %
    {Act::Law, 38, 50, Any, Place::Cell, LedgerCell::Exempt},                // Chapter 4: exempt
    {Act::Law, 53, 53, Any, Place::Cell, LedgerCell::ZeroIntraCommunity},    // вътреобщностна доставка
    {Act::Law, 69, 69, 2, Place::Cell, LedgerCell::DistanceSales},
    {Act::Law, 140, 140, Any, Place::Cell, LedgerCell::ZeroArt140},
    {Act::Law, 146, 146, 1, Place::Cell, LedgerCell::ZeroArt140},
    {Act::Law, 146, 146, 0, Place::Cell, LedgerCell::ZeroArt140}, // "чл. 146" without a paragraph
    {Act::Law, 163, 163, Any, Place::Art163a, LedgerCell::TaxBase},         // only as "163а"
    {Act::Law, 173, 173, Any, Place::Cell, LedgerCell::ZeroArt140},
    // Directive 2006/112/ЕО
    {Act::Directive, 31, 36, Any, Place::Cell, LedgerCell::DistanceSales},   // place of supply of goods, distance sales
    {Act::Directive, 44, 44, Any, Place::Cell, LedgerCell::ServicesOtherState}, // general rule, taxable customer
    {Act::Directive, 196, 196, Any, Place::Cell, LedgerCell::ServicesOtherState}, // the customer pays the tax
    {Act::Directive, 47, 59, Any, Place::Cell, LedgerCell::DistanceSales},   // particular places of supply of services
    {Act::Directive, 132, 137, Any, Place::Cell, LedgerCell::Exempt},        // exemptions inside the country
    {Act::Directive, 138, 138, Any, Place::Cell, LedgerCell::ZeroIntraCommunity},
    {Act::Directive, 141, 141, Any, Place::Cell, LedgerCell::Triangular},
    {Act::Directive, 197, 197, Any, Place::Cell, LedgerCell::Triangular},
    {Act::Directive, 146, 150, Any, Place::Cell, LedgerCell::ZeroChapter3},  // exports, international transport
    {Act::Directive, 153, 153, Any, Place::Cell, LedgerCell::ZeroChapter3},  // intermediaries in exports
};

struct Mention {
    qsizetype at = 0;
    int article = 0;
    QString letter;
    int paragraph = 0;
    QString rest;  // what follows, up to the next article
};

struct Citation {
    qsizetype at;
    Act act;
};

QList<Citation> citations(const QString &basis)
{
    static const QRegularExpression acts(
        QStringLiteral("(ППЗДДС|правилника)|(77/388)|(2006/112|[Дд]иректива(?![\\s№]*77/388))|(ЗДДС|[Зз]акона? за данък)"));
    QList<Citation> found;
    for (auto it = acts.globalMatch(basis); it.hasNext();) {
        const auto match = it.next();
        const Act act = match.capturedLength(1) ? Act::Regulation
                        : match.capturedLength(2) ? Act::OldDirective
                        : match.capturedLength(3) ? Act::Directive
                                                  : Act::Law;
        found.append({match.capturedStart(), act});
    }
    return found;
}

QList<Mention> mentions(const QString &basis)
{
    static const QRegularExpression article(
        QStringLiteral("чл(?:\\.|ен)?\\s*(\\d+)([а-я](?![а-я.]))?(?:\\s*,?\\s*ал\\.?\\s*(\\d+))?"),
        QRegularExpression::CaseInsensitiveOption);
    QList<Mention> found;
    for (auto it = article.globalMatch(basis); it.hasNext();) {
        const auto match = it.next();
        if (!found.isEmpty())
            found.last().rest = basis.mid(found.last().at, match.capturedStart() - found.last().at);
        found.append({match.capturedStart(), match.captured(1).toInt(), match.captured(2).toLower(),
                      match.captured(3).toInt(), {}});
    }
    if (!found.isEmpty())
        found.last().rest = basis.mid(found.last().at);
    return found;
}

// The act an article belongs to: the first one named after it ("чл. 44 и
// чл. 196 от Директива …"), else the last one before it, else the law.
Act actOf(const Mention &mention, const QList<Citation> &acts)
{
    for (const Citation &citation : acts) {
        if (citation.at > mention.at)
            return citation.act;
    }
    return acts.isEmpty() ? Act::Law : acts.last().act;
}

const BasisRow *rowFor(const Mention &mention, Act act)
{
    for (const BasisRow &row : Rows) {
        if (row.act != act || mention.article < row.first || mention.article > row.last)
            continue;
        if (row.paragraph != Any && row.paragraph != mention.paragraph)
            continue;
        // "чл. 163а" is not чл. 163, nor is "чл. 53а" чл. 53.
        if ((row.place == Place::Art163a) != (mention.letter == QStringLiteral("а")))
            continue;
        return &row;
    }
    return nullptr;
}

bool namesTriangularOperation(const QString &basis)
{
    // The old Directive 77/388/ЕИО: "чл. 28с(Е)(3)", the intermediary.
    static const QRegularExpression old(QStringLiteral("28\\s*[cс]\\s*\\(?\\s*[EЕ]\\s*\\)?\\s*\\(?\\s*3"),
                                        QRegularExpression::CaseInsensitiveOption);
    return basis.contains(QStringLiteral("тристранн"), Qt::CaseInsensitive)
        || (basis.contains(QStringLiteral("77/388")) && old.match(basis).hasMatch());
}

} // namespace

std::optional<LedgerCell> cellForVatBasis(const QString &basis, const QString &clientCountry)
{
    if (namesTriangularOperation(basis))
        return LedgerCell::Triangular;
    const QList<Citation> acts = citations(basis);
    for (const Mention &mention : mentions(basis)) {
        const BasisRow *row = rowFor(mention, actOf(mention, acts));
        if (!row)
            continue;
        switch (row->place) {
        case Place::Cell:
            return row->cell;
        case Place::ByClientCountry:
            return Identifiers::isMemberStatePrefix(clientCountry) && clientCountry != QStringLiteral("BG")
                       ? LedgerCell::ServicesOtherState
                       : LedgerCell::DistanceSales;
        case Place::Art163a:
            return std::nullopt;  // its base cell is the user's choice
        }
    }
    return std::nullopt;
}

std::optional<QString> art163aCode(const QString &basis)
{
    const QList<Citation> acts = citations(basis);
    for (const Mention &mention : mentions(basis)) {
        const BasisRow *row = rowFor(mention, actOf(mention, acts));
        if (!row || row->place != Place::Art163a)
            continue;
        // ал. 2, т. 1: goods of Annex 2, part I; т. 2: part II. The Roman
        // numeral may be typed in Latin or Cyrillic letters.
        static const QRegularExpression partTwo(QStringLiteral("т\\.\\s*2\\b|част\\s*(II|ІІ|2)\\b"),
                                                QRegularExpression::UseUnicodePropertiesOption);
        static const QRegularExpression partOne(QStringLiteral("т\\.\\s*1\\b|част\\s*(I|І|1)\\b"),
                                                QRegularExpression::UseUnicodePropertiesOption);
        if (partTwo.match(mention.rest).hasMatch())
            return QStringLiteral("02");
        if (partOne.match(mention.rest).hasMatch())
            return QStringLiteral("01");
        return QString();
    }
    return std::nullopt;
}
