#include "tools/TableMaker.h"
#include "reference/Schema.h"

#include <QRandomGenerator>

namespace TableMaker {

namespace {

// The words a made-up office-supplies catalogue is put together from. The
// descriptions come out one to three lines long, 45 to 140 characters, as
// a shop's own goods table has them.
const QStringList &kinds()
{
    static const QStringList list{
        QStringLiteral("Хартия за принтер А4"), QStringLiteral("Тонер касета"), QStringLiteral("Мастилена касета"),
        QStringLiteral("Монитор"), QStringLiteral("Кабел UTP"), QStringLiteral("Мишка оптична"),
        QStringLiteral("Клавиатура с кирилица"), QStringLiteral("Лаптоп"), QStringLiteral("Настолен компютър"),
        QStringLiteral("Твърд диск"), QStringLiteral("Флаш памет USB"), QStringLiteral("Рутер безжичен"),
        QStringLiteral("Мрежов комутатор"), QStringLiteral("Лазерен принтер"), QStringLiteral("Скенер"),
        QStringLiteral("Папка класьор"), QStringLiteral("Химикалка"), QStringLiteral("Тетрадка"),
        QStringLiteral("Кламери"), QStringLiteral("Телбод"), QStringLiteral("Калкулатор"),
        QStringLiteral("Офис стол"), QStringLiteral("Бюро"), QStringLiteral("Шкаф за документи"),
        QStringLiteral("Абонаментна поддръжка"), QStringLiteral("Инсталиране на софтуер"),
        QStringLiteral("Ремонт на компютър"), QStringLiteral("Консултация"), QStringLiteral("Доставка"),
        QStringLiteral("Етикети самозалепващи"), QStringLiteral("Плик за писма"), QStringLiteral("Батерии алкални")};
    return list;
}

const QStringList &makers()
{
    static const QStringList list{QStringLiteral("Балкан"), QStringLiteral("Родопа"), QStringLiteral("Витоша"),
                                  QStringLiteral("Пирин"), QStringLiteral("Странджа"), QStringLiteral("Марица"),
                                  QStringLiteral("Искър"), QStringLiteral("Тракия"), QStringLiteral("Дунав"),
                                  QStringLiteral("Черноморец")};
    return list;
}

const QStringList &qualities()
{
    static const QStringList list{
        QStringLiteral("цвят черен"), QStringLiteral("цвят бял"), QStringLiteral("размер А4"),
        QStringLiteral("размер А3"), QStringLiteral("за офиса"), QStringLiteral("за дома"),
        QStringLiteral("професионален клас"), QStringLiteral("икономичен вариант"), QStringLiteral("комплект"),
        QStringLiteral("с удължена гаранция")};
    return list;
}

const QStringList &details()
{
    static const QStringList list{
        QStringLiteral("гаранция 12 месеца"), QStringLiteral("гаранция 24 месеца"),
        QStringLiteral("опаковка от 10 броя"), QStringLiteral("доставка до 3 работни дни"),
        QStringLiteral("произход България"), QStringLiteral("съвместим с повечето модели"),
        QStringLiteral("с включен монтаж"), QStringLiteral("цената е без транспорт"),
        QStringLiteral("отстъпка при количество над 50 броя"), QStringLiteral("срок на годност 36 месеца")};
    return list;
}

const QStringList &units()
{
    static const QStringList list{QStringLiteral("бр."), QStringLiteral("бр."), QStringLiteral("бр."),
                                  QStringLiteral("кутия"), QStringLiteral("пакет"), QStringLiteral("м"),
                                  QStringLiteral("час"), QStringLiteral("мес."), QStringLiteral("к-т")};
    return list;
}

const QString &pick(const QStringList &list, QRandomGenerator &random)
{
    return list[random.bounded(int(list.size()))];
}

} // namespace

QVariantMap catalogueGoods(int number, QRandomGenerator &random)
{
    // A model code of two Cyrillic capitals and four digits: "ВТ-4821".
    const QString capitals = QStringLiteral("АБВГДЕКМНПРСТ");
    const QString model = QStringLiteral("%1%2-%3")
                              .arg(capitals[random.bounded(int(capitals.size()))])
                              .arg(capitals[random.bounded(int(capitals.size()))])
                              .arg(1000 + random.bounded(9000));
    QString description = QStringLiteral("%1 „%2“ %3, %4\n%5")
                              .arg(pick(kinds(), random), pick(makers(), random), model,
                                   pick(qualities(), random), pick(details(), random));
    if (random.bounded(3) == 0) {
        QString more;
        do
            more = pick(details(), random);
        while (description.endsWith(more));
        description += u'\n' + more;
    }
    const int stock = random.bounded(10) == 0 ? 0 : 1 + random.bounded(500);
    return {{Schema::Goods::Number.name, QString::number(number).rightJustified(6, u'0')},
            {Schema::Goods::Description.name, description},
            {Schema::Goods::Unit.name, pick(units(), random)},
            {Schema::Goods::Price.name, QString::number((50 + random.bounded(99950)) / 100.0, 'f', 2)},
            {Schema::Goods::Quantity.name, QString::number(stock)}};
}

bool makeCatalogue(const QString &dataFolder, int count)
{
    QRandomGenerator random(20070101);
    return makeTable(dataFolder, referenceTable(Schema::Goods::FileName), count,
                     [&](qsizetype index) { return catalogueGoods(int(index) + 1, random); });
}

} // namespace TableMaker
