#include "app/Menu.h"
#include "app/Windows.h"
#include "platform/ErrorLog.h"
#include "platform/Handlers.h"
#include "platform/Paths.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // A windowed program has no console: what it would write there goes to
    // the data folder.
    sendMessagesToLog({QDir(dataDirectory()).filePath(QStringLiteral("Bilvaro2007.log"))});
#endif
    QApplication app(argc, argv);
    int result = 1;
    runGuarded([&] {
        setUpApplication(app);
        createWindows();
        Main->show();
        Main->remindOfBackup();
        result = QApplication::exec();
    });
    destroyWindows();
    return result;
}
