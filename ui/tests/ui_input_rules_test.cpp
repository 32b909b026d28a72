// The input boxes' rules on their own: which typed characters a box takes, and what its
// text becomes when the box is left.
#include "input_rules.h"

#include <QtTest>

#include <string>

using corvane::InputMode;

Q_DECLARE_METATYPE(corvane::InputMode)

namespace {

std::string repeated(char c, std::size_t count) { return std::string(count, c); }

}  // namespace

class InputRulesTest : public QObject {
    Q_OBJECT

private slots:
    void filterTypedCharacter_data();
    void filterTypedCharacter();
    void filterTypedText_data();
    void filterTypedText();
    void normalizeInput_data();
    void normalizeInput();
};

void InputRulesTest::filterTypedCharacter_data()
{
    QTest::addColumn<InputMode>("mode");
    QTest::addColumn<uint>("character");
    QTest::addColumn<bool>("passes");

    const InputMode integer = InputMode::integerInput;
    const InputMode real = InputMode::realInput;
    for (const InputMode mode : {integer, real}) {
        const char* const prefix = mode == integer ? "integer" : "real";
        auto row = [&](const char* name, uint c, bool passes) {
            QTest::addRow("%s: %s", prefix, name) << mode << c << passes;
        };
        // Control characters are editing commands and always reach the box.
        row("NUL", 0x00, true);
        row("backspace", 0x08, true);
        row("carriage return", 0x0D, true);
        row("Ctrl+C", 0x03, true);
        row("Ctrl+V", 0x16, true);
        row("unit separator", 0x1F, true);
        row("digit 0", '0', true);
        row("digit 9", '9', true);
        row("minus", '-', true);
        row("full stop", '.', mode == real);
        row("space", ' ', false);
        row("plus", '+', false);
        row("comma", ',', false);
        row("letter a", 'a', false);
        row("exponent e", 'e', false);
        row("exponent E", 'E', false);
        row("exponent d", 'd', false);
        row("slash (below 0)", '/', false);
        row("colon (above 9)", ':', false);
        row("DEL", 0x7F, false);
        row("no-break space", 0xA0, false);
        row("full-width digit 1", 0xFF11, false);
        row("full-width full stop", 0xFF0E, false);
        row("full-width minus", 0xFF0D, false);
        row("ideographic full stop", 0x3002, false);
        row("ideograph", 0x5E74, false);
        row("outside the BMP", 0x1F600, false);
    }
    QTest::newRow("read-only: digit") << InputMode::readOnly << uint('5') << false;
    QTest::newRow("read-only: Ctrl+C") << InputMode::readOnly << uint(0x03) << true;
}

void InputRulesTest::filterTypedCharacter()
{
    QFETCH(InputMode, mode);
    QFETCH(uint, character);
    QFETCH(bool, passes);
    QCOMPARE(corvane::filterTypedCharacter(mode, static_cast<char32_t>(character)), passes);
}

void InputRulesTest::filterTypedText_data()
{
    QTest::addColumn<InputMode>("mode");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("all kept") << InputMode::realInput << QStringLiteral("-1.5") << QStringLiteral("-1.5");
    QTest::newRow("full stop dropped in an integer box")
        << InputMode::integerInput << QStringLiteral("-1.5") << QStringLiteral("-15");
    QTest::newRow("full-width digits of an input method")
        << InputMode::integerInput << QStringLiteral("１２") << QString();
    QTest::newRow("mixed widths") << InputMode::realInput << QStringLiteral("1２.3４")
                                  << QStringLiteral("1.3");
    QTest::newRow("surrogate pair dropped whole")
        << InputMode::integerInput << QString::fromUtf8("7\xF0\x9F\x98\x80" "8")
        << QStringLiteral("78");
    QTest::newRow("control character kept") << InputMode::integerInput << QStringLiteral("\b")
                                            << QStringLiteral("\b");
    QTest::newRow("empty") << InputMode::realInput << QString() << QString();
}

void InputRulesTest::filterTypedText()
{
    QFETCH(InputMode, mode);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QCOMPARE(corvane::filterTypedText(mode, typed), kept);
}

void InputRulesTest::normalizeInput_data()
{
    QTest::addColumn<InputMode>("mode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("rewritten");

    auto integer = [](const char* name, const std::string& text, const char* rewritten) {
        QTest::addRow("integer: %s", name)
            << InputMode::integerInput << QByteArray::fromStdString(text) << QByteArray(rewritten);
    };
    integer("unchanged", "1000", "1000");
    integer("leading zeros", "007", "7");
    integer("minus inside ends the number", "12-3", "12");
    integer("zero", "0", "");
    integer("minus zero", "-0", "");
    integer("minus alone", "-", "");
    integer("two minus signs", "--5", "");
    integer("above the range is clamped", "3000000000", "2147483647");
    integer("below the range is clamped", "-3000000000", "-2147483648");
    integer("largest Integer", "2147483647", "2147483647");
    integer("smallest Integer", "-2147483648", "-2147483648");
    integer("2^63 wraps to the smallest int64", "9223372036854775808", "-2147483648");
    integer("2^64 wraps to zero", "18446744073709551616", "");
    integer("2^64 + 5 wraps to 5", "18446744073709551621", "5");
    integer("decimal part dropped", "12.9", "12");
    integer("leading space", " 12", "12");
    integer("leading tab and line break", "\t\r\n12", "12");
    integer("full-width digits are no digits", "１２", "");
    integer("line break ends the number", "10\r\n00", "10");
    integer("plus sign", "+7", "7");
    integer("letters only", "abc", "");
    integer("empty", "", "");

    auto real = [](const char* name, const std::string& text, const char* rewritten) {
        QTest::addRow("real: %s", name)
            << InputMode::realInput << QByteArray::fromStdString(text) << QByteArray(rewritten);
    };
    real("unchanged 24.93", "24.93", "24.93");
    real("unchanged 2.8", "2.8", "2.8");
    real("six significant digits", "24.931234", "24.9312");
    real("rounded up", "0.123456789", "0.123457");
    real("exponent form above six digits", "1234567", "1.23457e+006");
    real("exponent form 1e8", "100000000", "1e+008");
    real("exponent form below 1e-4", "0.0000001", "1e-007");
    real("no digit before the point", "-.5", "-0.5");
    real("second full stop ends the number", "1.2.3", "1.2");
    real("trailing minus", "5-", "5");
    real("full stop alone", ".", "");
    real("minus zero", "-0", "");
    real("zero", "0.000", "");
    real("pasted exponent", "1e5", "100000");
    real("full-width digits are no digits", "１２", "");
    real("beyond the Single range", "1" + repeated('0', 39), "1.#INF");
    real("beyond the Single range, negative", "-1" + repeated('0', 39), "-1.#INF");
    real("line break ends the number", "2.5\r\n7", "2.5");
    // The box's own infinity text is no number but its leading 1: leaving the box again
    // rewrites it.
    real("infinity text left again", "1.#INF", "1");
    real("negative infinity text left again", "-1.#INF", "-1");
    real("empty", "", "");

    QTest::newRow("read-only: never rewritten")
        << InputMode::readOnly << QByteArray("007\r\nx") << QByteArray("007\r\nx");
    QTest::newRow("read-only: zero stays") << InputMode::readOnly << QByteArray("0") << QByteArray("0");
}

void InputRulesTest::normalizeInput()
{
    QFETCH(InputMode, mode);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, rewritten);
    QCOMPARE(QByteArray::fromStdString(corvane::normalizeInput(mode, text.toStdString())),
             rewritten);
}

QTEST_APPLESS_MAIN(InputRulesTest)
#include "ui_input_rules_test.moc"
