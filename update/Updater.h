#pragma once

#include "update/UpdateRules.h"

#include <QString>
#include <QWidget>
#include <functional>

class HttpGet;
class QLineEdit;
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
    QToolButton *SpeedButton3;  // "Отказ": in place of "Изход" while a download runs
    QLineEdit *Edit1;           // hidden: the download address

    // The body of the last version file response.
    QString RemoteVersion;
    // Set by the last check: the server has a newer build.
    bool UpdateAvailable = false;
    // Where the server is, the release key, the time limits, the longest program.
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
    void SpeedButton3Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool download(HttpGet &http, StagedExecutable &staged, bool &fileNotCreated);
    bool signatureValid(HttpGet &http, const QString &version, QByteArrayView contents);
    void showDownloading(bool downloading);

    HttpGet *m_download = nullptr;  // while "Инсталирай" downloads
};

extern TUpdateI *UpdateI;
