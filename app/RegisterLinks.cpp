#include "app/RegisterLinks.h"

#include "app/Pick.h"
#include "common/Failure.h"
#include "document/Document.h"
#include "document/Invoice.h"
#include "lines/LineRules.h"
#include "lines/Unit1.h"
#include "platform/BusyCursor.h"
#include "platform/Paths.h"
#include "platform/Prompts.h"
#include "print/ArchiveFiles.h"
#include "print/PagePicture.h"
#include "print/PrintRules.h"
#include "reference/Schema.h"
#include "reference/TableStore.h"
#include "register/InvoicePick.h"
#include "register/IssuedDocs.h"
#include "register/IssuedRules.h"
#include "register/RegisterStore.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QStringList>

namespace {

const QString ProformaLineMessage =
    QStringLiteral("Ред %1 („%2“) на проформа № %3 не може да бъде добавен: фактурата не е съставена и "
                   "наличностите са върнати.");

// The goods record a line of a document was picked from: the first whose
// description reads as the line's. The register keeps no catalogue number,
// and a description is what the page printed.
bool findGoods(TableStore &goods, const QString &description)
{
    using namespace Schema::Goods;
    const QStringList wanted = description.split(u'\n');
    const auto matches = [&] { return LineRules::memoLines(goods.text(DescriptionAsBound)) == wanted; };
    // Most often the first record that begins alike is the one.
    if (goods.locate(DescriptionAsBound, wanted.value(0)) && matches())
        return true;
    for (int record = 1; record <= goods.recordCount(); ++record) {
        goods.setRecNo(record);
        if (matches())
            return true;
    }
    return false;
}

void showClient(const InvoiceParty &client)
{
    Doc->Label33->setText(client.name);
    Doc->Label65->setText(client.eik);
    Doc->Label34->setText(client.vatNumber);
    Doc->Label29->setText(client.address);
    Doc->Label30->setText(client.manager);
    Doc->Label35->setText(client.manager);
}

// Stages the line as the pick does and adds it, its goods taken from the
// stock where the goods table holds them.
bool addLine(TableStore &goods, const InvoiceLine &line)
{
    Form1->Stock->setPlainText(line.description);
    Form1->Edit4->setText(line.unit);
    Form1->Edit1->setText(line.price.text());
    if (!findGoods(goods, line.description)) {
        // A service typed on the line, or goods since deleted: no stock to take.
        Form1->ComboBox3->clear();
        Form1->Edit3->setText(line.quantity.text());
        return Form1->AddLine();
    }
    Form1->ComboBox3->setText(goods.text(Schema::Goods::Number.name));
    return takeStockAndAddLine(goods, line.quantity, line.quantity.text());
}

} // namespace

QPixmap ownCompanyLogo(const InvoiceSupplier &supplier)
{
    TableStore firms;
    firms.setDatabaseName(dataDirectory());
    firms.setTableName(Schema::Firm::FileName);
    firms.open();
    const QString company = companyKey(supplier);
    QPixmap logo;
    for (int record = 1; record <= firms.recordCount(); ++record) {
        firms.setRecNo(record);
        if (companyKey(firms.text(Schema::Firm::IdNumber.name), firms.text(Schema::Firm::Supplier.name)) == company) {
            logo.loadFromData(firms.picture(Schema::Firm::Logo.name));
            break;
        }
    }
    return logo;
}

// The copy's files in the archive folder, named after the original's:
// "…_copy.bmp" for "…_.bmp". Only the name is taken from the row, so a row
// pointing elsewhere never has a file written there.
QString copyFileName(const QString &originalImage)
{
    QString copy = QFileInfo(originalImage).completeBaseName();
    copy += copy.endsWith(u'_') ? QStringLiteral("copy.bmp") : QStringLiteral("_copy.bmp");
    return QDir(installFolder()).filePath(QStringLiteral("DB/") + copy);
}

TIssuedDocs::DrawnCopy renderRecordedCopy(const Invoice &recorded, const RegisterRow &row, int depth)
{
    TDoc page;
    page.showInvoice(recorded, ownCompanyLogo(recorded.supplier));
    page.Label8->setText(PrintRules::Copy);
    page.NewExecute();
    TIssuedDocs::DrawnCopy copy;
    copy.picture = archivePicture(capturePage(page.Panel1), depth);
    if (row.archiveImage.isEmpty())
        return copy;
    const QByteArray image = archiveImageBytes(copy.picture, depth);
    const RegisterStore store(dataDirectory());
    const ArchiveNames names =
        chooseArchiveNames(copyFileName(row.archiveImage), PrintRules::companyTag(companyKey(recorded.supplier)), image,
                           [&](const QString &path) { return store.fileTaken(path, recorded); });
    const QByteArray pdf =
        pdfCopyBytes(page.Panel1, QFileInfo(names.image).completeBaseName(), PrintRules::pdfInfo(recorded));
    ArchiveWrite(names).write(image, pdf);
    copy.files = ArchiveFiles::of(names.image, image, names.pdf, pdf);
    return copy;
}

void pickNoteInvoice()
{
    const Invoice page = Doc->shownInvoice();
    if (page.client.name.trimmed().isEmpty() && page.client.eik.trimmed().isEmpty())
        throw Failure(QStringLiteral("Изберете първо клиента на известието."));
    BusyCursor busy;
    RegisterStore store(dataDirectory());
    const QList<qint64> invoices =
        store.invoicesFor(IssuedRules::companyKey(page.supplier), page.client.eik, page.client.name);
    if (invoices.isEmpty()) {
        prompts().information(QStringLiteral("В регистъра няма фактури на „%1“ към „%2“. Въведете датата и номера "
                                             "на фактурата в полето „от дата:“ на известието.")
                                  .arg(page.supplier.party.name, page.client.name));
        return;
    }
    InvoicePick->Picked = [](const RegisterRow &invoice) { Doc->setNoteReference(invoice.date, invoice.number); };
    InvoicePick->showInvoices(store.rows(invoices));
}

void invoiceFromProforma(const Invoice &proforma)
{
    if (Form1->StringGrid1->rowCount() > 1)
        throw Failure(QStringLiteral("Таблицата вече съдържа редове. Изчистете я („Изчисти всичко“) и натиснете "
                                     "„Фактура от проформа“ отново."));
    Form1->ComboBox2->setEditText(QStringLiteral("ФАКТУРА"));
    Form1->ComboBox1->setEditText(QString());
    Form1->ComboBox6->setCurrentIndex(Form1->ComboBox6->findText(selectorText(proforma.currency)));
    showClient(proforma.client);

    TableStore goods;
    goods.setDatabaseName(dataDirectory());
    goods.setTableName(Schema::Goods::FileName);
    goods.open();
    // All lines or none: a line that cannot be added takes back what the
    // lines before it took, and the message names it.
    for (const InvoiceLine &line : proforma.lines) {
        QString reason;
        bool added = false;
        try {
            added = addLine(goods, line);
        } catch (const Failure &failure) {
            reason = failure.text();
        }
        if (!added) {
            Form1->clearAll();
            throw Failure(ProformaLineMessage.arg(QString::number(line.number), line.description.section(u'\n', 0, 0),
                                                  proforma.number)
                          + (reason.isEmpty() ? QString() : u'\n' + reason));
        }
    }
    Form1->show();
    Form1->raise();
}
