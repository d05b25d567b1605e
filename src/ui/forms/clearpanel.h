#pragma once
#include <QWidget>

#include <cstdint>
#include <functional>

namespace kav {

// A panel that never erases its background: what it holds (or its OnPaint) covers all of it,
// so repainting it never flashes the window colour.
class TClearPanel : public QWidget {
    Q_OBJECT
public:
    explicit TClearPanel(QWidget* parent = nullptr);
    uint32_t Color = 0x00FFFFFF;   // designed colour value, for what draws on the panel
    std::function<void(QPainter&)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A paint box that never erases its background; its owner paints it through OnPaint. It carries
// a help number for the info bar.
class TClearPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TClearPaintBox(QWidget* parent = nullptr);
    int HelpContext() const;
    void SetHelpContext(int number);
    std::function<void(QPainter&)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kav
