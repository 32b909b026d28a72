// The main window on the offscreen platform: its controls, the input boxes under the
// keyboard and the clipboard, the tab order, Enter and Esc, the click and the notice.
#include "edit_box.h"
#include "main_window.h"
#include "notice.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using corvane::EditBox;
using corvane::MainWindow;

namespace {

QString u8(const char* text) { return QString::fromUtf8(text); }

QString textOf(const EditBox* box) { return QString::fromStdString(corvane::getBoxText(*box)); }

const char* const kOutputBoxes[] = {"编辑框6", "编辑框7", "编辑框5", "编辑框8"};

// How a test closes the notice.
enum class Dismissal { okButton, enterKey, escapeKey, closeBox };

// Watches for the notice. Each time one is open it notes what the notice shows and what
// the output boxes hold, tries to reach the main window behind it (a click on 按钮1 and
// Esc, both through the window system), tries to minimize it if asked to, and then
// dismisses it.
class NoticeCatcher : public QObject {
public:
    NoticeCatcher(MainWindow& window, Dismissal dismissal) : m_window(window), m_dismissal(dismissal)
    {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, &NoticeCatcher::look);
        m_timer.start();
    }

    bool tryMinimizing = false;

    int noticesSeen = 0;
    Qt::WindowFlags flags;
    bool shownAgainAfterMinimizing = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Information;
    qsizetype buttonCount = 0;
    bool okIsDefault = false;
    Qt::WindowModality modality = Qt::NonModal;
    bool hasParent = true;
    QStringList outputsWhileOpen;
    bool windowStillShownAfterEsc = false;
    int clicksWhileOpen = -1;

private:
    void look()
    {
        auto* notice = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (m_looking || !notice || !notice->isVisible())
            return;
        const QScopedValueRollback<bool> looking(m_looking, true);
        ++noticesSeen;
        flags = notice->windowFlags();
        title = notice->windowTitle();
        text = notice->text();
        icon = notice->icon();
        buttonCount = notice->buttons().size();
        okIsDefault = notice->defaultButton() == notice->button(QMessageBox::Ok) &&
                      notice->defaultButton() != nullptr;
        modality = notice->windowModality();
        hasParent = notice->parentWidget() != nullptr;
        outputsWhileOpen.clear();
        for (const char* name : kOutputBoxes)
            outputsWhileOpen << textOf(m_window.findChild<EditBox*>(u8(name)));

        auto* button = m_window.findChild<QPushButton*>(u8("按钮1"));
        QSignalSpy clicks(button, &QPushButton::clicked);
        QWindow* handle = m_window.windowHandle();
        QTest::mouseClick(handle, Qt::LeftButton, {}, button->geometry().center());
        QTest::keyClick(handle, Qt::Key_Escape);
        clicksWhileOpen = static_cast<int>(clicks.count());
        windowStillShownAfterEsc = m_window.isVisible();

        if (tryMinimizing) {
            // As by a minimize button that the window manager adds all the same.
            notice->showMinimized();
            shownAgainAfterMinimizing = QTest::qWaitFor(
                [&] { return notice->isVisible() && !notice->isMinimized(); }, 2000);
        }

        switch (m_dismissal) {
        case Dismissal::okButton:
            QTest::mouseClick(notice->button(QMessageBox::Ok), Qt::LeftButton);
            break;
        case Dismissal::enterKey:
            QTest::keyClick(notice, Qt::Key_Return);
            break;
        case Dismissal::escapeKey:
            QTest::keyClick(notice, Qt::Key_Escape);
            break;
        case Dismissal::closeBox:
            notice->close();
            break;
        }
    }

    MainWindow& m_window;
    Dismissal m_dismissal;
    QTimer m_timer;
    bool m_looking = false;
};

// Counts the close requests that reach a window.
class CloseRequests : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Close ? 1 : 0;
        return false;
    }
};

// The ways a text can get into a box other than by typing.
enum class WayIn { ctrlV, shiftInsert, contextMenu, drop };

// What the clipboard (or a drag) offers.
enum class Offer { nothing, imageOnly, plainText, markdownFirst };

// A clipboard with no owner (after a reboot, or once the program that copied has exited)
// gives mime data without a single format.
QMimeData* offered(Offer offer)
{
    auto* data = new QMimeData;
    switch (offer) {
    case Offer::nothing:
        break;
    case Offer::imageOnly:
        data->setImageData(QImage(4, 4, QImage::Format_RGB32));
        break;
    case Offer::plainText:
        data->setText(QStringLiteral("12"));
        break;
    case Offer::markdownFirst:
        data->setData(QStringLiteral("text/markdown"), "**1**2");
        data->setText(QStringLiteral("**1**2"));
        break;
    }
    return data;
}

// Brings `data` into `target` by `way`, as the user would; the clipboard gets `data`
// except for a drop, which brings it itself.
void bringIn(EditBox* target, WayIn way, QMimeData* data)
{
    switch (way) {
    case WayIn::ctrlV:
        QApplication::clipboard()->setMimeData(data);
        QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        break;
    case WayIn::shiftInsert:
        QApplication::clipboard()->setMimeData(data);
        QTest::keyClick(target, Qt::Key_Insert, Qt::ShiftModifier);
        break;
    case WayIn::contextMenu: {
        QApplication::clipboard()->setMimeData(data);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, target->cursorRect().center(),
                                target->mapToGlobal(target->cursorRect().center()));
        QApplication::sendEvent(target, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"));
        QVERIFY(paste);
        if (paste->isEnabled())
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(paste).center());
        else
            menu->close();
        QTRY_VERIFY(!QApplication::activePopupWidget());
        break;
    }
    case WayIn::drop: {
        QWidget* viewport = target->viewport();
        const QPointF at(1, viewport->height() / 2);  // before the first character
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        delete data;
        break;
    }
    }
}

// One key press as a platform delivers it: the key, the modifiers held, the text it types.
struct KeyPress {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;
};
using KeyPresses = QList<KeyPress>;

void press(QWidget* target, const KeyPress& key)
{
    QKeyEvent down(QEvent::KeyPress, key.key, key.modifiers, key.text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key.key, key.modifiers, key.text);
    QApplication::sendEvent(target, &up);
}

// The sizes a window is given, in order.
class ResizesSeen : public QObject {
public:
    QList<QSize> sizes;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            sizes << static_cast<QResizeEvent*>(event)->size();
        return false;
    }
};

// Whether the picture has a pixel of the selection's highlight colour.
bool showsHighlight(const QImage& image, const QColor& highlight)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == highlight)
                return true;
    return false;
}

}  // namespace

Q_DECLARE_METATYPE(Dismissal)
Q_DECLARE_METATYPE(WayIn)
Q_DECLARE_METATYPE(KeyPresses)
Q_DECLARE_METATYPE(Offer)

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void window();
    void maximizeAndRestore();
    void otherSizesRefused_data();
    void otherSizesRefused();
    void controls_data();
    void controls();
    void boxesAreBlackOnWhite();
    void selectionShownOnlyWithFocus();

    void typing_data();
    void typing();
    void keysWithModifiersTypeJudgedText_data();
    void keysWithModifiersTypeJudgedText();
    void inputMethodCommit_data();
    void inputMethodCommit();
    void pasting_data();
    void pasting();
    void pasteAndDropTakeTextOnly_data();
    void pasteAndDropTakeTextOnly();
    void longTextFillsTheFirstLine_data();
    void longTextFillsTheFirstLine();
    void enterInsertsLineBreakUntilLeft();
    void leavingPutsCaretAtSelectionStart_data();
    void leavingPutsCaretAtSelectionStart();
    void leavingByDeactivationAndFocusRestored();
    void readOnlyBoxes_data();
    void readOnlyBoxes();
    void setBoxTextStoresTextAsGiven_data();
    void setBoxTextStoresTextAsGiven();
    void hugePasteStaysUsable_data();
    void hugePasteStaysUsable();

    void tabOrder_data();
    void tabOrder();
    void tabKeepsCaretAndSelectsNothing();
    void enterElsewhereDoesNothing_data();
    void enterElsewhereDoesNothing();
    void escapeCloses_data();
    void escapeCloses();
    void keysWithModifiersAreLeftToControls_data();
    void keysWithModifiersAreLeftToControls();

    void spaceAtStartComputesDefaults();
    void click_data();
    void click();
    void notice_data();
    void notice();
    void clickAgainRecomputesFromCurrentInputs();

private:
    EditBox* box(const char* name) const { return m_window->findChild<EditBox*>(u8(name)); }
    QPushButton* button() const { return m_window->findChild<QPushButton*>(u8("按钮1")); }
    static void pressOnFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : QApplication::activeWindow(), key, modifiers);
    }
    bool focusOn(QWidget* widget);
    bool replaceText(EditBox* target, const QString& keys);
    bool leave(EditBox* left);
    QStringList outputs() const;
    void clickButton() const;

    std::unique_ptr<MainWindow> m_window;
};

void MainWindowTest::initTestCase()
{
    // Closing a window in one test must not end the test program.
    QApplication::setQuitOnLastWindowClosed(false);
}

void MainWindowTest::init()
{
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void MainWindowTest::cleanup() { m_window.reset(); }

bool MainWindowTest::focusOn(QWidget* widget)
{
    widget->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([&] { return widget->hasFocus(); });
}

// Selects everything in the box, deletes it and types `keys`, as a user would.
bool MainWindowTest::replaceText(EditBox* target, const QString& keys)
{
    if (!focusOn(target))
        return false;
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Backspace);
    QTest::keyClicks(target, keys);
    return true;
}

// Leaves the box with Tab.
bool MainWindowTest::leave(EditBox* left)
{
    QTest::keyClick(left, Qt::Key_Tab);
    return QTest::qWaitFor([&] { return !left->hasFocus(); });
}

QStringList MainWindowTest::outputs() const
{
    QStringList texts;
    for (const char* name : kOutputBoxes)
        texts << textOf(box(name));
    return texts;
}

// A mouse click on 按钮1 through the window system, as the user gives it.
void MainWindowTest::clickButton() const
{
    QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {},
                      button()->geometry().center());
}

void MainWindowTest::window()
{
    // The offscreen platform draws a frame of its own: the client area is what the
    // frame leaves of the outer size, and it holds the controls.
    QCOMPARE(m_window->frameGeometry().size(), QSize(407, 314));
    const QMargins frame(m_window->geometry().left() - m_window->frameGeometry().left(),
                         m_window->geometry().top() - m_window->frameGeometry().top(),
                         m_window->frameGeometry().right() - m_window->geometry().right(),
                         m_window->frameGeometry().bottom() - m_window->geometry().bottom());
    QCOMPARE(m_window->size(), QSize(407 - frame.left() - frame.right(),
                                     314 - frame.top() - frame.bottom()));
    QVERIFY(m_window->width() >= 392 && m_window->height() >= 272);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(m_window->frameGeometry().topLeft(),
             QPoint((screen.width() - 407) / 2, (screen.height() - 314) / 2));

    QVERIFY2(m_window->windowTitle().trimmed().isEmpty(), qPrintable(m_window->windowTitle()));
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(flags.testFlag(Qt::Window));
    for (const Qt::WindowType hint : {Qt::WindowTitleHint, Qt::WindowSystemMenuHint,
                                      Qt::WindowMinimizeButtonHint,
                                      Qt::WindowMaximizeButtonHint, Qt::WindowCloseButtonHint})
        QVERIFY(flags.testFlag(hint));
    QVERIFY(!flags.testFlag(Qt::WindowStaysOnTopHint));
    const QIcon icon = m_window->windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(!icon.pixmap(16, 16).isNull());
    QVERIFY(!icon.pixmap(48, 48).isNull());

    // Seventeen controls, and no other window at start.
    QCOMPARE(m_window->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly).size(), 8);
    QCOMPARE(m_window->findChildren<EditBox*>(QString(), Qt::FindDirectChildrenOnly).size(), 8);
    QCOMPARE(m_window->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    int shownWindows = 0;
    for (const QWidget* topLevel : QApplication::topLevelWidgets())
        shownWindows += topLevel->isVisible() ? 1 : 0;
    QCOMPARE(shownWindows, 1);
    QVERIFY(button()->hasFocus());
}

void MainWindowTest::maximizeAndRestore()
{
    // Many X11 window managers (openbox among them) maximize only a window that they may
    // resize: equal minimum and maximum sizes would leave the maximize button dead.
    QVERIFY(m_window->minimumSize() != m_window->maximumSize());

    // Moved by its title bar first: restoring brings it back there.
    m_window->windowHandle()->setFramePosition(QPoint(40, 30));
    QTRY_COMPARE(m_window->frameGeometry(), QRect(40, 30, 407, 314));
    const QRect normalGeometry = m_window->geometry();
    QList<QRect> controlsBefore;
    for (const QWidget* control : m_window->findChildren<QWidget*>())
        controlsBefore << control->geometry();

    m_window->showMaximized();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QTRY_VERIFY(m_window->isMaximized() && m_window->width() > 600);
    // Given a moment to refuse the size, it keeps it.
    QTest::qWait(300);
    QVERIFY(m_window->isMaximized());
    QCOMPARE(m_window->frameGeometry().size(), available.size());
    QList<QRect> controlsMaximized;
    for (const QWidget* control : m_window->findChildren<QWidget*>())
        controlsMaximized << control->geometry();
    QCOMPARE(controlsMaximized, controlsBefore);
    // The extra space shows the background colour.
    const QImage picture = m_window->grab().toImage();
    const QColor background = picture.pixelColor(200, 222);
    for (const QPoint& spot : {QPoint(picture.width() - 5, 10), QPoint(picture.width() - 5,
                               picture.height() - 5), QPoint(10, picture.height() - 5)})
        QCOMPARE(picture.pixelColor(spot), background);

    m_window->showNormal();
    QTRY_VERIFY(!m_window->isMaximized());
    QTRY_COMPARE(m_window->geometry(), normalGeometry);
    QCOMPARE(m_window->frameGeometry(), QRect(40, 30, 407, 314));
}

void MainWindowTest::otherSizesRefused_data()
{
    QTest::addColumn<QMargins>("dragged");  // how far each edge of the frame is dragged out

    QTest::newRow("right and bottom edges out") << QMargins(0, 0, 80, 60);
    QTest::newRow("right edge in") << QMargins(0, 0, -50, 0);
    QTest::newRow("top left corner out") << QMargins(30, 20, 0, 0);
    QTest::newRow("left edge in, bottom out") << QMargins(-20, 0, 0, 40);
}

void MainWindowTest::otherSizesRefused()
{
    QFETCH(QMargins, dragged);

    const QRect frame = m_window->frameGeometry();
    const QRect client = m_window->geometry();
    // The window system resizes the window, as a window manager does while an edge is
    // dragged; the window takes its own size back, where it stood.
    ResizesSeen resizes;
    m_window->installEventFilter(&resizes);
    m_window->windowHandle()->setGeometry(client.marginsAdded(dragged));
    QTRY_VERIFY(resizes.sizes.contains(client.marginsAdded(dragged).size()));
    QTRY_COMPARE(m_window->frameGeometry(), frame);
    QCOMPARE(m_window->geometry(), client);
    QVERIFY(!m_window->isMaximized());
}

void MainWindowTest::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shown");

    auto row = [](const char* name, QRect rect, const char* text, bool shown) {
        QTest::newRow(name) << u8(name) << rect << u8(text) << shown;
    };
    row("标签10", {128, 0, 192, 40}, "Corvane养老险计算器", true);
    row("标签1", {16, 64, 96, 24}, "年缴费金额（元）", true);
    row("编辑框1", {128, 64, 64, 24}, "1000", true);
    row("标签7", {208, 64, 64, 24}, "回本时间", true);
    row("编辑框5", {312, 64, 72, 24}, "", true);
    row("标签3", {16, 104, 96, 24}, "需缴费年限（年）", true);
    row("编辑框2", {128, 104, 64, 24}, "10", true);
    row("标签6", {208, 104, 96, 24}, "共领取金额（元）", true);
    row("编辑框6", {312, 104, 72, 24}, "", true);
    row("标签2", {16, 144, 96, 24}, "月返还金额（元）", true);
    row("编辑框3", {128, 144, 64, 24}, "24.93", true);
    row("标签5", {208, 144, 88, 24}, "剩余金额（元）", true);
    row("编辑框7", {312, 144, 72, 24}, "", true);
    row("标签4", {16, 184, 88, 24}, "存款年利率（%）", true);
    row("编辑框4", {128, 184, 64, 24}, "2.8", true);
    row("编辑框8", {208, 184, 184, 24}, "", false);
    row("按钮1", {152, 232, 88, 40}, "开始计算", true);
}

void MainWindowTest::controls()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    QFETCH(QString, text);
    QFETCH(bool, shown);

    QWidget* control = m_window->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), rect);
    QCOMPARE(control->isVisible(), shown);
    QVERIFY(control->isEnabled());
    const QFontMetrics metrics = control->fontMetrics();

    if (auto* label = qobject_cast<QLabel*>(control)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
        QVERIFY(!label->wordWrap());
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        // Nothing cut off, and the Chinese text has a face that draws it.
        QVERIFY2(metrics.horizontalAdvance(text) <= rect.width(),
                 qPrintable(QStringLiteral("%1 px").arg(metrics.horizontalAdvance(text))));
        QVERIFY(metrics.inFontUcs4(0x91D1));  // 金
    } else if (auto* edit = qobject_cast<EditBox*>(control)) {
        QCOMPARE(textOf(edit), text);
        QVERIFY(edit->focusPolicy() & Qt::TabFocus);
        QCOMPARE(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(edit->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        // One whole line of text is in view, starting at the top left.
        const QRect caret = edit->cursorRect();
        QVERIFY2(edit->viewport()->rect().contains(caret), qPrintable(QStringLiteral("%1,%2 %3x%4")
                     .arg(caret.x()).arg(caret.y()).arg(caret.width()).arg(caret.height())));
        QVERIFY(caret.height() >= metrics.height());
        QCOMPARE(edit->textCursor().position(), 0);
        QVERIFY(!edit->textCursor().hasSelection());
    } else if (auto* push = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(push->text(), text);
        QVERIFY(!push->isDefault());
        QVERIFY(!push->autoDefault());
        QVERIFY(metrics.horizontalAdvance(text) < rect.width());
    } else {
        QFAIL("unexpected kind of control");
    }
}

void MainWindowTest::boxesAreBlackOnWhite()
{
    corvane::setBoxText(*box("编辑框6"), "1000");
    for (const char* name : {"编辑框1", "编辑框6"}) {  // an input box and a read-only one
        const QImage image = box(name)->grab().toImage();
        // The blank right part of the box is white, and the text is drawn in black.
        QCOMPARE(image.pixelColor(image.width() - 6, image.height() / 2), QColor(Qt::white));
        int darkest = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 4; x < image.width() / 2; ++x)
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
        QVERIFY2(darkest < 40, name);
    }
}

void MainWindowTest::selectionShownOnlyWithFocus()
{
    EditBox* premium = box("编辑框1");
    QVERIFY(focusOn(premium));
    QTest::keyClick(premium, Qt::Key_A, Qt::ControlModifier);
    const QColor highlight = premium->palette().color(QPalette::Active, QPalette::Highlight);
    QVERIFY(showsHighlight(premium->grab().toImage(), highlight));
    QVERIFY(leave(premium));
    QVERIFY(premium->textCursor().hasSelection());  // kept, only not shown
    QVERIFY(!showsHighlight(premium->grab().toImage(), highlight));
}

void MainWindowTest::typing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("afterLeaving");

    auto row = [](const char* rowName, const char* name, const QString& keys, const char* typed,
                  const char* afterLeaving) {
        QTest::newRow(rowName) << u8(name) << keys << u8(typed) << u8(afterLeaving);
    };
    row("integer: unchanged", "编辑框1", "1000", "1000", "1000");
    row("integer: leading zeros", "编辑框1", "007", "007", "7");
    row("integer: minus inside", "编辑框1", "12-3", "12-3", "12");
    row("integer: zero", "编辑框1", "0", "0", "");
    row("integer: minus zero", "编辑框2", "-0", "-0", "");
    row("integer: minus alone", "编辑框2", "-", "-", "");
    row("integer: two minus signs", "编辑框2", "--5", "--5", "");
    row("integer: clamped high", "编辑框1", "3000000000", "3000000000", "2147483647");
    row("integer: clamped low", "编辑框2", "-3000000000", "-3000000000", "-2147483648");
    row("integer: wraps at 2^63", "编辑框1", "9223372036854775808", "9223372036854775808",
        "-2147483648");
    row("integer: a + e , space dropped", "编辑框1", "1a+e, 2", "12", "12");
    row("integer: full stop dropped", "编辑框2", "1.5", "15", "15");
    row("real: unchanged", "编辑框3", "24.93", "24.93", "24.93");
    row("real: six digits", "编辑框3", "24.931234", "24.931234", "24.9312");
    row("real: rounded", "编辑框4", "0.123456789", "0.123456789", "0.123457");
    row("real: exponent form", "编辑框3", "1234567", "1234567", "1.23457e+006");
    row("real: 1e8", "编辑框4", "100000000", "100000000", "1e+008");
    row("real: 1e-7", "编辑框3", "0.0000001", "0.0000001", "1e-007");
    row("real: no leading digit", "编辑框4", "-.5", "-.5", "-0.5");
    row("real: two full stops", "编辑框3", "1.2.3", "1.2.3", "1.2");
    row("real: trailing minus", "编辑框4", "5-", "5-", "5");
    row("real: full stop alone", "编辑框3", ".", ".", "");
    row("real: minus zero", "编辑框4", "-0", "-0", "");
    row("real: exponent letter dropped", "编辑框3", "1e5", "15", "15");
    row("real: a + , space dropped", "编辑框4", "2a+, .8", "2.8", "2.8");
    const QString huge = QStringLiteral("1") + QString(39, QLatin1Char('0'));
    row("real: beyond the Single range", "编辑框3", huge, qPrintable(huge), "1.#INF");
}

void MainWindowTest::typing()
{
    QFETCH(QString, name);
    QFETCH(QString, keys);
    QFETCH(QString, typed);
    QFETCH(QString, afterLeaving);

    EditBox* target = m_window->findChild<EditBox*>(name);
    QVERIFY(replaceText(target, keys));
    QCOMPARE(textOf(target), typed);  // nothing is rewritten while the box has the focus
    QVERIFY(leave(target));
    QCOMPARE(textOf(target), afterLeaving);
}

void MainWindowTest::keysWithModifiersTypeJudgedText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<KeyPresses>("keys");  // pressed after "5" has been typed
    QTest::addColumn<QString>("typed");

    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const KeyPress altGrFullStop{Qt::Key_Period, ctrlAlt, u8(".")};
    const KeyPress altGrPlus{Qt::Key_Plus, ctrlAlt | Qt::ShiftModifier, u8("+")};
    const KeyPress altGrEuro{Qt::Key_E, ctrlAlt, u8("€")};
    const KeyPress altGrSeven{Qt::Key_7, ctrlAlt, u8("7")};

    // AltGr is Ctrl+Alt on Windows; many layouts type characters with it.
    QTest::newRow("integer: AltGr full stop and plus dropped")
        << u8("编辑框1") << KeyPresses{altGrFullStop, altGrPlus} << u8("5");
    QTest::newRow("real: AltGr full stop kept, plus dropped")
        << u8("编辑框3") << KeyPresses{altGrFullStop, altGrPlus} << u8("5.");
    QTest::newRow("integer: AltGr letter dropped") << u8("编辑框2") << KeyPresses{altGrEuro}
                                                   << u8("5");
    QTest::newRow("integer: AltGr digit kept") << u8("编辑框1") << KeyPresses{altGrSeven}
                                               << u8("57");
    QTest::newRow("integer: Alt letter dropped")
        << u8("编辑框1") << KeyPresses{{Qt::Key_A, Qt::AltModifier, u8("a")}} << u8("5");
    QTest::newRow("integer: Ctrl and keypad plus dropped")
        << u8("编辑框1") << KeyPresses{{Qt::Key_Plus, ctrl | Qt::KeypadModifier, u8("+")}}
        << u8("5");
    // Shortcuts go on working, whether the platform gives them control characters (X11,
    // Windows) or letters (Qt Test).
    QTest::newRow("Ctrl+A, Ctrl+X as control characters")
        << u8("编辑框1")
        << KeyPresses{{Qt::Key_A, ctrl, QString(QChar(0x01))}, {Qt::Key_X, ctrl, QString(QChar(0x18))}}
        << QString();
    QTest::newRow("Ctrl+A, Ctrl+X as letters")
        << u8("编辑框3") << KeyPresses{{Qt::Key_A, ctrl, u8("a")}, {Qt::Key_X, ctrl, u8("x")}}
        << QString();
    QTest::newRow("Ctrl+Z undoes the typing")
        << u8("编辑框1") << KeyPresses{{Qt::Key_Z, ctrl, QString(QChar(0x1A))}} << QString();
    QTest::newRow("Ctrl+Shift+Left selects, nothing typed")
        << u8("编辑框1")
        << KeyPresses{{Qt::Key_Left, ctrl | Qt::ShiftModifier, QString()},
                      {Qt::Key_Period, ctrl | Qt::ShiftModifier, u8(">")}}
        << u8("5");
}

void MainWindowTest::keysWithModifiersTypeJudgedText()
{
    QFETCH(QString, name);
    QFETCH(KeyPresses, keys);
    QFETCH(QString, typed);

    EditBox* target = m_window->findChild<EditBox*>(name);
    QVERIFY(replaceText(target, u8("5")));
    for (const KeyPress& key : keys)
        press(target, key);
    QCOMPARE(textOf(target), typed);
}

void MainWindowTest::inputMethodCommit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("typed");

    QTest::newRow("integer: digits") << u8("编辑框1") << u8("12") << u8("12");
    QTest::newRow("integer: full-width digits") << u8("编辑框1") << u8("１２") << QString();
    QTest::newRow("integer: mixed widths") << u8("编辑框2") << u8("1２3") << u8("13");
    QTest::newRow("real: ideographic text") << u8("编辑框3") << u8("二点五") << QString();
    QTest::newRow("real: full-width full stop") << u8("编辑框4") << u8("2．5") << u8("25");
    QTest::newRow("real: ASCII number") << u8("编辑框3") << u8("-2.5") << u8("-2.5");
}

void MainWindowTest::inputMethodCommit()
{
    QFETCH(QString, name);
    QFETCH(QString, commit);
    QFETCH(QString, typed);

    EditBox* target = m_window->findChild<EditBox*>(name);
    QVERIFY(replaceText(target, QString()));
    QVERIFY(target->testAttribute(Qt::WA_InputMethodEnabled));
    QInputMethodEvent event;
    event.setCommitString(commit);
    QApplication::sendEvent(target, &event);
    QCOMPARE(textOf(target), typed);
}

void MainWindowTest::pasting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("afterLeaving");

    QTest::newRow("integer: wraps at 2^63") << u8("编辑框1") << u8("9223372036854775808")
                                            << u8("-2147483648");
    QTest::newRow("integer: decimal part") << u8("编辑框1") << u8("12.9") << u8("12");
    QTest::newRow("integer: leading space") << u8("编辑框2") << u8(" 12") << u8("12");
    QTest::newRow("integer: full-width digits") << u8("编辑框1") << u8("１２") << QString();
    QTest::newRow("integer: two lines") << u8("编辑框2") << u8("10\n00") << u8("10");
    QTest::newRow("integer: letters") << u8("编辑框1") << u8("abc") << QString();
    QTest::newRow("real: exponent") << u8("编辑框3") << u8("1e5") << u8("100000");
    QTest::newRow("real: full-width digits") << u8("编辑框4") << u8("１２") << QString();
    QTest::newRow("real: sign, spaces, trailing text")
        << u8("编辑框3") << u8("  -2.5元") << u8("-2.5");
    QTest::newRow("real: two lines") << u8("编辑框4") << u8("3.5\r\n4") << u8("3.5");
}

void MainWindowTest::pasting()
{
    QFETCH(QString, name);
    QFETCH(QString, pasted);
    QFETCH(QString, afterLeaving);

    EditBox* target = m_window->findChild<EditBox*>(name);
    QApplication::clipboard()->setText(pasted);
    QVERIFY(replaceText(target, QString()));
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    // A paste is not filtered: the text is in the box as it was, line breaks as CR LF.
    QString expectedPasted = pasted;
    expectedPasted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    expectedPasted.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    QCOMPARE(textOf(target), expectedPasted);
    QVERIFY(leave(target));
    QCOMPARE(textOf(target), afterLeaving);
}

void MainWindowTest::pasteAndDropTakeTextOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<WayIn>("way");
    QTest::addColumn<Offer>("offer");
    QTest::addColumn<QString>("expected");  // the caret is at the start of "1000"

    const struct {
        const char* name;
        WayIn way;
    } ways[] = {{"Ctrl+V", WayIn::ctrlV},
                {"Shift+Insert", WayIn::shiftInsert},
                {"context menu", WayIn::contextMenu},
                {"drop", WayIn::drop}};
    const struct {
        const char* name;
        Offer offer;
        const char* expected;
    } offers[] = {{"nothing on the clipboard", Offer::nothing, "1000"},
                  {"an image only", Offer::imageOnly, "1000"},
                  {"text", Offer::plainText, "121000"},
                  {"Markdown offered first, taken as it stands", Offer::markdownFirst,
                   "**1**21000"}};
    for (const auto& way : ways) {
        for (const auto& offer : offers) {
            QTest::addRow("%s, %s", way.name, offer.name)
                << u8("编辑框1") << way.way << offer.offer << u8(offer.expected);
        }
    }
    QTest::newRow("read-only box, Ctrl+V, nothing on the clipboard")
        << u8("编辑框6") << WayIn::ctrlV << Offer::nothing << QString();
    QTest::newRow("read-only box, drop, text") << u8("编辑框6") << WayIn::drop << Offer::plainText
                                               << QString();
}

void MainWindowTest::pasteAndDropTakeTextOnly()
{
    QFETCH(QString, name);
    QFETCH(WayIn, way);
    QFETCH(Offer, offer);
    QFETCH(QString, expected);

    EditBox* target = m_window->findChild<EditBox*>(name);
    QVERIFY(focusOn(target));
    const QString before = textOf(target);
    bringIn(target, way, offered(offer));
    QCOMPARE(textOf(target), expected.isNull() ? before : expected);
    // The box goes on working.
    if (target->isInputBox()) {
        QTest::keyClick(target, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(target, u8("5"));
        QCOMPARE(textOf(target), (expected.isNull() ? before : expected) + u8("5"));
    }
}

void MainWindowTest::longTextFillsTheFirstLine_data()
{
    QTest::addColumn<QString>("input");  // typed into 编辑框3, which is then left
    QTest::addColumn<QString>("name");   // the box looked at
    QTest::addColumn<QString>("text");   // what it holds

    QTest::newRow("编辑框3: a number in exponent form")
        << u8("1234567") << u8("编辑框3") << u8("1.23457e+006");
    QTest::newRow("编辑框6: the result of that payout")
        << u8("1234567") << u8("编辑框6") << u8("1.48148e+008");
    QTest::newRow("编辑框3: a negative number in exponent form")
        << u8("-0.0000001234") << u8("编辑框3") << u8("-1.234e-007");
}

void MainWindowTest::longTextFillsTheFirstLine()
{
    QFETCH(QString, input);
    QFETCH(QString, name);
    QFETCH(QString, text);

    QVERIFY(replaceText(box("编辑框3"), input));
    NoticeCatcher catcher(*m_window, Dismissal::okButton);
    clickButton();  // leaves 编辑框3, and fills the results
    EditBox* target = box(qPrintable(name));
    QCOMPARE(textOf(target), text);

    // A run without white space breaks at the character that no longer fits: the first
    // line shows as much of it as the width takes.
    const QTextLine firstLine = target->document()->firstBlock().layout()->lineAt(0);
    const QString shown = text.left(firstLine.textLength());
    const QFontMetricsF metrics(target->font());
    QVERIFY2(shown.size() < text.size(), qPrintable(shown));
    QVERIFY2(metrics.horizontalAdvance(shown) <= firstLine.width(), qPrintable(shown));
    QVERIFY2(metrics.horizontalAdvance(text.left(shown.size() + 1)) > firstLine.width(),
             qPrintable(shown));
    QCOMPARE(target->verticalScrollBar()->value(), 0);
}

void MainWindowTest::enterInsertsLineBreakUntilLeft()
{
    EditBox* premium = box("编辑框1");
    pressOnFocus(Qt::Key_Tab);
    QTRY_VERIFY(premium->hasFocus());
    QTest::keyClick(premium, Qt::Key_End);
    QTest::keyClick(premium, Qt::Key_Return);
    QCOMPARE(textOf(premium), u8("1000\r\n"));
    // The caret is on the new, empty line, and that line is the one in view.
    QCOMPARE(premium->textCursor().blockNumber(), 1);
    QCOMPARE(premium->verticalScrollBar()->value(), 1);
    QVERIFY(premium->viewport()->rect().contains(premium->cursorRect()));

    QTest::keyClicks(premium, u8("00"));
    QTest::keyClick(premium, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(premium, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(textOf(premium), u8("1000\r\n00\r\n\r\n"));

    QVERIFY(leave(premium));
    QTRY_VERIFY(box("编辑框2")->hasFocus());
    QCOMPARE(textOf(premium), u8("1000"));
    QCOMPARE(premium->verticalScrollBar()->value(), 0);
}

void MainWindowTest::leavingPutsCaretAtSelectionStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("afterLeaving");
    QTest::addColumn<int>("caret");
    QTest::addColumn<bool>("selectionKept");
    QTest::addColumn<bool>("wraps");  // the rewritten text takes more than one line

    QTest::newRow("rewritten, caret inside") << u8("编辑框1") << u8("12-3") << 1 << 1 << u8("12")
                                             << 1 << false << false;
    QTest::newRow("rewritten, selection backwards") << u8("编辑框1") << u8("0070") << 3 << 1
                                                    << u8("70") << 1 << false << false;
    QTest::newRow("rewritten, caret beyond the new end")
        << u8("编辑框3") << u8("24.931234") << 9 << 9 << u8("24.9312") << 7 << false << false;
    QTest::newRow("rewritten to empty") << u8("编辑框2") << u8("-0") << 1 << 2 << QString() << 0
                                        << false << false;
    QTest::newRow("unchanged, selection left alone") << u8("编辑框4") << u8("2.8") << 1 << 3
                                                     << u8("2.8") << 3 << true << false;
    // The caret lands on the second line; the box still shows the first.
    QTest::newRow("rewritten and wrapped, caret at the end")
        << u8("编辑框1") << u8("-3000000000") << 11 << 11 << u8("-2147483648") << 11 << false
        << true;
    QTest::newRow("rewritten and wrapped, caret inside the second line")
        << u8("编辑框3") << u8("1234567") << 7 << 7 << u8("1.23457e+006") << 7 << false << true;
}

void MainWindowTest::leavingPutsCaretAtSelectionStart()
{
    QFETCH(QString, name);
    QFETCH(QString, keys);
    QFETCH(int, anchor);
    QFETCH(int, position);
    QFETCH(QString, afterLeaving);
    QFETCH(int, caret);
    QFETCH(bool, selectionKept);
    QFETCH(bool, wraps);

    EditBox* target = m_window->findChild<EditBox*>(name);
    QVERIFY(replaceText(target, keys));
    QTextCursor selection = target->textCursor();
    selection.setPosition(anchor);
    selection.setPosition(position, QTextCursor::KeepAnchor);
    target->setTextCursor(selection);
    QVERIFY(leave(target));
    QCOMPARE(textOf(target), afterLeaving);
    QCOMPARE(target->textCursor().position(), caret);
    QCOMPARE(target->textCursor().hasSelection(), selectionKept);
    // Shown from its first line, whichever line the caret is on.
    const QTextLayout* layout = target->document()->firstBlock().layout();
    QCOMPARE(layout->lineCount() > 1, wraps);
    QCOMPARE(target->verticalScrollBar()->value(), 0);
}

void MainWindowTest::leavingByDeactivationAndFocusRestored()
{
    EditBox* years = box("编辑框2");
    QVERIFY(replaceText(years, u8("007")));

    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_COMPARE(textOf(years), u8("7"));

    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_VERIFY(years->hasFocus());
}

void MainWindowTest::readOnlyBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("编辑框5") << u8("编辑框5");
    QTest::newRow("编辑框6") << u8("编辑框6");
    QTest::newRow("编辑框7") << u8("编辑框7");
}

void MainWindowTest::readOnlyBoxes()
{
    QFETCH(QString, name);
    EditBox* output = m_window->findChild<EditBox*>(name);
    const QString result = u8("62年11月");
    corvane::setBoxText(*output, result.toStdString());
    QVERIFY(focusOn(output));
    QVERIFY(output->textInteractionFlags() & Qt::TextSelectableByKeyboard);  // caret shown

    // Nothing the user does changes the text: typing, deleting, Enter, pasting, cutting.
    QApplication::clipboard()->setText(u8("99"));
    QTest::keyClicks(output, u8("12a-."));
    for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return})
        QTest::keyClick(output, key);
    QTest::keyClick(output, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(output, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(output, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(textOf(output), result);

    // It can be selected from the keyboard and copied.
    QTest::keyClick(output, Qt::Key_End);
    QTest::keyClick(output, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(output->textCursor().selectedText(), u8("月"));
    QTest::keyClick(output, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(output, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), result);

    // Leaving never rewrites it.
    corvane::setBoxText(*output, "007");
    QVERIFY(focusOn(button()));
    QCOMPARE(textOf(output), u8("007"));
}

void MainWindowTest::setBoxTextStoresTextAsGiven_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("input box, no number") << u8("编辑框1") << QByteArray("abc");
    QTest::newRow("input box, empty") << u8("编辑框3") << QByteArray();
    QTest::newRow("read-only box, three lines") << u8("编辑框6") << QByteArray("1\r\n2\r\n3");
    QTest::newRow("hidden box, long text")
        << u8("编辑框8") << QByteArray("755*24.93+2.99671=18825.14710283 and more and more text");
    QTest::newRow("no-break space kept") << u8("编辑框5") << QByteArray("1\xC2\xA0" "2");
}

void MainWindowTest::setBoxTextStoresTextAsGiven()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, text);
    EditBox* target = m_window->findChild<EditBox*>(name);
    corvane::setBoxText(*target, text.toStdString());
    QCOMPARE(QByteArray::fromStdString(corvane::getBoxText(*target)), text);
    // Shown from the first line, caret at the start.
    QCOMPARE(target->verticalScrollBar()->value(), 0);
    QCOMPARE(target->textCursor().position(), 0);
}

// Texts of a few hundred thousand characters, pasted the way a user pastes.
void MainWindowTest::hugePasteStaysUsable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("rewritten");

    const int n = 300'000;
    QTest::newRow("digits, real box")
        << u8("编辑框3") << QString(n, u'0') + u8("24.93") << u8("24.93");
    QTest::newRow("digits beyond the 32-bit range, integer box")
        << u8("编辑框1") << QString(n, u'0') + u8("3000000000") << u8("2147483647");
    QTest::newRow("one digit, then letters")
        << u8("编辑框2") << u8("7") + QString(n, u'x') << u8("7");
    QString fullWidth;
    for (int i = 0; i < n; ++i)
        fullWidth.append(QChar(0xFF10 + i % 10));
    QTest::newRow("full-width digits") << u8("编辑框4") << fullWidth << QString();
    QTest::newRow("line breaks")
        << u8("编辑框4") << u8("3.5") + QString(100'000, u'\n') << u8("3.5");
    QString mix = u8("-12.5e3 ");
    const QString pieces = u8("-12.5e3 ４２\u3000abc\n．x");
    for (int i = 0; mix.size() < n; ++i)
        mix.append(pieces.at((i * 7) % pieces.size()));
    QTest::newRow("a mix") << u8("编辑框3") << mix << u8("-12500");
}

void MainWindowTest::hugePasteStaysUsable()
{
    QFETCH(QString, name);
    QFETCH(QString, pasted);
    QFETCH(QString, rewritten);
    EditBox* target = box(qPrintable(name));
    const auto caretInView = [target] {
        return target->viewport()->rect().intersects(target->cursorRect());
    };
    const auto caret = [target] { return target->textCursor().position(); };

    QVERIFY(focusOn(target));
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QApplication::clipboard()->setText(pasted);
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    QString stored = pasted;
    stored.replace(u'\n', u8("\r\n"));
    QCOMPARE(textOf(target), stored);
    QCOMPARE(caret(), pasted.size());
    QVERIFY(caretInView());

    // The caret goes to the start and down the lines, and stays in view.
    QTest::keyClick(target, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(caret(), 0);
    QVERIFY(caretInView());
    QTest::keyClick(target, Qt::Key_Down);
    const int secondLine = caret();
    QVERIFY(secondLine > 0);
    QVERIFY(caretInView());
    QTest::keyClick(target, Qt::Key_Up);
    QCOMPARE(caret(), 0);

    // A selection is copied as it stands, the whole text too.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(target, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), pasted.left(3));
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), pasted);

    // Typing at the end and taking it back, in view all along.
    QTest::keyClick(target, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(caret(), pasted.size());
    QVERIFY(caretInView());
    QTest::keyClick(target, Qt::Key_9);
    QCOMPARE(textOf(target), stored + u8("9"));
    QTest::keyClick(target, Qt::Key_Backspace);
    QCOMPARE(textOf(target), stored);

    // Leaving rewrites the text as for a short one, shown from its first line.
    QVERIFY(leave(target));
    QCOMPARE(textOf(target), rewritten);
    QCOMPARE(target->verticalScrollBar()->value(), 0);

    // A click then gives what the rewritten text typed by hand gives.
    NoticeCatcher catcher(*m_window, Dismissal::okButton);
    clickButton();
    const QStringList afterPaste = outputs();
    const int noticesAfterPaste = catcher.noticesSeen;
    QVERIFY(replaceText(target, rewritten));
    clickButton();
    QCOMPARE(outputs(), afterPaste);
    QCOMPARE(catcher.noticesSeen, 2 * noticesAfterPaste);
}

void MainWindowTest::tabOrder_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("visited");

    const QStringList forward = {u8("编辑框1"), u8("编辑框2"), u8("编辑框3"), u8("编辑框4"),
                                 u8("编辑框5"), u8("编辑框6"), u8("编辑框7"), u8("按钮1"),
                                 u8("编辑框1")};
    QStringList backward = {u8("编辑框7"), u8("编辑框6"), u8("编辑框5"), u8("编辑框4"),
                            u8("编辑框3"), u8("编辑框2"), u8("编辑框1"), u8("按钮1"),
                            u8("编辑框7")};
    QTest::newRow("Tab") << int(Qt::Key_Tab) << int(Qt::NoModifier) << forward;
    QTest::newRow("Shift+Tab") << int(Qt::Key_Tab) << int(Qt::ShiftModifier) << backward;
    // What X11 delivers for Shift+Tab.
    QTest::newRow("Backtab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << backward;
}

void MainWindowTest::tabOrder()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QStringList, visited);

    QTRY_VERIFY(button()->hasFocus());
    QStringList texts;
    for (EditBox* each : m_window->findChildren<EditBox*>())
        texts << textOf(each);
    for (const QString& name : visited) {
        pressOnFocus(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), name);
    }
    // Tab moves the focus only: it inserts nothing.
    QStringList textsAfter;
    for (EditBox* each : m_window->findChildren<EditBox*>())
        textsAfter << textOf(each);
    QCOMPARE(textsAfter, texts);
}

void MainWindowTest::tabKeepsCaretAndSelectsNothing()
{
    EditBox* payout = box("编辑框3");
    for (int i = 0; i < 3; ++i)
        pressOnFocus(Qt::Key_Tab);
    QTRY_VERIFY(payout->hasFocus());
    QCOMPARE(payout->textCursor().position(), 0);  // the first time: at the start
    QVERIFY(!payout->textCursor().hasSelection());
    QTest::keyClick(payout, Qt::Key_Right);
    QTest::keyClick(payout, Qt::Key_Right);
    pressOnFocus(Qt::Key_Tab);
    QTRY_VERIFY(box("编辑框4")->hasFocus());
    pressOnFocus(Qt::Key_Tab, Qt::ShiftModifier);
    QTRY_VERIFY(payout->hasFocus());
    QCOMPARE(payout->textCursor().position(), 2);
    QVERIFY(!payout->textCursor().hasSelection());
}

void MainWindowTest::enterElsewhereDoesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");

    for (const char* name : {"按钮1", "编辑框5", "编辑框6", "编辑框7"}) {
        QTest::addRow("%s: Return", name) << u8(name) << int(Qt::Key_Return);
        QTest::addRow("%s: keypad Enter", name) << u8(name) << int(Qt::Key_Enter);
    }
}

void MainWindowTest::enterElsewhereDoesNothing()
{
    QFETCH(QString, name);
    QFETCH(int, key);

    QWidget* control = m_window->findChild<QWidget*>(name);
    QVERIFY(focusOn(control));
    QSignalSpy clicks(button(), &QPushButton::clicked);
    const QStringList before = outputs();
    QTest::keyClick(control, Qt::Key(key),
                    key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(clicks.count(), 0);
    QVERIFY(control->hasFocus());
    QCOMPARE(outputs(), before);
    QVERIFY(m_window->isVisible());
}

void MainWindowTest::escapeCloses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");

    for (const char* name :
         {"按钮1", "编辑框1", "编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6", "编辑框7"})
        QTest::newRow(name) << u8(name) << QString();
    QTest::newRow("编辑框1 while edited") << u8("编辑框1") << u8("12-");
    QTest::newRow("编辑框3 after Enter") << u8("编辑框3") << u8("1\n");
}

void MainWindowTest::escapeCloses()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);

    QWidget* control = m_window->findChild<QWidget*>(name);
    QVERIFY(focusOn(control));
    for (const QChar c : typed)
        QTest::keyClick(control, c == QLatin1Char('\n') ? Qt::Key_Return : Qt::Key(c.unicode()));
    CloseRequests closeRequests;
    m_window->installEventFilter(&closeRequests);
    QTest::keyClick(control, Qt::Key_Escape);
    QTRY_VERIFY(!m_window->isVisible());
    QCOMPARE(closeRequests.count, 1);  // asked to close, as by the close box
}

void MainWindowTest::keysWithModifiersAreLeftToControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");

    QTest::newRow("Shift+Esc in a box") << u8("编辑框1") << int(Qt::Key_Escape) << int(Qt::ShiftModifier);
    QTest::newRow("Ctrl+Esc on the button") << u8("按钮1") << int(Qt::Key_Escape) << int(Qt::ControlModifier);
    QTest::newRow("Alt+Esc in a read-only box") << u8("编辑框6") << int(Qt::Key_Escape) << int(Qt::AltModifier);
    QTest::newRow("Ctrl+Tab in a box") << u8("编辑框2") << int(Qt::Key_Tab) << int(Qt::ControlModifier);
    QTest::newRow("Alt+Tab on the button") << u8("按钮1") << int(Qt::Key_Tab) << int(Qt::AltModifier);
    QTest::newRow("Ctrl+Return on the button") << u8("按钮1") << int(Qt::Key_Return) << int(Qt::ControlModifier);
}

void MainWindowTest::keysWithModifiersAreLeftToControls()
{
    QFETCH(QString, name);
    QFETCH(int, key);
    QFETCH(int, modifiers);

    QWidget* control = m_window->findChild<QWidget*>(name);
    QVERIFY(focusOn(control));
    QSignalSpy clicks(button(), &QPushButton::clicked);
    QTest::keyClick(control, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(m_window->isVisible());
    QVERIFY(control->hasFocus());
    QCOMPARE(clicks.count(), 0);
}

void MainWindowTest::spaceAtStartComputesDefaults()
{
    QTRY_VERIFY(button()->hasFocus());
    pressOnFocus(Qt::Key_Space);
    QCOMPARE(outputs(), QStringList({u8("18822.2"), u8("2.99671"), u8("62年11月"),
                                     u8("755*24.93+2.99671=18825.14710283")}));
    // 编辑框8 holds the equation but is not on screen: its place shows the background.
    EditBox* equation = box("编辑框8");
    QVERIFY(!equation->isVisible());
    const QImage picture = m_window->grab().toImage();
    const QColor background = picture.pixelColor(200, 222);
    for (int y = 184; y < 208; ++y)
        for (int x = 208; x < 392; ++x)
            QCOMPARE(picture.pixelColor(x, y), background);
}

void MainWindowTest::click_data()
{
    QTest::addColumn<QStringList>("inputs");  // typed into 编辑框1..4; a null text: untouched
    QTest::addColumn<QStringList>("results");  // 编辑框6, 编辑框7, 编辑框5, 编辑框8
    QTest::addColumn<bool>("noticeDue");

    const QString untouched;
    const QStringList defaults = {u8("18822.2"), u8("2.99671"), u8("62年11月"),
                                  u8("755*24.93+2.99671=18825.14710283")};
    QTest::newRow("texts at start") << QStringList{untouched, untouched, untouched, untouched}
                                    << defaults << false;
    // The box last typed into is left by the press on the button, and so rewritten,
    // before the calculation reads it.
    QTest::newRow("edited, same values") << QStringList{u8("01000"), u8("010"), u8("24.930"), u8("2.80")}
                                         << defaults << false;
    QTest::newRow("edited: payout 50, 19 years")
        << QStringList{untouched, untouched, u8("50"), untouched}
        << QStringList{u8("11400"), u8("21.9709"), u8("19年"), u8("228*50+21.9709=11421.97088623")}
        << false;
    // Read without the rewrite, 2^32 + 10 would be 10 years and give the defaults' results.
    QTest::newRow("years clamped by the mouse press")
        << QStringList{untouched, u8("4294967306"), untouched, untouched}
        << QStringList{u8("29916"), u8("393611"), u8("100年"), u8("1200*24.93+393611=423527.34375")}
        << true;
    QTest::newRow("payout zero: the notice")
        << QStringList{untouched, untouched, u8("0"), untouched}
        << QStringList{u8("0"), u8("144994"), u8("100年"), u8("1200*0+144994=144994.328125")}
        << true;
    QTest::newRow("all empty") << QStringList{QString(""), QString(""), QString(""), QString("")}
                               << QStringList{u8("0"), u8("0"), u8("0年"), u8("0*0+0=0")}
                               << false;
}

void MainWindowTest::click()
{
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, results);
    QFETCH(bool, noticeDue);

    const char* const inputBoxes[] = {"编辑框1", "编辑框2", "编辑框3", "编辑框4"};
    for (int i = 0; i < 4; ++i) {
        if (!inputs[i].isNull())
            QVERIFY(replaceText(box(inputBoxes[i]), inputs[i]));
    }
    NoticeCatcher catcher(*m_window, Dismissal::okButton);
    clickButton();
    QVERIFY(button()->hasFocus());
    QCOMPARE(catcher.noticesSeen, noticeDue ? 1 : 0);
    if (noticeDue)  // the results come only after the notice
        QCOMPARE(catcher.outputsWhileOpen, QStringList({"", "", "", ""}));
    QCOMPARE(outputs(), results);
}

void MainWindowTest::notice_data()
{
    QTest::addColumn<Dismissal>("dismissal");
    QTest::newRow("OK button") << Dismissal::okButton;
    QTest::newRow("Enter presses OK") << Dismissal::enterKey;
    QTest::newRow("Esc") << Dismissal::escapeKey;
    QTest::newRow("close box") << Dismissal::closeBox;
}

void MainWindowTest::notice()
{
    QFETCH(Dismissal, dismissal);

    QVERIFY(replaceText(box("编辑框3"), u8("0")));
    NoticeCatcher catcher(*m_window, dismissal);
    catcher.tryMinimizing = true;
    QSignalSpy clicks(button(), &QPushButton::clicked);
    clickButton();

    QCOMPARE(catcher.noticesSeen, 1);
    // A title bar with the close box only, and a minimize refused: a notice out of sight
    // would leave a window that takes no input and nothing to click.
    QVERIFY(catcher.flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(catcher.flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!catcher.flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!catcher.flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(catcher.shownAgainAfterMinimizing);
    QCOMPARE(catcher.title, u8("信息："));
    QCOMPARE(catcher.text, u8("100年也不能回本，歇歇吧！"));
    QCOMPARE(catcher.icon, QMessageBox::NoIcon);
    QCOMPARE(catcher.buttonCount, 1);
    QVERIFY(catcher.okIsDefault);
    QCOMPARE(catcher.modality, Qt::ApplicationModal);
    QVERIFY(!catcher.hasParent);
    // While it is open the main window takes neither clicks nor Esc.
    QCOMPARE(catcher.clicksWhileOpen, 0);
    QVERIFY(catcher.windowStillShownAfterEsc);
    QCOMPARE(catcher.outputsWhileOpen, QStringList({"", "", "", ""}));

    // Once dismissed: the results, the window active again, the button usable again.
    QCOMPARE(outputs(), QStringList({u8("0"), u8("144994"), u8("100年"),
                                     u8("1200*0+144994=144994.328125")}));
    QTRY_VERIFY(m_window->isActiveWindow());
    QVERIFY(m_window->isVisible());
    QCOMPARE(clicks.count(), 1);
    pressOnFocus(Qt::Key_Space);
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(catcher.noticesSeen, 2);
}

void MainWindowTest::clickAgainRecomputesFromCurrentInputs()
{
    NoticeCatcher catcher(*m_window, Dismissal::okButton);
    clickButton();
    const QStringList first = outputs();
    QVERIFY(replaceText(box("编辑框3"), u8("0")));
    clickButton();
    QCOMPARE(outputs().at(2), u8("100年"));
    QVERIFY(replaceText(box("编辑框3"), u8("24.93")));
    clickButton();
    QCOMPARE(outputs(), first);
    QCOMPARE(catcher.noticesSeen, 1);
}

QTEST_MAIN(MainWindowTest)
#include "ui_main_window_test.moc"
