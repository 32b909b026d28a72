// What a screen reader gets from the window through QAccessible: each visible box named by
// its caption and related to it, the button, readable labels and results, and the notice
// as an alert whose text can be read.
#include "edit_box.h"
#include "main_window.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using corvane::MainWindow;

namespace {

QAccessibleInterface* accessibleOf(QWidget& window, const char* name)
{
    auto* widget = window.findChild<QWidget*>(QString::fromUtf8(name));
    return widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void boxesAreNamedByTheirCaptions_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("editable");
        const struct {
            const char* box;
            const char* caption;
            const char* name;
            bool editable;
        } rows[] = {
            {"编辑框1", "标签1", "年缴费金额（元）", true},
            {"编辑框2", "标签3", "需缴费年限（年）", true},
            {"编辑框3", "标签2", "月返还金额（元）", true},
            {"编辑框4", "标签4", "存款年利率（%）", true},
            {"编辑框5", "标签7", "回本时间", false},
            {"编辑框6", "标签6", "共领取金额（元）", false},
            {"编辑框7", "标签5", "剩余金额（元）", false},
        };
        for (const auto& row : rows) {
            QTest::newRow(row.box) << QString::fromUtf8(row.box) << QString::fromUtf8(row.caption)
                                   << QString::fromUtf8(row.name) << row.editable;
        }
    }

    void boxesAreNamedByTheirCaptions()
    {
        QFETCH(QString, box);
        QFETCH(QString, caption);
        QFETCH(QString, name);
        QFETCH(bool, editable);
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QAccessibleInterface* boxInterface = accessibleOf(window, box.toUtf8().constData());
        QVERIFY(boxInterface);
        QCOMPARE(boxInterface->role(), QAccessible::EditableText);
        QCOMPARE(boxInterface->text(QAccessible::Name), name);
        QCOMPARE(bool(boxInterface->state().readOnly), !editable);
        QVERIFY(!boxInterface->state().invisible);

        // The caption is what labels the box, and shows the text the reader speaks, with
        // no mnemonic marker in it.
        auto* label = window.findChild<QLabel*>(caption);
        QVERIFY(label);
        QCOMPARE(label->text(), name);
        QCOMPARE(label->buddy(), window.findChild<QWidget*>(box));
        QAccessibleInterface* captionInterface = QAccessible::queryAccessibleInterface(label);
        QCOMPARE(captionInterface->role(), QAccessible::StaticText);
        QCOMPARE(captionInterface->text(QAccessible::Name), name);
        const auto labelledBy = boxInterface->relations(QAccessible::Label);
        QCOMPARE(labelledBy.size(), 1);
        QCOMPARE(labelledBy.first().first->object(), label);
    }

    void buttonTitleAndResultsAreReadable()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAccessibleInterface* button = accessibleOf(window, "按钮1");
        QCOMPARE(button->role(), QAccessible::Button);
        QCOMPARE(button->text(QAccessible::Name), QString::fromUtf8("开始计算"));
        QVERIFY(button->actionInterface() &&
                button->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        QCOMPARE(accessibleOf(window, "标签10")->text(QAccessible::Name),
                 QString::fromUtf8("Corvane养老险计算器"));
        // The title bar stays empty, but a reader names the window after the program.
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->text(QAccessible::Name),
                 QString::fromUtf8("Corvane养老险计算器"));
        // The hidden check-equation box is not shown to the reader either.
        QVERIFY(accessibleOf(window, "编辑框8")->state().invisible);

        // A result box reads out its result after a calculation.
        window.findChild<QPushButton*>(QStringLiteral("按钮1"))->click();
        QAccessibleInterface* time = accessibleOf(window, "编辑框5");
        QCOMPARE(time->text(QAccessible::Value), QString::fromUtf8("62年11月"));
        QVERIFY(time->textInterface());
        QCOMPARE(time->textInterface()->text(0, time->textInterface()->characterCount()),
                 QString::fromUtf8("62年11月"));
    }

    void noticeIsAnnouncedAsAnAlert()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // No payout: the deposit lasts a hundred years and the notice is due.
        auto* payout = window.findChild<QWidget*>(QString::fromUtf8("编辑框3"));
        corvane::setBoxText(*qobject_cast<corvane::EditBox*>(payout), "0");

        QAccessible::Role role = QAccessible::NoRole;
        QString spoken;
        bool keyboardInside = false;
        QTimer poll;
        poll.setInterval(10);
        QElapsedTimer sinceShown;
        connect(&poll, &QTimer::timeout, [&] {
            auto* notice = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!notice || !notice->isVisible())
                return;
            if (!sinceShown.isValid())
                sinceShown.start();
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(notice);
            role = iface->role();
            spoken = iface->text(QAccessible::Value) + iface->text(QAccessible::Description) +
                     iface->text(QAccessible::Name);
            // A reader speaks an alert when it opens; the keyboard is in it, on OK.
            keyboardInside = notice->isAncestorOf(QApplication::focusWidget());
            // The focus arrives with the notice's activation, which a slow machine (an
            // emulator) delivers a moment after the notice is shown.
            if (!keyboardInside && sinceShown.elapsed() < 5000)
                return;
            poll.stop();
            notice->button(QMessageBox::Ok)->click();
        });
        poll.start();
        window.findChild<QPushButton*>(QStringLiteral("按钮1"))->click();

        QCOMPARE(role, QAccessible::AlertMessage);
        QVERIFY2(spoken.contains(QString::fromUtf8("100年也不能回本，歇歇吧！")), qPrintable(spoken));
        QVERIFY(keyboardInside);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "ui_accessibility_test.moc"
