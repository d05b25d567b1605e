#include "art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace kavart {

std::vector<ArtFunction>& ArtFunctions()
{
    static std::vector<ArtFunction> functions;
    return functions;
}

void Pill(QPainter& p, QRectF r, Face face, Look look)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal radius = r.height() / 2;
    if (look == Look::Pressed)
        r.translate(0, 0.5);
    if (look == Look::Off || look == Look::Roll) {
        // A soft shadow: two widening, fading outlines below the face.
        for (int i = 2; i >= 1; --i) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(15, 30, 60, 22 / i));
            p.drawRoundedRect(r.adjusted(-0.5 * i, 0.5 * i, 0.5 * i, 1.0 * i), radius, radius);
        }
    }
    QColor top, bottom, edge;
    if (face == Face::Accent) {
        switch (look) {
        case Look::Off: top = kAccentTop; bottom = kAccentBottom; edge = kAccentEdge; break;
        case Look::Roll: top = QColor(0x55, 0x91, 0xF8); bottom = QColor(0x35, 0x73, 0xE8); edge = QColor(0x28, 0x5E, 0xCC); break;
        case Look::Pressed: top = QColor(0x1E, 0x4F, 0xB8); bottom = QColor(0x24, 0x59, 0xC6); edge = QColor(0x19, 0x43, 0x9E); break;
        case Look::Dimmed: top = QColor(0xB4, 0xC2, 0xDC); bottom = QColor(0xA7, 0xB6, 0xD2); edge = QColor(0x9A, 0xA9, 0xC6); break;
        }
    } else {
        switch (look) {
        case Look::Off: top = QColor(0xFF, 0xFF, 0xFF); bottom = QColor(0xEC, 0xEF, 0xF4); edge = QColor(0xB9, 0xC1, 0xCC); break;
        case Look::Roll: top = QColor(0xFF, 0xFF, 0xFF); bottom = QColor(0xE1, 0xEA, 0xFB); edge = QColor(0x7F, 0xA4, 0xEC); break;
        case Look::Pressed: top = QColor(0xD6, 0xDD, 0xE8); bottom = QColor(0xE4, 0xE9, 0xF0); edge = QColor(0xA3, 0xAD, 0xBB); break;
        case Look::Dimmed: top = QColor(0xEE, 0xF0, 0xF3); bottom = QColor(0xE6, 0xE9, 0xED); edge = QColor(0xCF, 0xD4, 0xDB); break;
        }
    }
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setBrush(fill);
    p.setPen(QPen(edge, 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    if (look == Look::Off || look == Look::Roll) {
        // A thin highlight along the upper edge gives the face its light from above.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, face == Face::Accent ? 70 : 200), 1));
        const QRectF in = r.adjusted(1.5, 1.5, -1.5, -1.5);
        QPainterPath arc;
        arc.moveTo(in.left() + radius * 0.6, in.top());
        arc.lineTo(in.right() - radius * 0.6, in.top());
        p.drawPath(arc);
    }
}

void Tray(QPainter& p, QSizeF size, QColor colour, qreal bandTop, qreal bandBottom, qreal top, qreal bottom,
          qreal rise, qreal rightRadius)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal right = size.width();
    QPainterPath path;
    path.moveTo(0, bandTop);
    path.cubicTo(rise * 0.55, bandTop, rise * 0.45, top, rise, top);
    if (rightRadius > 0) {
        path.lineTo(right - rightRadius, top);
        path.quadTo(right, top, right, top + rightRadius);
        path.lineTo(right, bottom - rightRadius);
        path.quadTo(right, bottom, right - rightRadius, bottom);
    } else {
        path.lineTo(right, top);
        path.lineTo(right, bottom);
    }
    path.lineTo(rise, bottom);
    path.cubicTo(rise * 0.45, bottom, rise * 0.55, bandBottom, 0, bandBottom);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

void Badge(QPainter& p, QColor colour, const std::function<void(QPainter&, QPointF)>& glyph)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(40, 40);
    QColor halo = colour;
    halo.setAlpha(38);
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(c, 27, 27);
    QRadialGradient body(c - QPointF(6, 8), 30);
    body.setColorAt(0, colour.lighter(118));
    body.setColorAt(1, colour);
    p.setBrush(body);
    p.drawEllipse(c, 20, 20);
    glyph(p, c);
}

QPen GlyphPen(qreal width)
{
    return QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Exclamation(QPainter& p, QPointF c)
{
    p.setPen(GlyphPen(4));
    p.drawLine(c + QPointF(0, -10), c + QPointF(0, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(c + QPointF(0, 10), 2.4, 2.4);
}

} // namespace kavart
