#include "main_window.h"

#include "edit_box.h"
#include "notice.h"

#include <calc/calc.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

namespace corvane {

namespace {

// How long the window waits after the last resize by the window manager before it takes
// its own size back.
constexpr std::chrono::milliseconds kSizeRefusalDelay{100};

constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint |
                                         Qt::WindowMinMaxButtonsHint |
                                         Qt::WindowCloseButtonHint;

// A label: its name, its place and its caption.
struct LabelLayout {
    const char* name;
    QRect rect;
    const char* text;
};

constexpr LabelLayout k标签10{"标签10", {128, 0, 192, 40}, "Corvane养老险计算器"};
constexpr LabelLayout k标签1{"标签1", {16, 64, 96, 24}, "年缴费金额（元）"};
constexpr LabelLayout k标签7{"标签7", {208, 64, 64, 24}, "回本时间"};
constexpr LabelLayout k标签3{"标签3", {16, 104, 96, 24}, "需缴费年限（年）"};
constexpr LabelLayout k标签6{"标签6", {208, 104, 96, 24}, "共领取金额（元）"};
constexpr LabelLayout k标签2{"标签2", {16, 144, 96, 24}, "月返还金额（元）"};
constexpr LabelLayout k标签5{"标签5", {208, 144, 88, 24}, "剩余金额（元）"};
constexpr LabelLayout k标签4{"标签4", {16, 184, 88, 24}, "存款年利率（%）"};

// The captions, the widest for its label first: at a size where one does not fit, that
// one is met first and the others need not be measured.
constexpr const LabelLayout* kCaptionsByFit[] = {&k标签4, &k标签5, &k标签1, &k标签3,
                                               &k标签6, &k标签2, &k标签7, &k标签10};

// The platform's user-interface face, with Chinese faces behind it for the glyphs it
// lacks. The layout is in pixels, so the size is in pixels too: the largest, up to 12,
// at which every caption fits into its label (11 with the usual fonts, whose
// ideographs and full-width parentheses are one em wide). It is set on the window before
// the controls exist, so that they are laid out once, in this font.
QFont interfaceFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies({font.family(), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")});
    constexpr int kLargestPixelSize = 12;
    constexpr int kSmallestPixelSize = 9;
    for (int pixelSize = kLargestPixelSize; pixelSize >= kSmallestPixelSize; --pixelSize) {
        font.setPixelSize(pixelSize);
        const QFontMetrics metrics(font);
        const bool allFit = std::all_of(
            std::begin(kCaptionsByFit), std::end(kCaptionsByFit), [&](const LabelLayout* label) {
                return metrics.horizontalAdvance(QString::fromUtf8(label->text)) <=
                       label->rect.width();
            });
        if (allFit)
            break;
    }
    return font;
}

// Labels: one line, left-aligned, vertically centred, black on the window's colour.
QLabel* makeLabel(QWidget* window, const LabelLayout& layout)
{
    auto* label = new QLabel(QString::fromUtf8(layout.text), window);
    label->setObjectName(QString::fromUtf8(layout.name));
    label->setGeometry(layout.rect);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setWordWrap(false);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

EditBox* makeBox(QWidget* window, const char* name, const QRect& rect, InputMode mode,
                 const char* text)
{
    auto* box = new EditBox(mode, window);
    box->setObjectName(QString::fromUtf8(name));
    box->setGeometry(rect);
    setBoxText(*box, text);
    return box;
}

bool isReturnKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

}  // namespace

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/corvane/corvane-calc-%1.png").arg(size), QSize(size, size));
    return icon;
}

MainWindow::MainWindow(QWidget* parent) : QWidget(parent, kWindowFlags)
{
    // An empty title would make the platform show the program's name instead: a single
    // space keeps the title bar without text.
    setWindowTitle(QStringLiteral(" "));
    setAccessibleName(QStringLiteral("Corvane养老险计算器"));  // what a reader calls the window
    // The icon the program gave itself at start is the window's already; decoding the
    // images again would only cost time.
    if (QGuiApplication::windowIcon().isNull())
        setWindowIcon(programIcon());
    setFont(interfaceFont());
    // No frame known yet; fitOuterSize() corrects this. The size is kept by the window,
    // not by equal minimum and maximum size hints: many X11 window managers maximize only
    // a window that they may resize.
    setMinimumSize(kControlsArea);
    resize(kOuterSize);
    move(centredFramePosition());
    m_sizeRefused.setSingleShot(true);
    m_sizeRefused.setInterval(kSizeRefusalDelay);
    connect(&m_sizeRefused, &QTimer::timeout, this, &MainWindow::restoreOuterSize);

    using M = InputMode;
    标签10 = makeLabel(this, k标签10);
    标签1 = makeLabel(this, k标签1);
    编辑框1 = makeBox(this, "编辑框1", {128, 64, 64, 24}, M::integerInput, "1000");
    标签7 = makeLabel(this, k标签7);
    编辑框5 = makeBox(this, "编辑框5", {312, 64, 72, 24}, M::readOnly, "");
    标签3 = makeLabel(this, k标签3);
    编辑框2 = makeBox(this, "编辑框2", {128, 104, 64, 24}, M::integerInput, "10");
    标签6 = makeLabel(this, k标签6);
    编辑框6 = makeBox(this, "编辑框6", {312, 104, 72, 24}, M::readOnly, "");
    标签2 = makeLabel(this, k标签2);
    编辑框3 = makeBox(this, "编辑框3", {128, 144, 64, 24}, M::realInput, "24.93");
    标签5 = makeLabel(this, k标签5);
    编辑框7 = makeBox(this, "编辑框7", {312, 144, 72, 24}, M::readOnly, "");
    标签4 = makeLabel(this, k标签4);
    编辑框4 = makeBox(this, "编辑框4", {128, 184, 64, 24}, M::realInput, "2.8");
    编辑框8 = makeBox(this, "编辑框8", {208, 184, 184, 24}, M::readOnly, "");
    编辑框8->hide();  // Holds the check equation; never on screen.

    // A screen reader announces each box by its caption. The captions carry no mnemonic,
    // so the buddies add no shortcut; the names are set too, for readers that ignore them.
    const std::pair<QLabel*, EditBox*> captions[] = {{标签1, 编辑框1}, {标签3, 编辑框2},
                                                     {标签2, 编辑框3}, {标签4, 编辑框4},
                                                     {标签7, 编辑框5}, {标签6, 编辑框6},
                                                     {标签5, 编辑框7}};
    for (const auto& [caption, box] : captions) {
        caption->setBuddy(box);
        box->setAccessibleName(caption->text());
    }

    按钮1 = new QPushButton(QStringLiteral("开始计算"), this);
    按钮1->setObjectName(QStringLiteral("按钮1"));
    按钮1->setGeometry(152, 232, 88, 40);
    按钮1->setAutoDefault(false);
    按钮1->setDefault(false);
    按钮1->setFocusPolicy(Qt::StrongFocus);
    connect(按钮1, &QPushButton::clicked, this, &MainWindow::handleStartClick);

    // Every key press reaches the window before the control with the focus.
    QWidget* previous = nullptr;
    for (QWidget* control : tabCandidates()) {
        control->installEventFilter(this);
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }
    按钮1->setFocus();  // The first control of the tab order has the focus at start.
}

QPoint MainWindow::centredFramePosition()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {screen.x() + (screen.width() - kOuterSize.width()) / 2,
            screen.y() + (screen.height() - kOuterSize.height()) / 2};
}

void MainWindow::handleStartClick()
{
    // 1. The four input texts, in order.
    const std::string premium = getBoxText(*编辑框1);
    const std::string years = getBoxText(*编辑框2);
    const std::string payout = getBoxText(*编辑框3);
    const std::string rate = getBoxText(*编辑框4);
    // 2. The calculation.
    const calc::BreakEvenResult result = calc::runBreakEven(premium, years, payout, rate);
    // 3. The hundred-year notice, before any result is shown.
    if (result.noticeDue) {
        showNotice(QString::fromUtf8(calc::kNoticeText.data(),
                                     static_cast<qsizetype>(calc::kNoticeText.size())));
    }
    // 4. The results, in this order.
    setBoxText(*编辑框6, result.totalReceived);
    setBoxText(*编辑框7, result.balance);
    setBoxText(*编辑框5, result.breakEvenTime);
    setBoxText(*编辑框8, result.checkEquation);
}

std::array<QWidget*, 9> MainWindow::tabCandidates() const
{
    // 编辑框8 has its place between 编辑框6 and 编辑框7, but being hidden it never
    // takes part.
    return {按钮1, 编辑框1, 编辑框2, 编辑框3, 编辑框4, 编辑框5, 编辑框6, 编辑框8, 编辑框7};
}

std::vector<QWidget*> MainWindow::tabOrder() const
{
    std::vector<QWidget*> order;
    for (QWidget* control : tabCandidates()) {
        if (control->isVisible() && control->isEnabled() &&
            (control->focusPolicy() & Qt::TabFocus))
            order.push_back(control);
    }
    return order;
}

void MainWindow::moveFocus(bool forward)
{
    const std::vector<QWidget*> order = tabOrder();
    if (order.empty())
        return;
    const auto count = static_cast<std::ptrdiff_t>(order.size());
    std::ptrdiff_t index = std::find(order.begin(), order.end(), focusWidget()) - order.begin();
    if (index == count)  // No control of the order has the focus: start at either end.
        index = forward ? -1 : count;
    const std::ptrdiff_t next = (index + (forward ? 1 : count - 1)) % count;
    order[static_cast<std::size_t>(next)]->setFocus(forward ? Qt::TabFocusReason
                                                            : Qt::BacktabFocusReason);
}

bool MainWindow::handleWindowKey(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const bool shiftTab = modifiers == Qt::ShiftModifier &&
                          (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab);
    if (shiftTab) {
        moveFocus(false);
        return true;
    }
    // Other keys held with Ctrl, Shift or Alt are the controls' business.
    if (modifiers != Qt::NoModifier)
        return false;
    switch (key.key()) {
    case Qt::Key_Tab:
        moveFocus(true);
        return true;
    case Qt::Key_Backtab:
        moveFocus(false);
        return true;
    case Qt::Key_Escape:
        close();  // Exactly like the close box.
        return true;
    default:
        break;
    }
    if (isReturnKey(key.key())) {
        // An input box takes Enter as a line break; anywhere else Enter does nothing.
        const auto* box = qobject_cast<const EditBox*>(focusWidget());
        return !(box && box->isInputBox());
    }
    return false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleWindowKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Reached when no control has the focus, or a control passed the key on.
    if (!handleWindowKey(*event))
        QWidget::keyPressEvent(event);
}

bool MainWindow::event(QEvent* event)
{
    const bool result = QWidget::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
        fitOuterSize();
        break;
    default:
        break;
    }
    return result;
}

void MainWindow::fitOuterSize()
{
    // Maximized, minimized or full screen, the window has the size that the window
    // manager gives it; the controls stay where they are, the rest shows the background.
    if (!isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized |
                                          Qt::WindowFullScreen)))
        return;
    // The window manager's frame is known only once the window is on the screen. The
    // client area takes what the frame leaves of the outer size, but always holds the
    // controls. The frame is measured on the window at its own size only: on the way
    // back from the maximized state the frame of that state may still be reported.
    if (m_clientSize.isEmpty() || size() == m_clientSize) {
        const QSize frame = frameGeometry().size() - geometry().size();
        const QSize client = (kOuterSize - frame).expandedTo(kControlsArea);
        if (client != m_clientSize) {
            // The first fit, or a new frame: the window is centred again.
            m_clientSize = client;
            setMinimumSize(client);
            placeFrameAt(centredFramePosition());
            return;
        }
    }
    if (size() != m_clientSize) {
        // Any other size (an edge dragged) is refused, once the window manager has
        // stopped resizing: while a drag goes on it overrides the window's own requests.
        m_sizeRefused.start();
        return;
    }
    m_sizeRefused.stop();
    m_framePosition = pos();  // moved by its title bar, or not at all
}

void MainWindow::restoreOuterSize()
{
    if (isVisible() && !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized |
                                          Qt::WindowFullScreen)))
        placeFrameAt(m_framePosition);
}

void MainWindow::placeFrameAt(QPoint framePosition)
{
    // Moved first: the resize then finds the window where it belongs and keeps the place.
    m_framePosition = framePosition;
    move(framePosition);
    resize(m_clientSize);
}

}  // namespace corvane
