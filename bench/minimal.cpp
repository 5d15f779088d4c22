// The smallest Qt Widgets program that shows one input box: the baseline of
// the program's start-up and memory.

#include <QApplication>
#include <QInputDialog>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    bool ok = false;
    QInputDialog::getText(nullptr, QString(), QStringLiteral("ДДС"), QLineEdit::Normal, QStringLiteral("20%"), &ok);
    return 0;
}
