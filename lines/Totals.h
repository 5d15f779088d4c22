#pragma once

#include <QString>

// The VAT rate as a fraction; 0.2 until the line table window sets it.
extern double VatFactor;

// The totals captions of the line table window after one line is added.
struct TotalsCaptions {
    QString taxBase;  // sum of the line values
    QString vat;      // VAT on the whole tax base, two decimals
    QString total;    // tax base + VAT
};

// Adds a line value to the tax base and computes the VAT afresh from the
// whole base (never summed line by line), rounded half away from zero to two
// decimals, then the total. Captions are read and written as fixed-point
// amounts with four decimals.
TotalsCaptions addLineToTotals(const QString &taxBase, const QString &lineValue, double vatFactor);
