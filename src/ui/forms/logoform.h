#pragma once
#include <QImage>
#include <QWidget>

namespace kav {

// The splash: the "logo" picture, borderless, in the middle of the screen, until the main
// window shows.
class TLogoForm : public QWidget {
public:
    explicit TLogoForm(QWidget* parent = nullptr);
    // Shows the window and paints it at once.
    void ShowNow();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_logo;
};

} // namespace kav
