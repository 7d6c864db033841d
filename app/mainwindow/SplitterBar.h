#pragma once
// The splitter between the tree and the value box (picSepar): a plain bar
// with the west-east sizing cursor that reports its mouse events (button,
// shift bits, position within the bar in twips); the window moves it.
#include <QWidget>
#include <functional>

class SplitterBar : public QWidget {
public:
    explicit SplitterBar(QWidget* parent = nullptr);

    std::function<void(int button, int shift, float x, float y)> onMouseDown;
    std::function<void(int button, int shift, float x, float y)> onMouseMove;
    std::function<void(int button, int shift, float x, float y)> onMouseUp;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
};
