#pragma once

#include <QString>
#include <QWidget>

// The update window: checks a web server for a newer build and installs it.
class TUpdateI : public QWidget {
    Q_OBJECT
public:
    explicit TUpdateI(QWidget *parent = nullptr);

    QString RemoteVersion;
    bool UpdateAvailable = false;

    void CheckVersion();
};

extern TUpdateI *UpdateI;
