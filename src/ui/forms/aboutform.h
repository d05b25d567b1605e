#pragma once
#include "ui/forms/stdpeltoform.h"

#include <QImage>
#include <QStringList>
#include <QTimer>

#include <array>
#include <random>

class QLabel;

namespace kav {

// The animation of the About box: points flying out from the centre and the credits scrolling
// up over them. Kept apart from the window so it can be stepped without one.
class TAboutAnimation {
public:
    static constexpr int kWidth = 265;
    static constexpr int kHeight = 233;
    static constexpr int kPoints = 100;
    static constexpr int kLineHeight = 15;
    static constexpr int kScrollWait = 40;   // ticks before the credits start moving

    explicit TAboutAnimation(unsigned seed = std::random_device{}());

    // Credit lines; a line starting with '!' is a heading (drawn bold and grey, without the '!').
    void SetCredits(const QStringList& lines) { m_credits = lines; }
    const QStringList& Credits() const { return m_credits; }

    // One tick: every point moves; points that left the picture start again near the centre.
    void Step();
    void Draw(QPainter& p) const;
    int Scroll() const { return m_ticks > kScrollWait ? m_ticks - kScrollWait : 0; }
    int Ticks() const { return m_ticks; }

    struct Point {
        int x = 0, y = 0, dx = 0, dy = 0;
        QColor colour;
    };
    const std::array<Point, kPoints>& Points() const { return m_points; }

private:
    void Respawn(Point& point);

    std::mt19937 m_random;
    std::array<Point, kPoints> m_points;
    QStringList m_credits;
    int m_ticks = 0;
};

// Reads "credorvel.txt": one credit a line, blank lines kept as gaps.
QStringList LoadCredits(const QString& fileName);

// The About box: the logos, the version and the animation; Close is the only button.
class TAboutForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;   // the version
    QWidget* AnimBox = nullptr;
    TAboutAnimation Animation;
    QTimer Timer;

protected:
    bool BeforeBuildBackground(QPainter& painter) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void ApplyStrings() override {}

private:
    void Tick();
};

} // namespace kav
