// The notice: how the program tells the user something during normal work.
#pragma once

#include <QString>

#include <optional>

namespace corvane {

// The title of a notice shown without a caption (ends in a full-width colon).
inline constexpr char kNoticeTitle[] = "信息：";

// Shows `text` in a message box without an icon, titled `caption` or else kNoticeTitle,
// with one OK button that is the default, and a title bar with the close box only (a
// window manager's minimize is refused). The box has no owner window and blocks every
// window of the program until the user dismisses it (OK, Esc or its close box); then the
// window that was active before gets the keyboard back. Always returns 0.
int showNotice(const QString& text, const std::optional<QString>& caption = std::nullopt);

}  // namespace corvane
