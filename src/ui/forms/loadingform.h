#pragma once
#include <QDialog>
#include <QImage>
#include <QTimer>

#include <exception>
#include <functional>
#include <vector>

namespace kav {

// The small window that animates while a project loads: a white card with the "load" picture
// at its bottom right and an eight-frame animation on it, advanced every 100 ms.
class TLoadingBarForm : public QDialog {
    Q_OBJECT
public:
    explicit TLoadingBarForm(QWidget* parent = nullptr);

    // Runs `load` on a worker thread and shows the window modally until it is done; the
    // window's own thread keeps the animation going meanwhile. An exception of `load` is thrown
    // again here. Nothing else may touch what `load` works on until this returns: the caller's
    // window does not repaint meanwhile and takes no input. `name` is the caption's %1.
    void Run(const QString& name, const std::function<void()>& load);

    // The window appears only when a load takes longer than this, so quick loads do not flash.
    int ShowDelay = 150;

    int Frame() const { return m_frame; }
    int FramesShown() const { return m_framesShown; }
    // Called on the window's thread each time a frame was drawn (tests watch the animation).
    std::function<void(int frame)> OnFrame;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override {}   // a load cannot be cancelled halfway

private:
    void Tick();
    void BuildBackground();

    QImage m_background;
    std::vector<QImage> m_frames;
    QPoint m_picture;            // where "load" sits
    QTimer m_timer;
    int m_frame = 0;
    int m_framesShown = 0;
};

} // namespace kav
