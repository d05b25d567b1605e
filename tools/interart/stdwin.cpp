#include "art.h"

#include <QLinearGradient>
#include <QPainterPath>

using namespace kavart;

KAV_INTER_ART(AddStdWinArt);

// The standard window and the message boxes.
void AddStdWinArt(std::vector<Recipe>& r)
{
    // Dialog background: stretched over the whole window, so a gentle vertical gradient.
    r.push_back({QStringLiteral("stdwin\\backcolor"), QSize(64, 64), [](QPainter& p) {
        QLinearGradient g(0, 0, 0, 64);
        g.setColorAt(0, QColor(0xF4, 0xF6, 0xF9));
        g.setColorAt(1, QColor(0xE4, 0xE8, 0xEF));
        p.fillRect(QRectF(0, 0, 64, 64), g);
    }});
    // The end of the white title tab: its lower edge rises to the window's top in an S-curve.
    r.push_back({QStringLiteral("stdwin\\topcurve"), QSize(46, 30), [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath edge;
        edge.moveTo(0, 30);
        edge.cubicTo(22, 30, 20, 0, 44, 0);
        QPainterPath shape = edge;
        shape.lineTo(0, 0);
        shape.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(shape);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0xC9, 0xD1, 0xDC), 1));
        p.drawPath(edge);
    }});
    // The tray at the bottom right that holds Cancel (29, 2) and Ok (97, 2) on the band.
    r.push_back({QStringLiteral("stdwin\\bottomcurve"), QSize(176, 40), [](QPainter& p) {
        Tray(p, QSizeF(176, 40), kBand, 19, 35, 0, 39, 24, 12);
    }});
    const struct { const char* name; Face face; QSize size; QRectF pill; } buttons[] = {
        {"stdwin\\ok", Face::Accent, QSize(62, 34), QRectF(2, 3, 58, 28)},
        {"stdwin\\cancel", Face::Neutral, QSize(62, 34), QRectF(2, 3, 58, 28)},
        {"stdwin\\message\\full", Face::Accent, QSize(84, 32), QRectF(2, 2, 80, 28)},
        {"stdwin\\message\\yes", Face::Accent, QSize(60, 32), QRectF(2, 4, 56, 25)},
        {"stdwin\\message\\savecancel", Face::Neutral, QSize(60, 32), QRectF(2, 4, 56, 25)},
    };
    for (const auto& b : buttons)
        for (const auto& l : kLooks)
            r.push_back({QString::fromLatin1(b.name) + QLatin1String(l.suffix), b.size,
                         [b, l](QPainter& p) { Pill(p, b.pill, b.face, l.look); }});

    // Message box: the bottom-right trays of the one- and two-button layouts.
    r.push_back({QStringLiteral("stdwin\\message\\singlecurve"), QSize(128, 46), [](QPainter& p) {
        Tray(p, QSizeF(128, 46), kMessageBand, 26, 44, 3, 46, 22, 0);
    }});
    r.push_back({QStringLiteral("stdwin\\message\\bottomcurve"), QSize(164, 40), [](QPainter& p) {
        Tray(p, QSizeF(164, 40), kMessageBand, 18, 36, 0, 40, 24, 0);
    }});
    // Message box: the picture of each caption.
    r.push_back({QStringLiteral("stdwin\\message\\error"), QSize(76, 76), [](QPainter& p) {
        Badge(p, QColor(0xE5, 0x48, 0x4D), [](QPainter& p, QPointF c) {
            p.setPen(GlyphPen(4));
            p.drawLine(c + QPointF(-7, -7), c + QPointF(7, 7));
            p.drawLine(c + QPointF(7, -7), c + QPointF(-7, 7));
        });
    }});
    r.push_back({QStringLiteral("stdwin\\message\\warning"), QSize(76, 76), [](QPainter& p) {
        Badge(p, QColor(0xF0, 0x9A, 0x1A), Exclamation);
    }});
    r.push_back({QStringLiteral("stdwin\\message\\alert"), QSize(76, 76), [](QPainter& p) {
        Badge(p, QColor(0xEA, 0x6A, 0x2A), Exclamation);
    }});
    r.push_back({QStringLiteral("stdwin\\message\\confirm"), QSize(76, 76), [](QPainter& p) {
        Badge(p, QColor(0x3E, 0x63, 0xDD), [](QPainter& p, QPointF c) {
            p.setPen(GlyphPen(3.6));
            p.setBrush(Qt::NoBrush);
            QPainterPath q;
            q.moveTo(c + QPointF(-6.5, -5));
            q.cubicTo(c + QPointF(-6.5, -13), c + QPointF(6.5, -13), c + QPointF(6.5, -5));
            q.cubicTo(c + QPointF(6.5, 0), c + QPointF(0, 0), c + QPointF(0, 4.5));
            p.drawPath(q);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(c + QPointF(0, 11), 2.4, 2.4);
        });
    }});
    r.push_back({QStringLiteral("stdwin\\message\\information"), QSize(76, 76), [](QPainter& p) {
        Badge(p, QColor(0x12, 0x9B, 0xD6), [](QPainter& p, QPointF c) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(c + QPointF(0, -10), 2.6, 2.6);
            p.setPen(GlyphPen(4));
            p.drawLine(c + QPointF(0, -3), c + QPointF(0, 10));
        });
    }});
}

