#include "notice.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace corvane {

int showNotice(const QString& text, const std::optional<QString>& caption)
{
    QPointer<QWidget> wasActive = QApplication::activeWindow();
    QMessageBox box(QMessageBox::NoIcon, caption.value_or(QString::fromUtf8(kNoticeTitle)),
                    text, QMessageBox::Ok, nullptr);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (wasActive)
        wasActive->activateWindow();
    return 0;  // Whichever way it was dismissed.
}

}  // namespace corvane
