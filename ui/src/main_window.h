// MainWindow: the program's one window. It creates the seventeen controls with their
// texts, places itself, moves the keyboard focus between the controls, and on a click
// of 按钮1 moves the four input texts through the calculation into the output boxes.
#pragma once

#include <QIcon>
#include <QPoint>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <array>
#include <vector>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace corvane {

class EditBox;

// The program's icon, in all the sizes it is drawn in.
QIcon programIcon();

class MainWindow : public QWidget {
    Q_OBJECT

public:
    // The outer size, frame and title bar included.
    static constexpr QSize kOuterSize{407, 314};
    // The part of the client area that the controls occupy, from its top left corner.
    static constexpr QSize kControlsArea{392, 272};

    explicit MainWindow(QWidget* parent = nullptr);

    // The top left corner of the frame that centres the outer size on the whole primary
    // screen (halves cut toward zero).
    static QPoint centredFramePosition();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void handleStartClick();
    bool handleWindowKey(const QKeyEvent& key);
    void moveFocus(bool forward);
    std::array<QWidget*, 9> tabCandidates() const;
    std::vector<QWidget*> tabOrder() const;
    void fitOuterSize();
    void restoreOuterSize();
    void placeFrameAt(QPoint framePosition);

    // The client area that gives the outer size with the window manager's frame, once
    // the frame is known, and where the frame stood at that size the last time.
    QSize m_clientSize;
    QPoint m_framePosition;
    // Runs restoreOuterSize once the window manager has stopped resizing the window.
    QTimer m_sizeRefused;

    QLabel* 标签10;
    QLabel* 标签1;
    EditBox* 编辑框1;
    QLabel* 标签7;
    EditBox* 编辑框5;
    QLabel* 标签3;
    EditBox* 编辑框2;
    QLabel* 标签6;
    EditBox* 编辑框6;
    QLabel* 标签2;
    EditBox* 编辑框3;
    QLabel* 标签5;
    EditBox* 编辑框7;
    QLabel* 标签4;
    EditBox* 编辑框4;
    EditBox* 编辑框8;
    QPushButton* 按钮1;
};

}  // namespace corvane
