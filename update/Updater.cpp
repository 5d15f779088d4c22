#include "update/Updater.h"

#include "common/Failure.h"
#include "platform/Executable.h"
#include "platform/Fonts.h"
#include "platform/Handlers.h"
#include "platform/Paths.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "update/ExecutableInstall.h"
#include "update/HttpGet.h"
#include "update/Signature.h"

#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QProgressBar>
#include <QScreen>
#include <QToolButton>
#include <QUrl>
#include <limits>

TUpdateI *UpdateI = nullptr;

namespace {

QToolButton *flatButton(QWidget *parent, const QString &caption, const QRect &place, const QColor &colour)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setText(caption);
    button->setFont(pixelFont(QStringLiteral("Arial"), 13, true));
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, colour);
    button->setPalette(palette);
    button->setGeometry(place);
    return button;
}

int progressValue(qint64 bytes) { return int(qMin<qint64>(bytes, std::numeric_limits<int>::max())); }

} // namespace

TUpdateI::TUpdateI(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Settings(buildUpdateSettings()), m_network(new QNetworkAccessManager(this))
{
    setWindowTitle(QStringLiteral("Обновяване на програмата"));
    setFixedSize(295, 74);
    fillBackground(this, QColor(223, 223, 223));
    setFont(pixelFont(QStringLiteral("Arial"), 13));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    CGauge1 = new QProgressBar(this);
    CGauge1->setGeometry(8, 16, 281, 17);
    CGauge1->setOrientation(Qt::Horizontal);
    CGauge1->setTextVisible(false);
    CGauge1->setRange(0, 100);
    CGauge1->setValue(0);
    CGauge1->setStyleSheet(QStringLiteral("QProgressBar { background: rgb(211, 211, 211); border: none; }"
                                          "QProgressBar::chunk { background: rgb(255, 128, 0); }"));

    SpeedButton1 = flatButton(this, QStringLiteral("Инсталирай"), QRect(8, 48, 130, 22), Qt::blue);
    SpeedButton2 = flatButton(this, QStringLiteral("Изход"), QRect(160, 48, 130, 22), Qt::red);
    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    onClick(SpeedButton2, [this] { SpeedButton2Click(); });

    // The program's file is renamed during an update: know its path before that.
    runningExecutablePath();
    Edit1 = new QLineEdit(downloadAddress(Settings.baseAddress, executableFileName()), this);
    Edit1->hide();

    m_network->setProxy(QNetworkProxy::NoProxy);
}

void TUpdateI::CheckVersion()
{
    UpdateAvailable = false;
    FetchVersionText();
    const QString local = GetFileVersionText();
    if (RemoteVersion.isEmpty())
        RemoteVersion = local;
    UpdateAvailable = isNewerBuild(local, RemoteVersion);
}

void TUpdateI::FetchVersionText()
{
    RemoteVersion.clear();
    checkBaseAddress(Settings.baseAddress);
    QByteArray body;
    const HttpResponse response = httpGet(*m_network, QUrl(versionFileAddress(Settings.baseAddress)),
                                          Settings.transferTimeoutMs,
                                          [&body](const HttpResponse &, QByteArrayView block) {
                                              body += block;
                                              // A version is a few bytes: a huge answer is none.
                                              return body.size() <= 65536;
                                          });
    RemoteVersion = versionAnswer(response, body);
    // No answer is not the answer "nothing newer": the user is told that the
    // check could not be made.
    if (RemoteVersion.isEmpty() && !isCompleteDownload(response))
        throw Failure(QStringLiteral("Сървърът за обновяване не отговори или отговорът му е непълен: версията не "
                                     "е проверена. Проверете връзката с интернет и опитайте отново."));
}

QString TUpdateI::GetFileVersionText() { return executableVersionText(runningExecutablePath()); }

void TUpdateI::SpeedButton1Click()
{
    if (!UpdateAvailable)
        return;
    const QDir folder(installFolder());
    StagedExecutable staged(folder.filePath(Edit1->text().section(u'/', -1)));
    bool fileNotCreated = false;
    bool installed = download(staged, fileNotCreated);
    if (fileNotCreated)
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде създаден.")
                          .arg(QDir::toNativeSeparators(staged.targetPath())));
    if (installed) {
        const QByteArrayView contents = staged.finish();
        installed = looksLikeExecutable(contents) && signatureValid(contents)
                    && staged.install(folder.filePath(oldExecutableFileName()));
    }
    if (!installed) {
        prompts().message(QStringLiteral("Обновяването на програмата не може да бъде извършено!"),
                          Prompter::Icon::Error);
        return;
    }
    prompts().message(QStringLiteral("Обновяването на програмата завърши успешно!"), Prompter::Icon::Warning);
    if (Restart) {
        Restart();
    } else {
        shell().openNewCopy();
        shell().endMessageLoop();
    }
}

// Downloads the new program into the staged file, showing the progress; true
// when it arrived whole. The file is created with the first block of a
// success response that announces its length.
bool TUpdateI::download(StagedExecutable &staged, bool &fileNotCreated)
{
    const HttpResponse response = httpGet(
        *m_network, QUrl(Edit1->text()), Settings.transferTimeoutMs,
        [&](const HttpResponse &head, QByteArrayView block) {
            if (!isSuccessStatus(head.status) || !head.contentLength)
                return false;
            if (!staged.isOpen()) {
                if (!staged.open()) {
                    fileNotCreated = true;
                    return false;
                }
                CGauge1->setMaximum(progressValue(*head.contentLength));
            }
            if (!staged.append(block))
                return false;
            CGauge1->setValue(progressValue(qMin(staged.size(), *head.contentLength)));
            setWindowTitle(progressCaption(staged.size(), *head.contentLength));
            return true;
        });
    return isCompleteDownload(response) && staged.size() == *response.contentLength;
}

// With a release key, the signature beside the download must verify over it.
bool TUpdateI::signatureValid(QByteArrayView contents)
{
    if (Settings.publicKey.isEmpty())
        return true;
    QByteArray signature;
    const HttpResponse response = httpGet(*m_network, QUrl(Edit1->text() + QStringLiteral(".sig")),
                                          Settings.transferTimeoutMs,
                                          [&signature](const HttpResponse &, QByteArrayView block) {
                                              signature += block;
                                              return signature.size() <= 64;
                                          });
    return isCompleteDownload(response) && ed25519SignatureValid(Settings.publicKey, signature, contents);
}

void TUpdateI::SpeedButton2Click() { close(); }
