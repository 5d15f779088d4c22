#include "tools/TableMaker.h"

#include "common/Failure.h"
#include "platform/PrivateFiles.h"
#include "reference/Schema.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace TableMaker {

namespace {

QVariantMap record(const QStringList &names, const QVariantList &values)
{
    QVariantMap map;
    for (qsizetype i = 0; i < names.size(); ++i)
        map.insert(names[i], values.value(i));
    return map;
}

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

QByteArray demoLogo(int variant)
{
    // Shapes only: drawing text would need the fonts of a GUI session.
    QImage image(200, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (variant == 0) {
        QLinearGradient gradient(0, 0, 200, 80);
        gradient.setColorAt(0, QColor(0, 84, 147));
        gradient.setColorAt(1, QColor(0, 150, 136));
        painter.setBrush(gradient);
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(6, 6, 68, 68), 12, 12);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(40, 40), 18, 18);
        painter.setBrush(QColor(0, 84, 147));
        for (int i = 0; i < 3; ++i)
            painter.drawRect(QRectF(86, 16 + i * 20, 104 - i * 24, 10));
    } else {
        painter.setPen(QPen(QColor(178, 34, 34), 5));
        painter.setBrush(QColor(255, 204, 0));
        QPainterPath mountain;
        mountain.moveTo(8, 72);
        mountain.lineTo(50, 12);
        mountain.lineTo(78, 50);
        mountain.lineTo(98, 30);
        mountain.lineTo(140, 72);
        mountain.closeSubpath();
        painter.drawPath(mountain);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(178, 34, 34));
        painter.drawEllipse(QPointF(170, 26), 16, 16);
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

QList<QVariantMap> demoRecords(const QString &fileName)
{
    QList<QVariantMap> records;
    if (fileName == Schema::Firm::FileName) {
        using namespace Schema::Firm;
        const QStringList names{Supplier.name, SupplierSecondLine.name, Address.name, AddressSecondLine.name,
                                Manager.name, VatNumber.name, IdNumber.name, PlaceOfIssue.name, Logo.name,
                                LastInvoice.name, LastProforma.name};
        records << record(names, {s("ЕТ „Иван Петров – 91“"), s("Търговия и услуги"), s("гр. София 1000"),
                                  s("ул. „Граф Игнатиев“ № 12"), s("Иван Петров"), s("121234567"),
                                  s("121234567"), s("София"), demoLogo(0), s("41"), s("0")});
        records << record(names, {s("„Балкан Трейд“ ООД"), QString(), s("гр. Пловдив 4000"),
                                  s("бул. „Марица“ № 5, ет. 2"), s("Мария Георгиева"), s("160987654"),
                                  s("160987654"), s("Пловдив"), demoLogo(1), s("0"), s("0")});
    } else if (fileName == Schema::Bank::FileName) {
        using namespace Schema::Bank;
        const QStringList names{Name.name, Iban.name, Swift.name};
        records << record(names, {s("Първа демонстрационна банка АД"), s("BG80BNBG96611020345678"), s("BNBGBGSD")});
        records << record(names, {s("Обединена примерна банка АД"), s("BG18RZBB91550123456789"), s("RZBBBGSF")});
        records << record(names, {s("Търговска банка на Пловдив"), s("BG27UBBS80021098765432"), s("UBBSBGSF")});
    } else if (fileName == Schema::Goods::FileName) {
        using namespace Schema::Goods;
        const QStringList names{Number.name, Description.name, Unit.name, Price.name, Quantity.name};
        records << record(names, {s("001"), s("Хартия за принтер А4, 80 г/м2\nкутия от 5 пакета по 500 листа"),
                                  s("кутия"), s("42.50"), s("12")});
        records << record(names, {s("002"), s("Тонер касета за лазерен принтер\nчерна, за 2000 страници"),
                                  s("бр."), s("89.90"), s("5")});
        records << record(names, {s("003"), s("Монитор 24 инча\nFull HD, IPS матрица\nгаранция 24 месеца"),
                                  s("бр."), s("329.00"), s("3")});
        records << record(names, {s("004"), s("Кабел UTP, категория 6"), s("м"), s("0.85"), s("250.5")});
        records << record(names, {s("005"), s("Инсталиране и настройка на софтуер"), s("час"), s("40.00"), s("100")});
        records << record(names, {s("006"), s("Мишка оптична, USB"), s("бр."), s("15.60"), s("0")});
        records << record(names, {s("007"), s("Клавиатура с кирилица\nБДС и фонетична подредба"), s("бр."),
                                  s("24.00"), s("8")});
        records << record(names, {s("008"), s("Абонаментна поддръжка\nмесечна такса"), s("мес."), s("120.00"),
                                  s("12")});
    } else if (fileName == Schema::Clients::FileName) {
        using namespace Schema::Clients;
        const QStringList names{Company.name, IdNumber.name, VatNumber.name, Address.name, Manager.name,
                                Phone.name, Fax.name};
        records << record(names, {s("„Алфа Консулт“ ЕООД"), s("131234560"), s("131234560"),
                                  s("гр. София, бул. „Витоша“ № 1"), s("Петър Иванов"), s("02 981 1234"), s("02 981 1235")});
        records << record(names, {s("„Бета Строй“ АД"), s("200123456"), s("200123456"),
                                  s("гр. Варна, ул. „Преслав“ № 20"), s("Георги Димитров"), s("052 600 700"), QString()});
        records << record(names, {s("ЕТ „Гама – Стоян Стоянов“"), s("104567890"), QString(),
                                  s("гр. Русе, ул. „Борисова“ № 7"), s("Стоян Стоянов"), s("082 823 456"), QString()});
        records << record(names, {s("„Делта Логистик“ ООД"), s("175678901"), s("175678901"),
                                  s("гр. Бургас, ул. „Александровска“ № 45"), s("Елена Николова"), s("056 840 111"),
                                  s("056 840 112")});
        records << record(names, {s("„Омега Софт“ ЕООД"), s("203456789"), s("203456789"),
                                  s("гр. Пловдив, бул. „Руски“ № 3"), s("Николай Тодоров"), s("032 626 262"), QString()});
    }
    return records;
}

QStringList makeTables(const QString &startFolder, bool demo)
{
    const QString dataFolder = QDir(startFolder).filePath(QStringLiteral("DB"));
    if (!PrivateFiles::makeFolder(dataFolder))
        throw Failure(QStringLiteral("Папката „%1“ не може да бъде създадена.").arg(QDir::toNativeSeparators(dataFolder)));
    QStringList made;
    for (const TableDefinition &table : referenceTables()) {
        if (makeTable(dataFolder, table, demo ? demoRecords(table.fileName) : QList<QVariantMap>()))
            made << table.fileName;
    }
    return made;
}

} // namespace TableMaker
