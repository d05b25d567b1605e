#include "deflibart.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QRadialGradient>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace deflib {

namespace {
const Palette kPalettes[] = {
    {QColor(226, 54, 54), QColor(150, 24, 30), QColor(255, 150, 140)},    // red
    {QColor(40, 110, 220), QColor(20, 56, 140), QColor(140, 190, 255)},   // blue
    {QColor(20, 160, 140), QColor(8, 96, 84), QColor(130, 225, 205)},     // teal
    {QColor(245, 180, 20), QColor(176, 110, 0), QColor(255, 232, 140)},   // gold
    {QColor(70, 170, 60), QColor(30, 105, 30), QColor(170, 230, 140)},    // green
    {QColor(140, 70, 200), QColor(80, 30, 130), QColor(210, 170, 250)},   // purple
    {QColor(250, 130, 30), QColor(180, 70, 0), QColor(255, 200, 130)},    // orange
    {QColor(240, 90, 160), QColor(170, 30, 100), QColor(255, 180, 215)},  // pink
    {QColor(180, 186, 196), QColor(105, 110, 122), QColor(245, 247, 250)},  // silver
    {QColor(200, 120, 60), QColor(120, 64, 24), QColor(240, 185, 130)},   // bronze
    {QColor(250, 215, 180), QColor(205, 150, 110), QColor(255, 236, 215)},  // skin tones
    {QColor(230, 180, 135), QColor(170, 115, 75), QColor(248, 215, 180)},
    {QColor(190, 130, 85), QColor(125, 78, 45), QColor(225, 175, 130)},
    {QColor(125, 80, 50), QColor(75, 45, 25), QColor(170, 120, 85)},
};

QFont boldFont(int pixels)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(std::max(6, pixels));
    return f;
}

struct Painter : QPainter {
    explicit Painter(QImage* img) : QPainter(img)
    {
        setRenderHint(QPainter::Antialiasing);
        setRenderHint(QPainter::TextAntialiasing);
    }
};

double lineWidth(double s, double div, double least = 1.0) { return std::max(least, s / div); }
} // namespace

const Palette& colour(Colour c) { return kPalettes[c]; }

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QPainterPath starPath(QPointF c, double outer, double inner, int points)
{
    QPainterPath path;
    for (int i = 0; i < points * 2; ++i) {
        const double a = -M_PI / 2 + i * M_PI / points;
        const double r = (i % 2) ? inner : outer;
        const QPointF p(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

void shaded(QPainter& p, const QPainterPath& path, const Palette& pal, double size)
{
    // The light falls from above whatever the shape's place in the picture.
    const QRectF box = path.boundingRect();
    QLinearGradient g(0, box.top(), 0, box.bottom());
    g.setColorAt(0, pal.light);
    g.setColorAt(0.45, pal.main);
    g.setColorAt(1, pal.dark);
    p.setBrush(g);
    p.setPen(QPen(pal.dark, lineWidth(size, 28)));
    p.drawPath(path);
}

void place(QPainter& p, const QImage& picture, double x, double y) { p.drawImage(QPointF(x, y), picture); }

// ---- shapes and the first images ---------------------------------------------------------------
QImage star(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    shaded(p, starPath(QPointF(s / 2.0, s / 2.0 + s * 0.04), s * 0.47, s * 0.2), pal, s);
    return img;
}

QImage heart(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QPainterPath path;
    const double w = s;
    path.moveTo(w / 2, w * 0.92);
    path.cubicTo(w * -0.1, w * 0.5, w * 0.15, w * 0.02, w / 2, w * 0.28);
    path.cubicTo(w * 0.85, w * 0.02, w * 1.1, w * 0.5, w / 2, w * 0.92);
    shaded(p, path, pal, s);
    return img;
}

QImage circle(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QRadialGradient g(s * 0.35, s * 0.3, s * 0.7);
    g.setColorAt(0, pal.light);
    g.setColorAt(0.5, pal.main);
    g.setColorAt(1, pal.dark);
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(1, 1, s - 2, s - 2));
    return img;
}

QImage gem(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    const double t = s * 0.2, m = s * 0.38, b = s * 0.92;
    const QPointF l(s * 0.04, m), r(s * 0.96, m), tl(s * 0.26, t), tr(s * 0.74, t), bot(s / 2.0, b);
    QPainterPath outline;
    outline.moveTo(tl);
    outline.lineTo(tr);
    outline.lineTo(r);
    outline.lineTo(bot);
    outline.lineTo(l);
    outline.closeSubpath();
    shaded(p, outline, pal, s);
    // Facets: lighter crown, darker pavilion.
    p.setPen(QPen(pal.dark, lineWidth(s, 40)));
    p.setBrush(pal.light);
    p.drawPolygon(QPolygonF({tl, tr, QPointF(s * 0.62, m), QPointF(s * 0.38, m)}));
    p.setBrush(pal.main);
    p.drawPolygon(QPolygonF({QPointF(s * 0.38, m), QPointF(s * 0.62, m), bot}));
    p.setBrush(Qt::NoBrush);
    p.drawLine(l, r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawPolygon(QPolygonF({QPointF(s * 0.3, t + 2), QPointF(s * 0.4, t + 2), QPointF(s * 0.24, m - 2)}));
    return img;
}

QImage arrow(int s, const Palette& pal)
{
    const int w = s, h = s * 2 / 3;
    QImage img = canvas(w, h);
    Painter p(&img);
    QPainterPath path;
    path.moveTo(1, h * 0.3);
    path.lineTo(w * 0.55, h * 0.3);
    path.lineTo(w * 0.55, 1);
    path.lineTo(w - 1, h / 2.0);
    path.lineTo(w * 0.55, h - 1);
    path.lineTo(w * 0.55, h * 0.7);
    path.lineTo(1, h * 0.7);
    path.closeSubpath();
    shaded(p, path, pal, h);
    return img;
}

QImage chevron(int s, const Palette& pal)
{
    const int w = s, h = s * 2 / 3;
    QImage img = canvas(w, h);
    Painter p(&img);
    for (int i = 0; i < 2; ++i) {
        const double x = 1 + i * w * 0.42;
        QPainterPath path;
        path.moveTo(x, 1);
        path.lineTo(x + w * 0.24, 1);
        path.lineTo(x + w * 0.54, h / 2.0);
        path.lineTo(x + w * 0.24, h - 1);
        path.lineTo(x, h - 1);
        path.lineTo(x + w * 0.3, h / 2.0);
        path.closeSubpath();
        shaded(p, path, pal, h);
    }
    return img;
}

QImage badge(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    shaded(p, starPath(QPointF(s / 2.0, s / 2.0), s * 0.49, s * 0.41, 12), pal, s);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 220), lineWidth(s, 24)));
    p.drawEllipse(QPointF(s / 2.0, s / 2.0), s * 0.3, s * 0.3);
    // A check mark: the badge of approval.
    QPainterPath tick;
    tick.moveTo(s * 0.36, s * 0.52);
    tick.lineTo(s * 0.46, s * 0.62);
    tick.lineTo(s * 0.66, s * 0.4);
    p.setPen(QPen(Qt::white, lineWidth(s, 12, 2), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    return img;
}

QImage button(const QString& text, int h, const Palette& pal)
{
    const QFont f = boldFont(h * 45 / 100);
    const int w = QFontMetrics(f).horizontalAdvance(text) + h * 2;
    QImage img = canvas(w, h);
    Painter p(&img);
    QPainterPath path;
    path.addRoundedRect(QRectF(1, 1, w - 2, h - 2), h / 2.4, h / 2.4);
    shaded(p, path, pal, h);
    // A gloss on the upper half.
    QPainterPath gloss;
    gloss.addRoundedRect(QRectF(h / 4.0, 3, w - h / 2.0, h / 2.4), h / 5.0, h / 5.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawPath(gloss);
    p.setFont(f);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(1, 2, w, h), Qt::AlignCenter, text);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, text);
    return img;
}

QImage saleTag(const QString& text, int h, const Palette& pal)
{
    const QFont f = boldFont(h * 42 / 100);
    const int w = QFontMetrics(f).horizontalAdvance(text) + h * 3 / 2;
    QImage img = canvas(w, h);
    Painter p(&img);
    QPainterPath path;
    path.moveTo(h * 0.45, 1);
    path.lineTo(w - 2, 1);
    path.lineTo(w - 2, h - 1);
    path.lineTo(h * 0.45, h - 1);
    path.lineTo(1, h / 2.0);
    path.closeSubpath();
    path.addEllipse(QPointF(h * 0.45, h / 2.0), h * 0.09, h * 0.09);
    path.setFillRule(Qt::OddEvenFill);
    shaded(p, path, pal, h);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(h * 0.65, 0, w - h * 0.7, h), Qt::AlignCenter, text);
    return img;
}

QImage burst(const QString& text, int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    shaded(p, starPath(QPointF(s / 2.0, s / 2.0), s * 0.49, s * 0.36, 16), pal, s);
    QFont f = boldFont(s * 26 / 100);
    // Longer words get a smaller type so they stay inside the points.
    while (QFontMetrics(f).horizontalAdvance(text) > s * 0.68 && f.pixelSize() > 6)
        f.setPixelSize(f.pixelSize() - 1);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, text);
    return img;
}

namespace {
void drawSun(QPainter& p, QPointF c, double r, double s)
{
    p.setPen(QPen(QColor(255, 170, 0), lineWidth(s, 20, 1.5), Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        p.drawLine(QPointF(c.x() + r * 1.3 * std::cos(a), c.y() + r * 1.3 * std::sin(a)),
                   QPointF(c.x() + r * 1.75 * std::cos(a), c.y() + r * 1.75 * std::sin(a)));
    }
    p.setPen(Qt::NoPen);
    QRadialGradient g(c, r);
    g.setColorAt(0, QColor(255, 240, 120));
    g.setColorAt(1, QColor(255, 190, 0));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
}

void drawCloud(QPainter& p, double s, double top, const QColor& colour)
{
    p.setBrush(colour);
    p.setPen(QPen(colour.darker(125), lineWidth(s, 40)));
    QPainterPath c;
    c.setFillRule(Qt::WindingFill);
    c.addEllipse(QRectF(s * 0.08, top + s * 0.18, s * 0.42, s * 0.32));
    c.addEllipse(QRectF(s * 0.28, top, s * 0.45, s * 0.45));
    c.addEllipse(QRectF(s * 0.52, top + s * 0.14, s * 0.4, s * 0.36));
    p.drawPath(c.simplified());
}
} // namespace

QImage weather(const QString& kind, int s)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    p.setPen(Qt::NoPen);
    if (kind == "sunny") {
        drawSun(p, QPointF(s / 2.0, s / 2.0), s * 0.24, s);
    } else if (kind == "cloudy") {
        drawSun(p, QPointF(s * 0.62, s * 0.35), s * 0.16, s);
        drawCloud(p, s, s * 0.3, QColor(245, 248, 255));
    } else if (kind == "rain" || kind == "snow" || kind == "storm") {
        drawCloud(p, s, s * 0.08, kind == "storm" ? QColor(150, 156, 170) : QColor(225, 232, 245));
        if (kind == "rain") {
            p.setPen(QPen(QColor(50, 120, 230), lineWidth(s, 18, 1.5), Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 4; ++i)
                p.drawLine(QPointF(s * (0.25 + i * 0.16), s * 0.66), QPointF(s * (0.21 + i * 0.16), s * 0.86));
        } else if (kind == "snow") {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(120, 170, 240));
            for (int i = 0; i < 4; ++i)
                p.drawEllipse(QPointF(s * (0.24 + i * 0.17), s * (i % 2 ? 0.8 : 0.7)), s * 0.05, s * 0.05);
        } else {
            QPainterPath bolt;
            bolt.moveTo(s * 0.52, s * 0.55);
            bolt.lineTo(s * 0.38, s * 0.78);
            bolt.lineTo(s * 0.5, s * 0.78);
            bolt.lineTo(s * 0.42, s * 0.98);
            bolt.lineTo(s * 0.66, s * 0.7);
            bolt.lineTo(s * 0.54, s * 0.7);
            bolt.lineTo(s * 0.62, s * 0.55);
            bolt.closeSubpath();
            p.setPen(QPen(QColor(200, 120, 0), 1));
            p.setBrush(QColor(255, 214, 0));
            p.drawPath(bolt);
        }
    } else if (kind == "moon") {
        QPainterPath moon;
        moon.addEllipse(QRectF(s * 0.12, s * 0.1, s * 0.76, s * 0.76));
        QPainterPath bite;
        bite.addEllipse(QRectF(s * 0.36, s * 0.02, s * 0.66, s * 0.66));
        QRadialGradient g(s * 0.3, s * 0.4, s * 0.5);
        g.setColorAt(0, QColor(255, 250, 200));
        g.setColorAt(1, QColor(240, 205, 80));
        p.setBrush(g);
        p.setPen(QPen(QColor(190, 150, 40), lineWidth(s, 40)));
        p.drawPath(moon.subtracted(bite));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 225, 90));
        p.drawPath(starPath(QPointF(s * 0.78, s * 0.72), s * 0.12, s * 0.05));
    } else if (kind == "rainbow") {
        const QColor bands[] = {QColor(230, 50, 50), QColor(250, 150, 30), QColor(250, 220, 40), QColor(70, 180, 70),
                                QColor(50, 120, 230), QColor(130, 70, 200)};
        const double band = s * 0.065;
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 6; ++i) {
            const double r = s * 0.44 - i * band;
            p.setPen(QPen(bands[i], band + 0.6, Qt::SolidLine, Qt::FlatCap));
            p.drawArc(QRectF(s / 2.0 - r, s * 0.72 - r, 2 * r, 2 * r), 0, 180 * 16);
        }
        drawCloud(p, s * 0.45, s * 0.62, QColor(250, 252, 255));
        p.translate(s * 0.55, 0);
        drawCloud(p, s * 0.45, s * 0.62, QColor(250, 252, 255));
    } else if (kind == "umbrella") {
        QPainterPath canopy;
        canopy.moveTo(s * 0.06, s * 0.5);
        canopy.arcTo(QRectF(s * 0.06, s * 0.1, s * 0.88, s * 0.8), 180, -180);
        for (int i = 3; i >= 0; --i)
            canopy.quadTo(QPointF(s * (0.17 + i * 0.22), s * 0.42), QPointF(s * (0.06 + i * 0.22), s * 0.5));
        canopy.closeSubpath();
        shaded(p, canopy, colour(Red), s);
        p.setPen(QPen(QColor(70, 60, 60), lineWidth(s, 16, 1.5), Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(s / 2.0, s * 0.5), QPointF(s / 2.0, s * 0.84));
        p.drawArc(QRectF(s * 0.36, s * 0.76, s * 0.14, s * 0.14), 180 * 16, 180 * 16);
        p.setPen(QPen(QColor(50, 120, 230), lineWidth(s, 20, 1.2), Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(s * (0.12 + i * 0.36), s * 0.62), QPointF(s * (0.1 + i * 0.36), s * 0.72));
    } else if (kind == "snowflake") {
        p.setPen(QPen(QColor(70, 140, 230), lineWidth(s, 14, 1.5), Qt::SolidLine, Qt::RoundCap));
        const QPointF c(s / 2.0, s / 2.0);
        for (int i = 0; i < 6; ++i) {
            const double a = i * M_PI / 3;
            const QPointF d(std::cos(a), std::sin(a)), n(-std::sin(a), std::cos(a));
            p.drawLine(c, c + d * s * 0.44);
            const QPointF k = c + d * s * 0.28;
            p.drawLine(k, k + (d + n) * s * 0.1);
            p.drawLine(k, k + (d - n) * s * 0.1);
        }
    }
    return img;
}

QImage icon(const QString& kind, int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QPainterPath disc;
    disc.addEllipse(QRectF(1, 1, s - 2, s - 2));
    shaded(p, disc, pal, s);
    p.setBrush(Qt::NoBrush);
    // The glyphs are laid out on a 48-pixel disc and scaled to the size.
    p.scale(s / 48.0, s / 48.0);
    p.setPen(QPen(Qt::white, std::max(2.0, s / 11.0) * 48.0 / s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const double a = 48 * 0.28, b = 48 * 0.72, m = 24;
    if (kind == "check") {
        p.drawPolyline(QPolygonF({QPointF(a, 25), QPointF(21.6, 32.6), QPointF(b, 17.3)}));
    } else if (kind == "cross") {
        p.drawLine(QPointF(a + 2, a + 2), QPointF(b - 2, b - 2));
        p.drawLine(QPointF(b - 2, a + 2), QPointF(a + 2, b - 2));
    } else if (kind == "mail") {
        p.drawRect(QRectF(a - 2, 16.3, b - a + 4, 15.4));
        p.drawPolyline(QPolygonF({QPointF(a - 2, 16.3), QPointF(m, 25), QPointF(b + 2, 16.3)}));
    } else if (kind == "cart") {
        p.drawPolyline(QPolygonF({QPointF(a - 3, 14.4), QPointF(a + 2, 14.4), QPointF(a + 6, 28.8), QPointF(b, 28.8),
                                  QPointF(b + 2, 18.2), QPointF(a + 3, 18.2)}));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(a + 8, 33.6), 1.5, 1.5);
        p.drawEllipse(QPointF(b - 3, 33.6), 1.5, 1.5);
    } else if (kind == "home") {
        p.drawPolyline(QPolygonF({QPointF(a - 2, 24), QPointF(m, 13.4), QPointF(b + 2, 24)}));
        p.drawPolyline(QPolygonF({QPointF(a + 3, 22), QPointF(a + 3, 34.6), QPointF(b - 3, 34.6), QPointF(b - 3, 22)}));
    } else if (kind == "info") {
        p.drawLine(QPointF(m, 21.6), QPointF(m, 34.6));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(m, 14.4), 1, 1);
    } else if (kind == "bell") {
        QPainterPath bell;
        bell.moveTo(14, 32);
        bell.cubicTo(17, 29, 15, 14, 24, 13);
        bell.cubicTo(33, 14, 31, 29, 34, 32);
        bell.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(bell);
        p.drawEllipse(QPointF(24, 35), 2, 2);
    } else if (kind == "play") {
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(19, 14), QPointF(34, 24), QPointF(19, 34)}));
    } else if (kind == "search") {
        p.drawEllipse(QPointF(21, 21), 7.5, 7.5);
        p.drawLine(QPointF(26.5, 26.5), QPointF(34, 34));
    } else if (kind == "plus") {
        p.drawLine(QPointF(m, 13), QPointF(m, 35));
        p.drawLine(QPointF(13, m), QPointF(35, m));
    }
    return img;
}

// ---- gifts, awards, money, things --------------------------------------------------------------
QImage gift(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    const Palette& band = colour(&pal == &colour(Gold) ? Red : Gold);
    QPainterPath box, lid;
    box.addRect(QRectF(s * 0.12, s * 0.42, s * 0.76, s * 0.54));
    lid.addRect(QRectF(s * 0.06, s * 0.28, s * 0.88, s * 0.16));
    shaded(p, box, pal, s);
    shaded(p, lid, pal, s);
    p.setPen(Qt::NoPen);
    p.setBrush(band.main);
    p.drawRect(QRectF(s * 0.43, s * 0.28, s * 0.14, s * 0.68));
    // The bow: two loops over the lid.
    p.setPen(QPen(band.dark, lineWidth(s, 32)));
    p.setBrush(band.main);
    QPainterPath bow;
    bow.moveTo(s / 2.0, s * 0.28);
    bow.cubicTo(s * 0.2, s * 0.02, s * 0.12, s * 0.26, s / 2.0, s * 0.28);
    bow.moveTo(s / 2.0, s * 0.28);
    bow.cubicTo(s * 0.8, s * 0.02, s * 0.88, s * 0.26, s / 2.0, s * 0.28);
    p.drawPath(bow);
    return img;
}

QImage trophy(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QPainterPath cup;
    cup.moveTo(s * 0.24, s * 0.08);
    cup.lineTo(s * 0.76, s * 0.08);
    cup.cubicTo(s * 0.76, s * 0.42, s * 0.64, s * 0.56, s * 0.54, s * 0.58);
    cup.lineTo(s * 0.54, s * 0.72);
    cup.lineTo(s * 0.66, s * 0.8);
    cup.lineTo(s * 0.34, s * 0.8);
    cup.lineTo(s * 0.46, s * 0.72);
    cup.lineTo(s * 0.46, s * 0.58);
    cup.cubicTo(s * 0.36, s * 0.56, s * 0.24, s * 0.42, s * 0.24, s * 0.08);
    cup.closeSubpath();
    // Handles first, so the cup covers their ends.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal.dark, lineWidth(s, 14, 2)));
    p.drawArc(QRectF(s * 0.08, s * 0.14, s * 0.24, s * 0.24), 90 * 16, 180 * 16);
    p.drawArc(QRectF(s * 0.68, s * 0.14, s * 0.24, s * 0.24), 90 * 16, -180 * 16);
    shaded(p, cup, pal, s);
    QPainterPath base;
    base.addRoundedRect(QRectF(s * 0.26, s * 0.8, s * 0.48, s * 0.14), s * 0.03, s * 0.03);
    shaded(p, base, colour(Bronze), s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawPath(starPath(QPointF(s / 2.0, s * 0.3), s * 0.11, s * 0.045));
    return img;
}

QImage coin(int s, const Palette& pal, double turn)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    // Seen turning about its upright axis: the face narrows to the rim and widens again.
    const double squeeze = std::max(0.08, std::abs(std::cos(turn * 2 * M_PI)));
    const bool back = std::cos(turn * 2 * M_PI) < 0;
    p.translate(s / 2.0, s / 2.0);
    p.scale(squeeze, 1);
    const double r = s * 0.46;
    QRadialGradient g(-r * 0.3, -r * 0.35, r * 1.4);
    g.setColorAt(0, pal.light);
    g.setColorAt(0.5, pal.main);
    g.setColorAt(1, pal.dark);
    p.setBrush(g);
    p.setPen(QPen(pal.dark, lineWidth(s, 24)));
    p.drawEllipse(QPointF(0, 0), r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal.dark, lineWidth(s, 40)));
    p.drawEllipse(QPointF(0, 0), r * 0.78, r * 0.78);
    if (squeeze > 0.3) {
        p.setFont(boldFont(int(s * 0.5)));
        p.setPen(pal.dark);
        p.drawText(QRectF(-r, -r, 2 * r, 2 * r), Qt::AlignCenter, back ? QStringLiteral("\u2605") : QStringLiteral("$"));
    }
    return img;
}

QImage lightning(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QPainterPath bolt;
    bolt.moveTo(s * 0.62, s * 0.02);
    bolt.lineTo(s * 0.2, s * 0.56);
    bolt.lineTo(s * 0.46, s * 0.56);
    bolt.lineTo(s * 0.34, s * 0.98);
    bolt.lineTo(s * 0.8, s * 0.4);
    bolt.lineTo(s * 0.54, s * 0.4);
    bolt.lineTo(s * 0.72, s * 0.02);
    bolt.closeSubpath();
    shaded(p, bolt, pal, s);
    return img;
}

QImage clockFace(int s, const Palette& pal, double hours)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    const QPointF c(s / 2.0, s / 2.0);
    QPainterPath rim;
    rim.addEllipse(c, s * 0.47, s * 0.47);
    shaded(p, rim, pal, s);
    p.setPen(QPen(pal.dark, lineWidth(s, 48)));
    p.setBrush(QColor(252, 252, 248));
    p.drawEllipse(c, s * 0.38, s * 0.38);
    p.setPen(QPen(QColor(60, 60, 70), lineWidth(s, 32), Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        const double inner = i % 3 ? 0.31 : 0.27;
        p.drawLine(c + QPointF(std::sin(a), -std::cos(a)) * s * inner, c + QPointF(std::sin(a), -std::cos(a)) * s * 0.35);
    }
    const double ha = hours / 12 * 2 * M_PI, ma = (hours - std::floor(hours)) * 2 * M_PI;
    p.setPen(QPen(QColor(40, 40, 50), lineWidth(s, 14, 1.5), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(std::sin(ha), -std::cos(ha)) * s * 0.18);
    p.setPen(QPen(QColor(40, 40, 50), lineWidth(s, 22, 1.2), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(std::sin(ma), -std::cos(ma)) * s * 0.28);
    p.setPen(Qt::NoPen);
    p.setBrush(pal.dark);
    p.drawEllipse(c, s * 0.035, s * 0.035);
    return img;
}

QImage phone(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QPainterPath body;
    body.addRoundedRect(QRectF(s * 0.24, s * 0.03, s * 0.52, s * 0.94), s * 0.08, s * 0.08);
    shaded(p, body, pal, s);
    QLinearGradient glass(0, s * 0.12, s, s * 0.8);
    glass.setColorAt(0, QColor(190, 225, 255));
    glass.setColorAt(1, QColor(60, 110, 180));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawRect(QRectF(s * 0.29, s * 0.12, s * 0.42, s * 0.7));
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawPolygon(QPolygonF({QPointF(s * 0.29, s * 0.12), QPointF(s * 0.52, s * 0.12), QPointF(s * 0.29, s * 0.5)}));
    p.setBrush(pal.light);
    p.drawEllipse(QPointF(s / 2.0, s * 0.895), s * 0.04, s * 0.04);
    return img;
}

QImage pin(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QPainterPath drop;
    drop.moveTo(s / 2.0, s * 0.97);
    drop.cubicTo(s * 0.36, s * 0.72, s * 0.16, s * 0.58, s * 0.16, s * 0.36);
    drop.arcTo(QRectF(s * 0.16, s * 0.02, s * 0.68, s * 0.68), 180, -180);
    drop.cubicTo(s * 0.84, s * 0.58, s * 0.64, s * 0.72, s / 2.0, s * 0.97);
    drop.closeSubpath();
    shaded(p, drop, pal, s);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(s / 2.0, s * 0.36), s * 0.13, s * 0.13);
    return img;
}

QImage bubble(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QPainterPath body;
    body.addRoundedRect(QRectF(s * 0.03, s * 0.06, s * 0.94, s * 0.66), s * 0.2, s * 0.2);
    QPainterPath tail;
    tail.moveTo(s * 0.2, s * 0.6);
    tail.lineTo(s * 0.14, s * 0.94);
    tail.lineTo(s * 0.46, s * 0.64);
    tail.closeSubpath();
    shaded(p, body.united(tail), pal, s);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(s * (0.3 + i * 0.2), s * 0.39), s * 0.065, s * 0.065);
    return img;
}

QImage ribbon(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    // Two tails below a rosette.
    for (int side = -1; side <= 1; side += 2) {
        QPainterPath tail;
        const double x = s / 2.0 + side * s * 0.06;
        tail.moveTo(x, s * 0.5);
        tail.lineTo(x + side * s * 0.26, s * 0.94);
        tail.lineTo(x + side * s * 0.13, s * 0.86);
        tail.lineTo(x + side * s * 0.04, s * 0.98);
        tail.lineTo(x - side * s * 0.1, s * 0.56);
        tail.closeSubpath();
        shaded(p, tail, pal, s);
    }
    shaded(p, starPath(QPointF(s / 2.0, s * 0.36), s * 0.34, s * 0.29, 14), pal, s);
    p.setPen(QPen(pal.light, lineWidth(s, 30)));
    p.setBrush(pal.main);
    p.drawEllipse(QPointF(s / 2.0, s * 0.36), s * 0.2, s * 0.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawPath(starPath(QPointF(s / 2.0, s * 0.37), s * 0.12, s * 0.05));
    return img;
}

QImage thumbsUp(int s, const Palette& skin)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    // A cuff at the left, the fist and the raised thumb.
    QPainterPath cuff;
    cuff.addRoundedRect(QRectF(s * 0.06, s * 0.44, s * 0.2, s * 0.5), s * 0.04, s * 0.04);
    shaded(p, cuff, colour(Blue), s);
    QPainterPath hand;
    hand.moveTo(s * 0.26, s * 0.48);
    hand.lineTo(s * 0.42, s * 0.44);
    hand.cubicTo(s * 0.5, s * 0.34, s * 0.48, s * 0.1, s * 0.58, s * 0.06);
    hand.cubicTo(s * 0.7, s * 0.04, s * 0.7, s * 0.24, s * 0.62, s * 0.38);
    hand.lineTo(s * 0.86, s * 0.4);
    hand.cubicTo(s * 0.96, s * 0.41, s * 0.96, s * 0.52, s * 0.88, s * 0.54);
    hand.cubicTo(s * 0.96, s * 0.58, s * 0.94, s * 0.68, s * 0.86, s * 0.68);
    hand.cubicTo(s * 0.92, s * 0.72, s * 0.9, s * 0.82, s * 0.82, s * 0.82);
    hand.cubicTo(s * 0.86, s * 0.88, s * 0.82, s * 0.94, s * 0.76, s * 0.94);
    hand.lineTo(s * 0.26, s * 0.92);
    hand.closeSubpath();
    shaded(p, hand, skin, s);
    p.setPen(QPen(skin.dark, lineWidth(s, 40)));
    p.drawLine(QPointF(s * 0.62, s * 0.54), QPointF(s * 0.86, s * 0.54));
    p.drawLine(QPointF(s * 0.62, s * 0.68), QPointF(s * 0.84, s * 0.68));
    p.drawLine(QPointF(s * 0.6, s * 0.82), QPointF(s * 0.8, s * 0.82));
    return img;
}

QImage shoppingBag(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal.dark, lineWidth(s, 14, 2)));
    p.drawArc(QRectF(s * 0.32, s * 0.06, s * 0.36, s * 0.4), 0, 180 * 16);
    QPainterPath bag;
    bag.moveTo(s * 0.16, s * 0.3);
    bag.lineTo(s * 0.84, s * 0.3);
    bag.lineTo(s * 0.92, s * 0.96);
    bag.lineTo(s * 0.08, s * 0.96);
    bag.closeSubpath();
    shaded(p, bag, pal, s);
    p.setPen(QPen(pal.dark, lineWidth(s, 14, 2), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.32, s * 0.26), QPointF(s * 0.32, s * 0.4));
    p.drawLine(QPointF(s * 0.68, s * 0.26), QPointF(s * 0.68, s * 0.4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawPath(starPath(QPointF(s / 2.0, s * 0.64), s * 0.14, s * 0.06));
    return img;
}

QImage face(const QString& mood, int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QRadialGradient g(s * 0.38, s * 0.32, s * 0.7);
    g.setColorAt(0, pal.light);
    g.setColorAt(0.55, pal.main);
    g.setColorAt(1, pal.dark);
    p.setBrush(g);
    p.setPen(QPen(pal.dark, lineWidth(s, 28)));
    p.drawEllipse(QRectF(1, 1, s - 2, s - 2));
    const QColor ink(60, 35, 20);
    const QPen line(ink, lineWidth(s, 16, 1.5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const double ey = s * 0.38, ex = s * 0.16, er = s * 0.06;
    if (mood == "cool") {
        // Sunglasses: two dark lenses on a bridge.
        p.setBrush(QColor(25, 25, 35));
        p.drawRoundedRect(QRectF(s * 0.18, s * 0.3, s * 0.27, s * 0.16), s * 0.05, s * 0.05);
        p.drawRoundedRect(QRectF(s * 0.55, s * 0.3, s * 0.27, s * 0.16), s * 0.05, s * 0.05);
        p.setPen(QPen(QColor(25, 25, 35), lineWidth(s, 20)));
        p.drawLine(QPointF(s * 0.06, s * 0.34), QPointF(s * 0.94, s * 0.34));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 150));
        p.drawEllipse(QPointF(s * 0.25, s * 0.35), s * 0.025, s * 0.025);
        p.drawEllipse(QPointF(s * 0.62, s * 0.35), s * 0.025, s * 0.025);
    } else {
        p.drawEllipse(QPointF(s / 2.0 - ex, ey), er * 0.8, mood == "surprised" ? er * 1.3 : er * 1.15);
        if (mood == "wink") {
            p.setPen(line);
            p.drawLine(QPointF(s / 2.0 + ex - er * 1.2, ey + er * 0.3), QPointF(s / 2.0 + ex + er * 1.2, ey - er * 0.2));
            p.setPen(Qt::NoPen);
        } else {
            p.drawEllipse(QPointF(s / 2.0 + ex, ey), er * 0.8, mood == "surprised" ? er * 1.3 : er * 1.15);
        }
    }
    p.setPen(line);
    p.setBrush(Qt::NoBrush);
    if (mood == "surprised") {
        p.setBrush(ink);
        p.drawEllipse(QPointF(s / 2.0, s * 0.7), s * 0.08, s * 0.11);
    } else {
        p.drawArc(QRectF(s * 0.26, s * 0.36, s * 0.48, s * 0.38), 200 * 16, 140 * 16);
    }
    // Rosy cheeks on the smiling faces.
    if (mood == "smile" || mood == "wink") {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 110, 110, 110));
        p.drawEllipse(QPointF(s * 0.22, s * 0.58), s * 0.07, s * 0.045);
        p.drawEllipse(QPointF(s * 0.78, s * 0.58), s * 0.07, s * 0.045);
    }
    return img;
}

QImage figure(int s, const Palette& shirt, int pose)
{
    // A round-headed person in a shirt and trousers. Pose 0 waves; walking poses 1..8 swing
    // the legs and arms through one stride.
    QImage img = canvas(s, s);
    Painter p(&img);
    const Palette& skin = colour(Skin2);
    const QColor trousers(50, 60, 90);
    const double u = s / 48.0;
    p.scale(u, u);
    const double swing = pose == 0 ? 0 : std::sin((pose - 1) * M_PI / 4) * 0.5;
    const double bob = pose == 0 ? 0 : std::abs(std::sin((pose - 1) * M_PI / 4)) * -1.0;
    p.translate(0, -bob);
    auto limb = [&](QPointF from, double angle, double length, const QColor& c, double width) {
        p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
        const QPointF to = from + QPointF(std::sin(angle), std::cos(angle)) * length;
        p.drawLine(from, to);
        return to;
    };
    // Legs.
    limb(QPointF(22, 30), swing, 15, trousers, 5);
    limb(QPointF(26, 30), -swing, 15, trousers.lighter(120), 5);
    // Back arm.
    if (pose != 0)
        limb(QPointF(24, 19), swing * 1.2, 11, shirt.dark, 4);
    // Body.
    QPainterPath body;
    body.addRoundedRect(QRectF(18, 16, 12, 16), 4, 4);
    shaded(p, body, shirt, 16);
    // Front arm: raised and waving, or swinging.
    if (pose == 0) {
        // Angles from straight down, turning towards the figure's left (the picture's right).
        const QPointF elbow = limb(QPointF(29, 19), 2.0, 7, shirt.main, 4);
        const QPointF wrist = limb(elbow, 2.75, 6, shirt.main, 4);
        p.setPen(QPen(skin.dark, 0.8));
        p.setBrush(skin.main);
        p.drawEllipse(wrist + QPointF(0.4, -1.2), 2.6, 2.6);
        const QPointF hand = limb(QPointF(19, 19), -0.3, 10, shirt.main, 4);
        p.setPen(QPen(skin.dark, 0.8));
        p.setBrush(skin.main);
        p.drawEllipse(hand + QPointF(-0.4, 1.4), 2.2, 2.2);
    } else {
        limb(QPointF(24, 19), -swing * 1.2, 11, shirt.main, 4);
    }
    // Head.
    QRadialGradient g(22, 8, 9);
    g.setColorAt(0, skin.light);
    g.setColorAt(1, skin.main);
    p.setBrush(g);
    p.setPen(QPen(skin.dark, 1));
    p.drawEllipse(QPointF(24, 9.5), 7, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 55, 30));
    QPainterPath hair;
    hair.moveTo(17, 9);
    hair.cubicTo(17, 1, 31, 1, 31, 9);
    hair.cubicTo(28, 5, 21, 5, 17, 9);
    p.drawPath(hair);
    p.setBrush(QColor(40, 30, 25));
    p.drawEllipse(QPointF(26.5, 10), 0.9, 1.1);
    if (pose == 0)
        p.drawEllipse(QPointF(21.5, 10), 0.9, 1.1);
    p.setPen(QPen(QColor(40, 30, 25), 0.9, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(pose == 0 ? 21 : 24, 10.5, 5, 3.5), 200 * 16, 140 * 16);
    return img;
}

QImage firework(int s, const Palette& pal, double burst)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    const QPointF c(s / 2.0, s / 2.0);
    const double r = s * 0.46 * burst;
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8;
        const QPointF d(std::cos(a), std::sin(a));
        const bool alt = i % 2;
        p.setPen(QPen(alt ? pal.light : pal.main, lineWidth(s, 22, 1.2), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + d * r * 0.3, c + d * r * (alt ? 0.75 : 0.92));
        p.setPen(Qt::NoPen);
        p.setBrush(alt ? pal.main : colour(Gold).light);
        p.drawEllipse(c + d * r * (alt ? 0.86 : 1.0), s * 0.03, s * 0.03);
    }
    p.setBrush(colour(Gold).light);
    p.drawPath(starPath(c, s * 0.12 * std::max(0.5, burst), s * 0.05 * std::max(0.5, burst), 4));
    return img;
}

QImage balloon(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    p.setPen(QPen(QColor(110, 110, 120), lineWidth(s, 48)));
    p.setBrush(Qt::NoBrush);
    QPainterPath string;
    string.moveTo(s / 2.0, s * 0.72);
    string.cubicTo(s * 0.4, s * 0.82, s * 0.6, s * 0.88, s * 0.48, s * 0.99);
    p.drawPath(string);
    QPainterPath knot;
    knot.moveTo(s * 0.46, s * 0.75);
    knot.lineTo(s * 0.54, s * 0.75);
    knot.lineTo(s / 2.0, s * 0.69);
    knot.closeSubpath();
    shaded(p, knot, pal, s);
    QRadialGradient g(s * 0.38, s * 0.26, s * 0.5);
    g.setColorAt(0, pal.light);
    g.setColorAt(0.5, pal.main);
    g.setColorAt(1, pal.dark);
    p.setBrush(g);
    p.setPen(QPen(pal.dark, lineWidth(s, 32)));
    p.drawEllipse(QRectF(s * 0.2, s * 0.02, s * 0.6, s * 0.7));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QRectF(s * 0.3, s * 0.12, s * 0.1, s * 0.16));
    return img;
}

QImage crown(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    Painter p(&img);
    QPainterPath c;
    c.moveTo(s * 0.08, s * 0.8);
    c.lineTo(s * 0.04, s * 0.3);
    c.lineTo(s * 0.3, s * 0.52);
    c.lineTo(s * 0.5, s * 0.16);
    c.lineTo(s * 0.7, s * 0.52);
    c.lineTo(s * 0.96, s * 0.3);
    c.lineTo(s * 0.92, s * 0.8);
    c.closeSubpath();
    shaded(p, c, pal, s);
    QPainterPath band;
    band.addRect(QRectF(s * 0.08, s * 0.76, s * 0.84, s * 0.14));
    shaded(p, band, pal, s);
    p.setPen(Qt::NoPen);
    const QColor jewels[] = {colour(Red).main, colour(Blue).main, colour(Green).main};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(jewels[i]);
        p.drawEllipse(QPointF(s * (0.28 + i * 0.22), s * 0.83), s * 0.045, s * 0.045);
    }
    p.setBrush(pal.light);
    for (double x : {0.04, 0.5, 0.96})
        p.drawEllipse(QPointF(s * x, x == 0.5 ? s * 0.14 : s * 0.28), s * 0.05, s * 0.05);
    return img;
}

// ---- backgrounds -------------------------------------------------------------------------------
namespace {
// A fixed sequence of numbers in [0, 1), the same on every build.
struct Sequence {
    quint32 state;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1 << 24);
    }
};
} // namespace

QImage gradient(QColor top, QColor bottom, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(img.rect(), g);
    return img;
}

QImage pattern(const QString& kind, QColor a, QColor b, int tile)
{
    QImage img(tile, tile, QImage::Format_RGB32);
    img.fill(a);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(tile / 32.0, tile / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(b);
    if (kind == "stripes") {
        for (int i = -32; i < 64; i += 16)
            p.drawPolygon(QPolygonF({QPointF(i, 32), QPointF(i + 8, 32), QPointF(i + 40, 0), QPointF(i + 32, 0)}));
    } else if (kind == "dots") {
        p.drawEllipse(QPointF(8, 8), 4, 4);
        p.drawEllipse(QPointF(24, 24), 4, 4);
    } else if (kind == "checks") {
        p.drawRect(0, 0, 16, 16);
        p.drawRect(16, 16, 16, 16);
    } else if (kind == "diamonds") {
        p.drawPolygon(QPolygonF({QPointF(16, 2), QPointF(30, 16), QPointF(16, 30), QPointF(2, 16)}));
    } else if (kind == "grid") {
        p.setPen(QPen(b.darker(115), 2));
        p.drawLine(0, 0, 31, 0);
        p.drawLine(0, 0, 0, 31);
    }
    return img;
}

QImage bokeh(int w, int h, const Palette& pal)
{
    QImage img = gradient(pal.dark.darker(160), pal.dark, w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    Sequence rnd{7u + quint32(pal.main.rgb())};
    const int count = std::max(12, w * h / 900);
    for (int i = 0; i < count; ++i) {
        const double r = 4 + rnd.next() * h * 0.22;
        const QPointF c(rnd.next() * w, rnd.next() * h);
        QRadialGradient g(c, r);
        QColor light = rnd.next() < 0.5 ? pal.light : pal.main.lighter(140);
        light.setAlpha(40 + int(rnd.next() * 70));
        QColor edge = light;
        edge.setAlpha(light.alpha() / 3);
        g.setColorAt(0, light);
        g.setColorAt(0.85, light);
        g.setColorAt(1, edge);
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
    return img;
}

QImage rays(int w, int h, const Palette& pal)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(pal.main);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(pal.light);
    const QPointF c(w / 2.0, h * 1.1);
    const double r = std::hypot(w, h) * 1.2;
    for (int i = 0; i < 24; i += 2) {
        const double a0 = M_PI + i * M_PI / 24, a1 = M_PI + (i + 1) * M_PI / 24;
        p.drawPolygon(QPolygonF({c, c + QPointF(std::cos(a0), std::sin(a0)) * r, c + QPointF(std::cos(a1), std::sin(a1)) * r}));
    }
    QRadialGradient glow(c, h * 1.1);
    QColor white(255, 255, 255, 150);
    glow.setColorAt(0, white);
    white.setAlpha(0);
    glow.setColorAt(1, white);
    p.setBrush(glow);
    p.drawRect(img.rect());
    return img;
}

QImage confetti(int w, int h, QColor ground)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    Sequence rnd{99u};
    const Colour colours[] = {Red, Blue, Teal, Gold, Green, Purple, Orange, Pink};
    const int count = w * h / 260;
    for (int i = 0; i < count; ++i) {
        p.save();
        p.translate(rnd.next() * w, rnd.next() * h);
        p.rotate(rnd.next() * 180);
        p.setBrush(colour(colours[int(rnd.next() * 8) % 8]).main);
        if (rnd.next() < 0.6)
            p.drawRect(QRectF(-3, -1.5, 6, 3));
        else
            p.drawEllipse(QPointF(0, 0), 2.2, 2.2);
        p.restore();
    }
    return img;
}

QImage paper(int w, int h, int kind)
{
    const QColor ground = kind == 1 ? QColor(205, 170, 125) : QColor(252, 250, 244);
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Fibres: short faint strokes, lighter and darker than the sheet.
    Sequence rnd{kind == 1 ? 5u : 11u};
    for (int i = 0; i < w * h / 40; ++i) {
        const QPointF a(rnd.next() * w, rnd.next() * h);
        const double angle = rnd.next() * M_PI, length = 2 + rnd.next() * 6;
        QColor c = rnd.next() < 0.5 ? ground.darker(104 + int(rnd.next() * 5)) : ground.lighter(103);
        p.setPen(QPen(c, 0.8));
        p.drawLine(a, a + QPointF(std::cos(angle), std::sin(angle)) * length);
    }
    if (kind == 2) {
        p.setPen(QPen(QColor(150, 190, 235), 1));
        for (int y = 18; y < h; y += 18)
            p.drawLine(0, y, w, y);
        p.setPen(QPen(QColor(235, 120, 120), 1));
        p.drawLine(28, 0, 28, h);
    }
    return img;
}

QImage starrySky(int w, int h)
{
    QImage img = gradient(QColor(8, 12, 40), QColor(40, 40, 100), w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    Sequence rnd{2024u};
    for (int i = 0; i < w * h / 300; ++i) {
        const QPointF c(rnd.next() * w, rnd.next() * h);
        const double r = 0.4 + rnd.next() * rnd.next() * 1.6;
        p.setBrush(QColor(255, 255, 230 + int(rnd.next() * 25), 140 + int(rnd.next() * 115)));
        if (r > 1.3)
            p.drawPath(starPath(c, r * 2.2, r * 0.6, 4));
        else
            p.drawEllipse(c, r, r);
    }
    return img;
}

QImage cloudySky(int w, int h)
{
    QImage img = gradient(QColor(90, 160, 235), QColor(200, 228, 255), w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Sequence rnd{31u};
    for (int i = 0; i < std::max(3, w / 90); ++i) {
        const double cw = 50 + rnd.next() * 50;
        p.save();
        p.translate(rnd.next() * w - cw / 2, rnd.next() * h * 0.7 - cw * 0.2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 225));
        QPainterPath c;
        c.setFillRule(Qt::WindingFill);
        c.addEllipse(QRectF(0, cw * 0.18, cw * 0.42, cw * 0.3));
        c.addEllipse(QRectF(cw * 0.22, 0, cw * 0.45, cw * 0.42));
        c.addEllipse(QRectF(cw * 0.5, cw * 0.12, cw * 0.42, cw * 0.34));
        p.drawPath(c.simplified());
        p.restore();
    }
    return img;
}

// ---- animations --------------------------------------------------------------------------------
QImage strip(int frames, int w, int h, bool mirror, const std::function<void(QPainter&, int)>& draw)
{
    QImage img = canvas(w * frames, h);
    for (int f = 0; f < frames; ++f) {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setClipRect(f * w, 0, w, h);
        p.translate(f * w, 0);
        if (mirror) {
            p.translate(w, 0);
            p.scale(-1, 1);
        }
        draw(p, f);
    }
    return img;
}

// ---- sounds ------------------------------------------------------------------------------------
QByteArray wavBytes(const std::function<double(double t)>& signal, double seconds, int rate)
{
    const int n = int(seconds * rate);
    std::vector<double> wave(size_t(std::max(0, n)));
    double peak = 0;
    for (int i = 0; i < n; ++i) {
        // A short fade at the end, so no sound stops with a click.
        const double tail = std::min(1.0, double(n - i) / (rate * 0.004));
        wave[size_t(i)] = signal(double(i) / rate) * tail;
        peak = std::max(peak, std::abs(wave[size_t(i)]));
    }
    // Every sound peaks at the same level: none is clipped, none is too quiet to hear.
    const double gain = peak > 0 ? 0.9 / peak : 0;
    QByteArray samples;
    samples.reserve(n * 2);
    for (double v : wave) {
        const qint16 s = qint16(std::lround(std::clamp(v * gain, -1.0, 1.0) * 32767));
        samples.append(char(s & 0xFF)).append(char((s >> 8) & 0xFF));
    }
    QByteArray out;
    auto u32 = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            out.append(char((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&](quint16 v) { out.append(char(v & 0xFF)).append(char(v >> 8)); };
    out += "RIFF";
    u32(36 + quint32(samples.size()));
    out += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(quint32(rate));
    u32(quint32(rate * 2));
    u16(2);
    u16(16);
    out += "data";
    u32(quint32(samples.size()));
    return out + samples;
}

double envelope(double t, double attack, double length) { return t < attack ? t / attack : std::exp(-(t - attack) * 5 / length); }

} // namespace deflib
