#pragma once

#include "common/Amount.h"

// The VAT rate as a fraction; 0.2 until the line table window sets it.
extern double VatFactor;

// The running totals of the line table.
struct LineTotals {
    Amount taxBase;  // sum of the line values
    Amount vat;      // VAT on the whole tax base, two decimals
    Amount total;    // tax base + VAT
};

// Adds a line value to the tax base and computes the VAT afresh from the
// whole base (never summed line by line), rounded half away from zero to two
// decimals, then the total. Throws a Failure when an amount leaves the range.
LineTotals addLineToTotals(const LineTotals &totals, Amount lineValue, double vatFactor);
