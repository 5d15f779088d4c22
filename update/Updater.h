#pragma once

#include "update/UpdateRules.h"

#include <QString>
#include <QWidget>
#include <functional>

class QLineEdit;
class QNetworkAccessManager;
class QProgressBar;
class QToolButton;
class StagedExecutable;

// The update window: checks a web server for a newer build and installs it.
class TUpdateI : public QWidget {
    Q_OBJECT
public:
    explicit TUpdateI(QWidget *parent = nullptr);

    QProgressBar *CGauge1;
    QToolButton *SpeedButton1;  // "Инсталирай"
    QToolButton *SpeedButton2;  // "Изход"
    QLineEdit *Edit1;           // hidden: the download address

    // The body of the last version file response.
    QString RemoteVersion;
    // Set by the last check: the server has a newer build.
    bool UpdateAvailable = false;
    // Where the server is, the release key, the time limit of a transfer.
    UpdateSettings Settings;
    // What follows a successful install: the start-up sets the document's
    // "Нова фактура"; without it a new copy starts through the shell and
    // this run ends.
    std::function<void()> Restart;

    void CheckVersion();
    void FetchVersionText();
    // The version stamped into the running program's file.
    QString GetFileVersionText();

    void SpeedButton1Click();
    void SpeedButton2Click();

private:
    bool download(StagedExecutable &staged, bool &fileNotCreated);
    bool signatureValid(QByteArrayView contents);

    QNetworkAccessManager *m_network;
};

extern TUpdateI *UpdateI;
