// Start-up: the floating-point mode, and the toolkit's own texts in Chinese.
#include "edit_box.h"
#include "start_program.h"

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <cstdint>
#include <memory>

namespace {

// An entry of an input box's context menu, by its object name, without its shortcut.
QString menuEntry(const char* objectName)
{
    corvane::EditBox box(corvane::InputMode::integerInput);
    const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    const auto* action = menu->findChild<QAction*>(QString::fromLatin1(objectName));
    return action ? action->text().section(QLatin1Char('\t'), 0, 0)
                  : QStringLiteral("(no entry %1)").arg(QLatin1String(objectName));
}

QString okButtonText()
{
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok);
    return box.button(QMessageBox::Ok)->text();
}

}  // namespace

class StartUpTest : public QObject {
    Q_OBJECT

private slots:
    void floatingPointModeIsExtendedRoundToNearest();
    void toolkitTextsInChinese();
    void toolkitTextsMissing();
};

void StartUpTest::floatingPointModeIsExtendedRoundToNearest()
{
#if defined(__i386__) || defined(__x86_64__)
    // Start from another mode: 24-bit significand, round toward zero (exceptions masked).
    const std::uint16_t opposite = 0x0C7F;
    __asm__ volatile("fldcw %0" : : "m"(opposite));
    corvane::setFloatingPointMode();
    std::uint16_t controlWord = 0;
    __asm__ volatile("fnstcw %0" : "=m"(controlWord));
    QCOMPARE(controlWord, std::uint16_t{0x037F});
    // The mode really rounds to a 64-bit significand: 1 + 2^-63 survives in Extended.
    volatile long double one = 1.0L;
    volatile long double tiny = 0x1p-63L;
    const long double sum = one + tiny;
    QVERIFY(sum != 1.0L);
#else
    QSKIP("No x87 unit on this processor");
#endif
}

void StartUpTest::toolkitTextsInChinese()
{
    // Whatever the machine's language.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator translator;
    QVERIFY(corvane::installToolkitTexts(translator));
    QCOMPARE(menuEntry("edit-paste"), QString::fromUtf8("粘贴(&P)"));
    QCOMPARE(menuEntry("select-all"), QString::fromUtf8("全选"));
    QCOMPARE(okButtonText(), QString::fromUtf8("确定"));
    QCoreApplication::removeTranslator(&translator);
    QLocale::setDefault(QLocale::c());
}

void StartUpTest::toolkitTextsMissing()
{
    // Where the file is missing the toolkit keeps its own texts, and the program starts.
    const QTemporaryDir noTranslations;
    QVERIFY(noTranslations.isValid());
    QTranslator translator;
    QVERIFY(!corvane::installToolkitTexts(translator, noTranslations.path()));
    QCOMPARE(menuEntry("edit-paste"), QStringLiteral("&Paste"));
    QCOMPARE(okButtonText(), QStringLiteral("OK"));
}

QTEST_MAIN(StartUpTest)
#include "ui_start_up_test.moc"
