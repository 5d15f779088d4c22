#pragma once

#include <QString>

// The folder the program was started in: read once while the program's
// modules are initialised, before any window exists. Tests may set it.
extern QString StartFolder;

// StartFolder + "/DB/": the data directory of the four reference tables.
QString dataDirectory();
// StartFolder + "/mem.txt": the remembered settings file.
QString settingsFilePath();

// The installation folder (the update installs there, the archive images go
// to its DB/): the folder of the running executable; BILVARO_INSTALL_DIR
// overrides it.
QString installFolder();
