#include "start_program.h"

#include "main_window.h"

#include <QApplication>
#include <QTranslator>

#include <cstdint>

namespace corvane {

void setFloatingPointMode()
{
#if defined(__i386__) || defined(__x86_64__)
    // Bits 0-5 mask every exception, bit 6 is reserved (set), bits 8-9 = 11 select the
    // 64-bit significand, bits 10-11 = 00 round to nearest.
    const std::uint16_t controlWord = 0x037F;
    __asm__ volatile("fldcw %0" : : "m"(controlWord));
#endif
}

bool installToolkitTexts(QTranslator& translator, const QString& directory)
{
    return translator.load(QStringLiteral("qtbase_zh_CN"), directory) &&
           QCoreApplication::installTranslator(&translator);
}

int startProgram(int& argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvane-calc"));
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane-calc"));
    QApplication::setWindowIcon(programIcon());
    QTranslator toolkitTexts;
    installToolkitTexts(toolkitTexts);  // without them the program starts all the same
    // 1. After the toolkit has made its own settings.
    setFloatingPointMode();
    // 2. The window, shown and active; the focus is on 按钮1.
    MainWindow window;
    window.show();
    window.activateWindow();
    // 3. Until the last window is closed.
    QApplication::exec();
    // 4.
    return 0;
}

}  // namespace corvane
