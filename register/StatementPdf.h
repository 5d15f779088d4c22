#pragma once

#include "register/Statement.h"

#include <QByteArray>
#include <QImage>

// The client's statement as a one-page A4 PDF (more pages when the list is
// long), headed as the invoice page is: the own company's logo and data.
QByteArray statementPdf(const ClientStatement &statement, const QImage &logo);
