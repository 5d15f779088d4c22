#pragma once

#include <QFont>
#include <QString>

// A font by family and character height in pixels. Every font of the program
// is made here, so that all of them share one hinting setting and label
// widths come out the same on every machine.
QFont pixelFont(const QString &family, int pixels, bool bold = false);

// Maps the Windows family names the windows ask for onto the installed
// metric twins (Arial, Times New Roman -> Liberation; MS Sans Serif -> a stand-in).
void installFontSubstitutes();
