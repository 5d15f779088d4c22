#include "app/Menu.h"
#include "app/Windows.h"
#include "platform/Handlers.h"
#include "platform/Prompts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int result = 1;
    runGuarded([&] {
        setUpApplication(app);
        createWindows();
        Main->show();
        result = QApplication::exec();
    });
    destroyWindows();
    return result;
}
