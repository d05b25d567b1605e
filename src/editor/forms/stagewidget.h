#pragma once
#include <QImage>
#include <QWidget>

namespace kav {

// The stage on the window: shows the frame the renderer composed, at the stage's size, and
// reports the mouse in stage coordinates. It draws nothing of its own.
class TStageWidget : public QWidget {
    Q_OBJECT
public:
    explicit TStageWidget(QWidget* parent = nullptr);

    // The renderer composes into this image; FrameReady shows it.
    QImage& Frame() { return m_frame; }
    const QImage& Frame() const { return m_frame; }
    // Takes the frame's size and repaints.
    void FrameReady();

    QSize sizeHint() const override { return m_frame.size(); }

signals:
    void MouseMoved(QPoint at);
    void MousePressed(QPoint at, Qt::MouseButton button);
    void MouseReleased(QPoint at, Qt::MouseButton button);
    void MouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage m_frame;
};

} // namespace kav
