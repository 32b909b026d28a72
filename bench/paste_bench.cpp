// How long the window takes to answer when a huge text is pasted into an input box: the
// paste, each key typed afterwards, and leaving the box (its rewrite). Every figure is
// one answer of the real window, from the event to the box painted again, on whatever
// platform QT_QPA_PLATFORM names (offscreen by default, or an X server).
//
//   build/test/bench/paste_bench                      # every text, 100,000 and 1,000,000
//   build/test/bench/paste_bench --benchmark_filter=10000000   # the 10-million ones
//
// With CORVANE_PASTE_FROM_XCLIP=1 (under an X server, QT_QPA_PLATFORM=xcb) the text is
// offered by xclip, another program, so the paste also reads it through the X selection.
#include "edit_box.h"
#include "main_window.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTextDocument>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using corvane::EditBox;
using corvane::MainWindow;

enum class Text { digits, digitThenLetters, fullWidthDigits, lineBreaks, shortLines, mix };

// `length` characters (UTF-16 units) of the kind asked for.
QString makeText(Text kind, int length)
{
    QString text;
    text.reserve(length);
    switch (kind) {
    case Text::digits:
        for (int i = 0; i < length; ++i)
            text.append(QChar(u'0' + (i % 10)));
        break;
    case Text::digitThenLetters:
        text.append(u'7');
        for (int i = 1; i < length; ++i)
            text.append(QChar(u'a' + (i % 26)));
        break;
    case Text::fullWidthDigits:
        for (int i = 0; i < length; ++i)
            text.append(QChar(0xFF10 + (i % 10)));
        break;
    case Text::lineBreaks:  // nothing but line breaks
        text.fill(u'\n', length);
        break;
    case Text::shortLines:  // nine digits and a line break, over and over
        for (int i = 0; i < length; ++i)
            text.append(i % 10 == 9 ? QChar(u'\n') : QChar(u'1' + (i % 10)));
        break;
    case Text::mix: {
        static const char16_t pieces[] = u"12.5e3-４２\u3000abc\r\n＋．x 7";
        const int count = static_cast<int>(std::size(pieces)) - 1;
        for (int i = 0; i < length; ++i)
            text.append(QChar(pieces[(i * 7 + i / count) % count]));
        break;
    }
    }
    return text;
}

// One window for the whole run, with the keyboard focus where a test puts it.
struct Window {
    Window()
    {
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            std::abort();
        box = window.findChild<EditBox*>(QStringLiteral("编辑框3"));
        button = window.findChild<QPushButton*>(QStringLiteral("按钮1"));
    }
    MainWindow window;
    EditBox* box = nullptr;
    QPushButton* button = nullptr;
};

// Made on first use, destroyed before the application.
std::unique_ptr<Window> g_window;

Window& theWindow()
{
    if (!g_window)
        g_window = std::make_unique<Window>();
    return *g_window;
}

// Delivers what is queued and paints the box now, as the event loop would before it
// takes the next event.
void answer(EditBox& box)
{
    QCoreApplication::processEvents();
    box.viewport()->repaint();
    QCoreApplication::processEvents();
}

void sendKey(QWidget& target, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(&target, &release);
}

// Puts `text` on the clipboard: from this program, or from xclip, which stays behind
// to serve it until another owner takes the clipboard or the X server ends.
void offer(const QString& text)
{
    if (qEnvironmentVariableIntValue("CORVANE_PASTE_FROM_XCLIP") == 0) {
        QApplication::clipboard()->setText(text);
        return;
    }
    QTemporaryFile file;
    if (!file.open() || file.write(text.toUtf8()) < 0 || !file.flush())
        std::abort();
    // xclip leaves a part of itself behind that takes the clipboard a moment later and
    // serves the text: this program holds the clipboard until then.
    QApplication::clipboard()->setText(QString());
    if (QProcess::execute(QStringLiteral("xclip"), {QStringLiteral("-selection"),
                                                    QStringLiteral("clipboard"),
                                                    file.fileName()}) != 0)
        std::abort();
    if (!QTest::qWaitFor([] { return !QApplication::clipboard()->ownsClipboard(); }, 10'000))
        std::abort();
}

// Empties the box, gives it the focus and pastes `text` into it with Ctrl+V.
double pasteInto(Window& w, const QString& text)
{
    corvane::setBoxText(*w.box, "");
    w.box->setFocus(Qt::TabFocusReason);
    answer(*w.box);
    offer(text);
    const auto start = std::chrono::steady_clock::now();
    sendKey(*w.box, Qt::Key_V, Qt::ControlModifier, QString());
    answer(*w.box);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (w.box->document()->characterCount() - 1 != text.size()) {
        std::fprintf(stderr, "the paste did not arrive whole: %d of %d\n", w.box->document()->characterCount() - 1, static_cast<int>(text.size()));
        std::abort();
    }
    return seconds;
}

template <typename Step>
double timed(EditBox& box, Step step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    answer(box);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void paste(benchmark::State& state, Text kind)
{
    Window& w = theWindow();
    const QString text = makeText(kind, static_cast<int>(state.range(0)));
    for (auto _ : state)
        state.SetIterationTime(pasteInto(w, text));
}

// After the paste: a digit typed at the end, a Backspace, the caret moved one step and
// one line, a Shift+Left selection, Ctrl+C.
void keystrokes(benchmark::State& state, Text kind)
{
    Window& w = theWindow();
    pasteInto(w, makeText(kind, static_cast<int>(state.range(0))));
    const int which = static_cast<int>(state.range(1));
    for (auto _ : state) {
        state.SetIterationTime(timed(*w.box, [&] {
            switch (which) {
            case 0: sendKey(*w.box, Qt::Key_5, Qt::NoModifier, QStringLiteral("5")); break;
            case 1: sendKey(*w.box, Qt::Key_Backspace, Qt::NoModifier, QString()); break;
            case 2: sendKey(*w.box, Qt::Key_Left, Qt::NoModifier, QString()); break;
            case 3: sendKey(*w.box, Qt::Key_Up, Qt::NoModifier, QString()); break;
            case 4: sendKey(*w.box, Qt::Key_Left, Qt::ShiftModifier, QString()); break;
            case 5: sendKey(*w.box, Qt::Key_C, Qt::ControlModifier, QString()); break;
            case 6: sendKey(*w.box, Qt::Key_Home, Qt::ControlModifier, QString()); break;
            case 7: sendKey(*w.box, Qt::Key_End, Qt::ControlModifier, QString()); break;
            }
        }));
    }
}

// Leaving the box: the focus goes to the button, the box rewrites its text.
void leave(benchmark::State& state, Text kind)
{
    Window& w = theWindow();
    const QString text = makeText(kind, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        pasteInto(w, text);
        state.SetIterationTime(timed(*w.box, [&] { w.button->setFocus(Qt::TabFocusReason); }));
    }
}

const struct {
    const char* name;
    Text kind;
} kTexts[] = {
    {"digits", Text::digits},
    {"digitThenLetters", Text::digitThenLetters},
    {"fullWidthDigits", Text::fullWidthDigits},
    {"lineBreaks", Text::lineBreaks},
    {"shortLines", Text::shortLines},
    {"mix", Text::mix},
};

const char* const kKeys[] = {"type5", "backspace", "left", "up", "shiftLeft", "copy",
                             "ctrlHome", "ctrlEnd"};

void registerAll(bool huge)
{
    using benchmark::RegisterBenchmark;
    const int lengths[] = {100'000, 1'000'000};
    for (const auto& t : kTexts) {
        const Text kind = t.kind;
        auto* p = RegisterBenchmark((std::string("paste/") + t.name).c_str(),
                                    [kind](benchmark::State& s) { paste(s, kind); });
        auto* l = RegisterBenchmark((std::string("leave/") + t.name).c_str(),
                                    [kind](benchmark::State& s) { leave(s, kind); });
        for (auto* b : {p, l}) {
            b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(huge ? 1 : 3);
            if (huge)
                b->Arg(10'000'000);
            else
                for (const int n : lengths)
                    b->Arg(n);
        }
        auto* k = RegisterBenchmark((std::string("key/") + t.name).c_str(),
                                    [kind](benchmark::State& s) { keystrokes(s, kind); });
        k->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
        for (int key = 0; key < static_cast<int>(std::size(kKeys)); ++key)
            k->Args({huge ? 10'000'000 : 1'000'000, key});
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    bool huge = false;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).find("10000000") != std::string::npos)
            huge = true;
    registerAll(huge);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_window.reset();
    return 0;
}
