#pragma once
#include <QImage>
#include <QWidget>

#include <functional>

class QPainter;

namespace kav {

class TStageEditor;


// The stage on the window: shows the frame the renderer composed, at the stage's size, and
// reports the mouse in stage coordinates. Keys go to the stage editor when one is set; the
// cursor tells what a drag from the point under it would do.
class TStageWidget : public QWidget {
    Q_OBJECT
public:
    explicit TStageWidget(QWidget* parent = nullptr);

    // The renderer composes into this image; FrameReady shows it.
    QImage& Frame() { return m_frame; }
    const QImage& Frame() const { return m_frame; }
    // Takes the frame's size and repaints.
    void FrameReady();
    void SetEditor(TStageEditor* editor) { m_editor = editor; }
    // Drawn over the frame in stage coordinates at the screen's own resolution: the selected
    // item's outline, path, handles and event bar, the path editor. Crisp at any scale.
    std::function<void(QPainter&)> PaintOverlay;
    // The cursor for what lies under the stage point (while not playing).
    void UpdateCursor(QPoint at);

    QSize sizeHint() const override { return m_frame.size(); }

signals:
    void MouseMoved(QPoint at, Qt::MouseButtons buttons);
    void MousePressed(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods);
    void MouseReleased(QPoint at, Qt::MouseButton button);
    void DoubleClicked(QPoint at);
    void MouseLeft();
    // A key the stage editor used (the window scrolls to the selection, refreshes its boxes).
    void KeyUsed(int key);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage m_frame;
    TStageEditor* m_editor = nullptr;
};

} // namespace kav
