#pragma once

class QApplication;

// Application-wide setup before any window: the title, Qt's Bulgarian
// translation for the standard buttons, the font substitutes.
void setUpApplication(QApplication &app);

// Creates the windows in start-up order, running each creation handler
// as it goes: Main, Form1, Form4, Doc, UpdateI, PrintDlgOru, and then the
// register window IssuedDocs.
void createWindows();
// Destroys them in reverse order and clears the globals.
void destroyWindows();
