// Start-up's floating-point mode.
#include "start_program.h"

#include <QtTest>

#include <cstdint>

class StartUpTest : public QObject {
    Q_OBJECT

private slots:
    void floatingPointModeIsExtendedRoundToNearest();
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

QTEST_APPLESS_MAIN(StartUpTest)
#include "ui_start_up_test.moc"
