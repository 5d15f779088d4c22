#include "app/CurrentInvoice.h"

#include "document/Document.h"
#include "reference/Unit4.h"

Invoice currentInvoice()
{
    Invoice invoice = Doc->shownInvoice();
    invoice.supplier.recordNo = Form4->FirmRecNo;
    return invoice;
}
