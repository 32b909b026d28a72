// The program from start to end.
#pragma once

#include <QLibraryInfo>
#include <QString>

class QTranslator;

namespace corvane {

// Loads the toolkit's own texts in Simplified Chinese (the edit boxes' context menu, the
// notice's OK button) from qtbase_zh_CN.qm in `directory` into `translator` and installs
// it, whatever the machine's language, so that they read as the rest of the window. The
// application object must exist. Where the file is missing or unreadable nothing is
// installed, the toolkit keeps its English texts, and the result is false.
bool installToolkitTexts(QTranslator& translator,
                         const QString& directory =
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath));

// Extended precision (64-bit significand), rounding to nearest, every floating-point
// exception masked: x87 control word 0x037F. Does nothing where there is no x87 unit.
void setFloatingPointMode();

// Starts the toolkit with its Chinese texts where they are installed, sets the
// floating-point mode (after the toolkit's own settings), shows and activates the main
// window, runs the event loop until the window is closed, and gives the exit status: 0.
int startProgram(int& argc, char** argv);

}  // namespace corvane
