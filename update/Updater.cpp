#include "update/Updater.h"

TUpdateI *UpdateI = nullptr;

TUpdateI::TUpdateI(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Обновяване на програмата"));
}

void TUpdateI::CheckVersion()
{
    RemoteVersion.clear();
    UpdateAvailable = false;
}
