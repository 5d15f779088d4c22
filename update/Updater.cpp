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

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScreen>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
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

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// Drops the user's input to every window but one while it lives.
class InputOnlyFor : public QObject {
public:
    explicit InputOnlyFor(QWidget *window) : m_window(window) { QCoreApplication::instance()->installEventFilter(this); }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (!isUserInput(event->type()) || !elsewhere(receiver))
            return false;
        // A window asked to close stays open.
        event->ignore();
        return true;
    }

private:
    bool elsewhere(QObject *receiver) const
    {
        if (const auto *widget = qobject_cast<QWidget *>(receiver))
            return widget->window() != m_window;
        if (const auto *window = qobject_cast<QWindow *>(receiver))
            return window != m_window->windowHandle();
        return false;
    }


private:
    QWidget *m_window;
};

} // namespace

TUpdateI::TUpdateI(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Settings(buildUpdateSettings())
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
    SpeedButton3 = flatButton(this, QStringLiteral("Отказ"), QRect(160, 48, 130, 22), Qt::red);
    SpeedButton3->hide();
    onClick(SpeedButton1, [this] { SpeedButton1Click(); });
    onClick(SpeedButton2, [this] { SpeedButton2Click(); });
    onClick(SpeedButton3, [this] { SpeedButton3Click(); });

    // The program's file is renamed during an update: know its path before that.
    runningExecutablePath();
    Edit1 = new QLineEdit(downloadAddress(Settings.baseAddress, executableFileName()), this);
    Edit1->hide();
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
    checkReleaseKey(Settings.publicKey);
    QByteArray body;
    HttpGet http(Settings.transferTimeoutMs, QDeadlineTimer(Settings.checkDeadlineMs));
    const HttpResponse response = http.get(QUrl(versionFileAddress(Settings.baseAddress)),
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
    if (!UpdateAvailable || m_download)
        return;
    // The version the check found newer: the one the signature must name.
    const QString version = RemoteVersion;
    const QDir folder(installFolder());
    StagedExecutable staged(folder.filePath(Edit1->text().section(u'/', -1)));
    HttpGet http(Settings.transferTimeoutMs, QDeadlineTimer(Settings.downloadDeadlineMs));
    http.takeUserInput(true);
    bool fileNotCreated = false;
    bool installed = false;
    {
        // Only the cancel button here takes the user's input meanwhile.
        const InputOnlyFor onlyHere(this);
        m_download = &http;
        showDownloading(true);
        const auto downloaded = qScopeGuard([this] {
            m_download = nullptr;
            showDownloading(false);
        });
        installed = download(http, staged, fileNotCreated);
        if (installed) {
            const QByteArrayView contents = staged.finish();
            installed = looksLikeExecutable(contents) && signatureValid(http, version, contents)
                        && isNewerBuild(GetFileVersionText(), version)
                        && staged.install(folder.filePath(oldExecutableFileName()));
        }
    }
    if (!installed && http.cancelled()) {
        // The user stopped it: the installed program stands as it was.
        setWindowTitle(QStringLiteral("Обновяване на програмата"));
        CGauge1->setValue(0);
        return;
    }
    if (fileNotCreated)
        throw Failure(QStringLiteral("Файлът „%1“ не може да бъде създаден.")
                          .arg(QDir::toNativeSeparators(staged.targetPath())));
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

// While a download runs, "Отказ" stands in place of "Изход".
void TUpdateI::showDownloading(bool downloading)
{
    SpeedButton1->setEnabled(!downloading);
    SpeedButton2->setVisible(!downloading);
    SpeedButton3->setVisible(downloading);
}

// Downloads the new program into the staged file, showing the progress; true
// when it arrived whole. The file is created with the first block of a
// success response that announces a length within the bound.
bool TUpdateI::download(HttpGet &http, StagedExecutable &staged, bool &fileNotCreated)
{
    const HttpResponse response = http.get(QUrl(Edit1->text()), [&](const HttpResponse &head, QByteArrayView block) {
        if (!isSuccessStatus(head.status) || !head.contentLength || *head.contentLength > Settings.maxProgramBytes)
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

// The signature beside the download must sign it as the release of
// `version` under the release key; without a key nothing is valid.
bool TUpdateI::signatureValid(HttpGet &http, const QString &version, QByteArrayView contents)
{
    if (Settings.publicKey.isEmpty())
        return false;
    QByteArray signature;
    const HttpResponse response = http.get(QUrl(Edit1->text() + QStringLiteral(".sig")),
                                           [&signature](const HttpResponse &, QByteArrayView block) {
                                               signature += block;
                                               return signature.size() <= 64;
                                           });
    return isCompleteDownload(response) && releaseSignatureValid(Settings.publicKey, signature, version, contents);
}

void TUpdateI::SpeedButton2Click() { close(); }

void TUpdateI::SpeedButton3Click()
{
    if (m_download)
        m_download->cancel();
}

// Closing the window during a download cancels it.
void TUpdateI::closeEvent(QCloseEvent *event)
{
    SpeedButton3Click();
    event->accept();
}
