// EditBox: the window's multi-line, wrapping, one-line-high text box, in one of three
// input modes. It applies the typed-character filter and the rewrite on leaving (both
// in input_rules.h) and takes Enter as a line break in the input modes.
#pragma once

#include "input_rules.h"

#include <QPlainTextEdit>

#include <string>
#include <string_view>

namespace corvane {

class EditBox : public QPlainTextEdit {
    Q_OBJECT

public:
    EditBox(InputMode mode, QWidget* parent = nullptr);

    InputMode inputMode() const { return m_mode; }
    bool isInputBox() const { return m_mode != InputMode::readOnly; }

protected:
    // Pastes, middle-click pastes of the X11 selection and drops all end here.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void rewriteOnLeaving();

    InputMode m_mode;
};

// The text the box holds, in UTF-8, line breaks as "\r\n"; empty for an empty box.
std::string getBoxText(const EditBox& box);

// Replaces the whole text of the box (read-only and hidden boxes too) and shows it from
// its first line, caret at the start. The text is stored as given: no filter, no rewrite.
void setBoxText(EditBox& box, std::string_view text);

}  // namespace corvane
