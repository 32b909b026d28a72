// The window on a high-density screen: run with QT_SCALE_FACTOR set (CTest runs it at 1.25,
// 1.5 and 2). The controls keep their places in device-independent pixels, so on the screen
// they grow in proportion; every caption and result must still be drawn whole inside its
// control. A picture of the window at the factor is left in the working folder as
// scale_FACTOR.png.
#include "edit_box.h"
#include "main_window.h"

#include <QAbstractTextDocumentLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

using corvane::EditBox;
using corvane::MainWindow;

namespace {

// The columns and rows of `image` that hold ink: pixels that differ from its top left one.
QRect inkBounds(const QImage& image)
{
    const QRgb background = image.pixel(0, 0);
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

// Where a label's text would be drawn with no clipping, in device pixels of a surface twice
// the label's width: the label's own painting into a wider copy of it.
QRect unclippedInk(const QLabel& label, qreal ratio)
{
    QLabel wide(label.text());
    wide.setFont(label.font());
    wide.setAlignment(label.alignment());
    wide.setPalette(label.palette());
    wide.setAutoFillBackground(true);
    wide.resize(label.width() * 2, label.height());
    QImage image(wide.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    wide.render(&image);
    return inkBounds(image);
}

}  // namespace

class ScaleTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_factor = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
        m_window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window));
        m_window.findChild<QPushButton*>(QStringLiteral("按钮1"))->click();  // results in
    }

    void windowIsScaledByTheFactor()
    {
        QCOMPARE(m_window.devicePixelRatio(), m_factor);
        // Device-independent geometry does not change; the picture does.
        QVERIFY(m_window.width() >= MainWindow::kControlsArea.width());
        QVERIFY(m_window.height() >= MainWindow::kControlsArea.height());
        const QPixmap picture = m_window.grab();
        QCOMPARE(picture.size(), (QSizeF(m_window.size()) * m_factor).toSize());
        QVERIFY(picture.save(QStringLiteral("scale_%1.png").arg(m_factor)));
    }

    void controlsKeepTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        const struct {
            const char* name;
            QRect rect;
        } rows[] = {
            {"标签10", {128, 0, 192, 40}},  {"标签1", {16, 64, 96, 24}},
            {"编辑框1", {128, 64, 64, 24}}, {"标签7", {208, 64, 64, 24}},
            {"编辑框5", {312, 64, 72, 24}}, {"标签3", {16, 104, 96, 24}},
            {"编辑框2", {128, 104, 64, 24}}, {"标签6", {208, 104, 96, 24}},
            {"编辑框6", {312, 104, 72, 24}}, {"标签2", {16, 144, 96, 24}},
            {"编辑框3", {128, 144, 64, 24}}, {"标签5", {208, 144, 88, 24}},
            {"编辑框7", {312, 144, 72, 24}}, {"标签4", {16, 184, 88, 24}},
            {"编辑框4", {128, 184, 64, 24}}, {"编辑框8", {208, 184, 184, 24}},
            {"按钮1", {152, 232, 88, 40}},
        };
        for (const auto& row : rows)
            QTest::newRow(row.name) << QString::fromUtf8(row.name) << row.rect;
    }

    void controlsKeepTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        auto* control = m_window.findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        // On the screen: the same rectangle times the factor.
        QCOMPARE(control->devicePixelRatio(), m_factor);
        QCOMPARE(control->grab().size(), (QSizeF(rect.size()) * m_factor).toSize());
    }

    // Each caption and the title, painted by the label itself into a surface twice its width
    // at the factor: the ink stays inside the label's own rectangle, so nothing is cut off.
    void captionsFit()
    {
        for (const char* name : {"标签10", "标签1", "标签7", "标签3", "标签6", "标签2", "标签5", "标签4"}) {
            auto* label = m_window.findChild<QLabel*>(QString::fromUtf8(name));
            QVERIFY(label);
            const QRect ink = unclippedInk(*label, m_factor);
            QVERIFY2(!ink.isEmpty(), name);
            const QSize device = (QSizeF(label->size()) * m_factor).toSize();
            QVERIFY2(ink.right() < device.width() && ink.bottom() < device.height() && ink.top() >= 0,
                     qPrintable(QStringLiteral("%1 \"%2\": ink %3,%4 to %5,%6 in %7x%8")
                                    .arg(QString::fromUtf8(name), label->text())
                                    .arg(ink.left()).arg(ink.top()).arg(ink.right()).arg(ink.bottom())
                                    .arg(device.width()).arg(device.height())));
        }
    }

    // The results of the defaults stay on one line that fits the box's width and height.
    void resultsFit()
    {
        for (const char* name : {"编辑框5", "编辑框6", "编辑框7", "编辑框1", "编辑框2", "编辑框3", "编辑框4"}) {
            auto* box = m_window.findChild<EditBox*>(QString::fromUtf8(name));
            QVERIFY(box);
            const QTextBlock block = box->document()->firstBlock();
            QVERIFY2(!block.text().isEmpty(), name);
            QTextLayout* layout = block.layout();
            QCOMPARE(layout->lineCount(), 1);
            const QRectF line = box->document()->documentLayout()->blockBoundingRect(block);
            const QTextLine first = layout->lineAt(0);
            QVERIFY2(first.naturalTextWidth() <= box->viewport()->width(),
                     qPrintable(QStringLiteral("%1: %2 wide in %3").arg(QString::fromUtf8(name))
                                    .arg(first.naturalTextWidth()).arg(box->viewport()->width())));
            QVERIFY2(line.height() <= box->viewport()->height(),
                     qPrintable(QStringLiteral("%1: %2 high in %3").arg(QString::fromUtf8(name))
                                    .arg(line.height()).arg(box->viewport()->height())));
        }
    }

    void buttonTextFits()
    {
        auto* button = m_window.findChild<QPushButton*>(QStringLiteral("按钮1"));
        const QFontMetrics metrics(button->font());
        QVERIFY(metrics.horizontalAdvance(button->text()) < button->width() - 8);
        QVERIFY(metrics.height() < button->height() - 8);
    }

private:
    MainWindow m_window;
    qreal m_factor = 1.0;
};

QTEST_MAIN(ScaleTest)
#include "ui_scale_test.moc"
