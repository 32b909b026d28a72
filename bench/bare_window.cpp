// The yardstick for the program's start: a Qt Widgets window with one label and nothing
// else, started the same way (one QApplication, one window shown).
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Corvane"));
    label.resize(400, 300);
    label.show();
    return QApplication::exec();
}
