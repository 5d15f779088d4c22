#pragma once

class QApplication;
class QIcon;

// The program's icon in all its sizes, from the resource made at build time.
QIcon applicationIcon();

// Application-wide setup before any window: the title, the icon of every
// window, Qt's Bulgarian translation for the standard buttons, the font
// substitutes.
void setUpApplication(QApplication &app);

// Creates the windows in start-up order, running each creation handler
// as it goes: Main, Form1, Form4, Doc, UpdateI, PrintDlgOru, and then the
// register window IssuedDocs.
void createWindows();
// Destroys them in reverse order and clears the globals.
void destroyWindows();
