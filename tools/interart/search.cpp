#include "art.h"

#include <QPainterPath>

using namespace kavart;

KAV_INTER_ART(AddSearchArt);

namespace {
// The chevron or double chevron of the page and history buttons, in the look's text colour.
void Chevron(QPainter& p, QRectF r, bool left, bool twice, Look look)
{
    const QColor colour = look == Look::Dimmed ? QColor(0xB8, 0xBF, 0xC9)
                          : look == Look::Roll ? QColor(0x1F, 0x56, 0xC0)
                                               : QColor(0x37, 0x41, 0x51);
    p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF c = r.center() + QPointF(0, look == Look::Pressed ? 1 : 0);
    const qreal dx = left ? -1 : 1;
    const int count = twice ? 2 : 1;
    for (int i = 0; i < count; ++i) {
        const qreal shift = twice ? (i == 0 ? -3.0 : 3.0) : 0.0;
        const QPointF tip = c + QPointF(dx * 3.0 + shift, 0);
        QPainterPath path;
        path.moveTo(tip + QPointF(-dx * 5, -5));
        path.lineTo(tip);
        path.lineTo(tip + QPointF(-dx * 5, 5));
        p.drawPath(path);
    }
}
} // namespace

// The library search window: its command buttons, the variant buttons, the Magazine button and
// the page and history arrows.
void AddSearchArt(std::vector<Recipe>& r)
{
    const struct { const char* name; int width; Face face; } pills[] = {
        {"search\\button", 88, Face::Neutral},
        {"search\\small", 60, Face::Neutral},
        {"search\\magazine", 180, Face::Neutral},
    };
    for (const auto& b : pills)
        for (const auto& l : kLooks)
            r.push_back({QString::fromLatin1(b.name) + QLatin1String(l.suffix), QSize(b.width, 28),
                         [b, l](QPainter& p) { Pill(p, QRectF(2, 2, b.width - 4, 23), b.face, l.look); }});
    const struct { const char* name; bool left; bool twice; } arrows[] = {
        {"search\\prev", true, false},
        {"search\\next", false, false},
        {"search\\back", true, true},
        {"search\\forward", false, true},
    };
    for (const auto& a : arrows)
        for (const auto& l : kLooks)
            r.push_back({QString::fromLatin1(a.name) + QLatin1String(l.suffix), QSize(36, 28), [a, l](QPainter& p) {
                             const QRectF face(2, 2, 32, 23);
                             Pill(p, face, Face::Neutral, l.look);
                             Chevron(p, face, a.left, a.twice, l.look);
                         }});
}
