#pragma once

#include "document/Invoice.h"

// The document on the page as a value, read once after assembly: the page's
// texts, lines and totals, and the own company's record it was made with.
Invoice currentInvoice();
