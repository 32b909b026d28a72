#include "edit_box.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace corvane {

namespace {

// Black text on white, in every colour group, so a read-only box is not greyed out. A
// selection is painted with the inactive group's highlight while the box lacks the
// focus; making that highlight the background shows a selection only in the focused box.
QPalette blackOnWhite(QPalette palette)
{
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Text, Qt::black);
    }
    palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    return palette;
}

bool isLineBreakKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// Keys that edit the text by themselves; X11 gives Delete the text "\x7f", which is not
// a typed character.
bool isEditingKey(int key) { return key == Qt::Key_Delete || key == Qt::Key_Backspace; }

// Keys held with Ctrl alone, or Ctrl and Shift, are commands (select all, copy, paste,
// undo ...): the text control never inserts their text. Ctrl+Alt is AltGr on Windows and
// types characters on many keyboard layouts, so its text is typed text like any other.
bool isCommandKey(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers();
    return modifiers == Qt::ControlModifier ||
           modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
}

// What a paste or a drop can put into a box: text, and nothing else.
bool holdsText(const QMimeData* source) { return source && source->hasText(); }

// The plain-text layout, but each paragraph keeps its shaped glyphs and character
// attributes until its text changes. Without that, every paint, every caret step and
// every cursor-position check of a paragraph reshapes it from its first character:
// with a pasted paragraph of a million characters, a single key cost over a second.
// A paragraph is laid out only once it is needed (shown, or the caret works in it), and
// always through blockBoundingRect first; only that paragraph's layout is touched.
class KeptShapingLayout : public QPlainTextDocumentLayout {
public:
    using QPlainTextDocumentLayout::QPlainTextDocumentLayout;

    QRectF blockBoundingRect(const QTextBlock& block) const override
    {
        if (block.isValid())
            keepShaping(block);
        return QPlainTextDocumentLayout::blockBoundingRect(block);
    }

private:
    static void keepShaping(const QTextBlock& block)
    {
        QTextLayout* layout = block.layout();
        if (!layout->cacheEnabled())
            layout->setCacheEnabled(true);
    }
};

}  // namespace

EditBox::EditBox(InputMode mode, QWidget* parent) : QPlainTextEdit(parent), m_mode(mode)
{
    auto* text = new QTextDocument(this);
    // The box's font, which it has from the window: the document only hears of the
    // font when it changes later.
    text->setDefaultFont(font());
    text->setDocumentLayout(new KeptShapingLayout(text));
    setDocument(text);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Wrapped at the right edge, at whichever character no longer fits: a number such as
    // "1.23457e+006" has no white space to break at, and the line-breaking rules' breaks
    // after "." or before "+" would leave only "1." in view.
    setWordWrapMode(QTextOption::WrapAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setTabChangesFocus(true);
    // The box is 24 pixels high: a small margin keeps one line of text in view.
    document()->setDocumentMargin(1);
    setPalette(blackOnWhite(palette()));
    if (m_mode == InputMode::readOnly) {
        setReadOnly(true);
        // setReadOnly leaves mouse selection only: add the keyboard, which also gives
        // the caret.
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    setFocusPolicy(Qt::StrongFocus);
}

void EditBox::keyPressEvent(QKeyEvent* event)
{
    if (!isInputBox()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (isLineBreakKey(event->key())) {
        // Enter, with any modifier, inserts one line break and brings the new line into
        // view; the rewrite on leaving drops it again.
        textCursor().insertBlock();
        ensureCursorVisible();
        event->accept();
        return;
    }
    // Whatever modifiers are held, the text a key types is judged; only commands pass.
    const QString typed = event->text();
    if (typed.isEmpty() || isEditingKey(event->key()) || isCommandKey(*event)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    const QString kept = filterTypedText(m_mode, typed);
    if (kept == typed) {
        QPlainTextEdit::keyPressEvent(event);
    } else if (!kept.isEmpty()) {
        // A key that produced several characters, some of them dropped.
        QKeyEvent filtered(event->type(), event->key(), event->modifiers(), kept,
                           event->isAutoRepeat(), static_cast<quint16>(event->count()));
        QPlainTextEdit::keyPressEvent(&filtered);
    }
    event->accept();
}

void EditBox::inputMethodEvent(QInputMethodEvent* event)
{
    // An input method commits whole strings (a Chinese one can commit full-width digits);
    // they pass the same filter as typed characters. The pre-edit text is left alone.
    if (!isInputBox() || event->commitString().isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    const QString kept = filterTypedText(m_mode, event->commitString());
    if (kept == event->commitString()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
    event->accept();
}

bool EditBox::canInsertFromMimeData(const QMimeData* source) const
{
    return holdsText(source) && QPlainTextEdit::canInsertFromMimeData(source);
}

void EditBox::insertFromMimeData(const QMimeData* source)
{
    // With nothing on the clipboard (no program owns it, or the one that copied has
    // exited) Qt 6.4 hands over mime data without a single format, and its own
    // insertFromMimeData reads the first of them without looking: a crash. Text is
    // inserted here instead, unfiltered and as it stands (Qt would render a clipboard
    // that offers Markdown first); anything else is ignored.
    if (!holdsText(source) || !(textInteractionFlags() & Qt::TextEditable))
        return;
    textCursor().insertText(source->text());
    ensureCursorVisible();
}

void EditBox::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    // Opening the box's context menu keeps the box in use: it is not left.
    if (isInputBox() && event->reason() != Qt::PopupFocusReason)
        rewriteOnLeaving();
}

void EditBox::rewriteOnLeaving()
{
    const std::string current = getBoxText(*this);
    const std::string rewritten = normalizeInput(m_mode, current);
    if (rewritten == current)
        return;  // 5. The box is left alone, selection and all.
    const int selectionStart = textCursor().selectionStart();
    setBoxText(*this, rewritten);
    QTextCursor caret = textCursor();
    caret.setPosition(std::min(selectionStart, document()->characterCount() - 1));
    setTextCursor(caret);
    // Setting the caret scrolls it into view; the rewritten text shows from its first
    // line all the same, as setBoxText left it.
    verticalScrollBar()->setValue(0);
}

std::string getBoxText(const EditBox& box)
{
    // Blocks are separated by U+2029 in the raw text (toPlainText would also turn
    // no-break spaces into spaces); a line break reads as CR LF.
    QString text = box.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return text.toStdString();
}

void setBoxText(EditBox& box, std::string_view text)
{
    box.setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    box.moveCursor(QTextCursor::Start);
    box.verticalScrollBar()->setValue(0);
}

}  // namespace corvane
