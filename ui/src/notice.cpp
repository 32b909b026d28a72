#include "notice.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace corvane {

namespace {

// A title bar with the close box only. Window managers that offer a minimize button on
// every dialog all the same (openbox does) find the box refusing it: minimized, the
// notice would leave the program blocked with nothing on the screen to click.
constexpr Qt::WindowFlags kNoticeFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                         Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

class NoticeBox : public QMessageBox {
public:
    NoticeBox(const QString& title, const QString& text)
        : QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, nullptr, kNoticeFlags)
    {
    }

protected:
    void changeEvent(QEvent* event) override
    {
        QMessageBox::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange && isMinimized()) {
            // Shown again once the window manager is done minimizing.
            QTimer::singleShot(0, this, [this] {
                showNormal();
                raise();
                activateWindow();
            });
        }
    }
};

}  // namespace

int showNotice(const QString& text, const std::optional<QString>& caption)
{
    QPointer<QWidget> wasActive = QApplication::activeWindow();
    NoticeBox box(caption.value_or(QString::fromUtf8(kNoticeTitle)), text);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (wasActive)
        wasActive->activateWindow();
    return 0;  // Whichever way it was dismissed.
}

}  // namespace corvane
