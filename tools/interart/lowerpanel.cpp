#include "art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>

using namespace kavart;

KAV_INTER_ART(AddLowerPanelArt);

namespace {

const QColor kInk(0x34, 0x3E, 0x4F);          // glyphs on a light face
const QColor kInkDimmed(0xB3, 0xBA, 0xC5);
const QColor kPanelTop(0xF6, 0xF7, 0xFA), kPanelBottom(0xE8, 0xEC, 0xF2);
const QColor kPanelEdge(0xC9, 0xD0, 0xDA);
const QColor kCastTop(0xDD, 0xE2, 0xEA), kCastBottom(0xD2, 0xD8, 0xE2);

QColor GlyphColour(Look look)
{
    switch (look) {
    case Look::Pressed: return Qt::white;
    case Look::Dimmed: return kInkDimmed;
    default: return kInk;
    }
}

// The square face of a panel button: light, a blue edge under the mouse, accent blue when down.
void ButtonFace(QPainter& p, QRectF r, Look look)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal radius = 5;
    QColor top, bottom, edge;
    switch (look) {
    case Look::Off: top = QColor(0xFF, 0xFF, 0xFF); bottom = QColor(0xEE, 0xF1, 0xF5); edge = QColor(0xBD, 0xC5, 0xD0); break;
    case Look::Roll: top = QColor(0xFF, 0xFF, 0xFF); bottom = QColor(0xE3, 0xEC, 0xFC); edge = QColor(0x6F, 0x9A, 0xEE); break;
    case Look::Pressed: top = kAccentBottom; bottom = kAccentTop; edge = kAccentEdge; break;
    case Look::Dimmed: top = QColor(0xF3, 0xF4, 0xF6); bottom = QColor(0xEC, 0xEE, 0xF1); edge = QColor(0xD6, 0xDA, 0xE0); break;
    }
    if (look == Look::Off || look == Look::Roll) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(15, 30, 60, 18));
        p.drawRoundedRect(r.adjusted(0, 1, 0, 1), radius, radius);
    }
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setBrush(fill);
    p.setPen(QPen(edge, 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

QPen Stroke(Look look, qreal width = 1.6)
{
    return QPen(GlyphColour(look), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Arrowhead(QPainter& p, QPointF tip, QPointF dir, Look look, qreal size = 3.6)
{
    const QPointF n(-dir.y(), dir.x());
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - dir * size + n * size * 0.75);
    head.lineTo(tip - dir * size - n * size * 0.75);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(GlyphColour(look));
    p.drawPath(head);
}

void Letter(QPainter& p, QRectF r, const QString& text, bool bold, bool italic, Look look, int pixelSize = 15)
{
    QFont f(QStringLiteral("Liberation Sans"));
    if (italic)
        f.setFamily(QStringLiteral("Liberation Serif"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    p.setFont(f);
    p.setPen(GlyphColour(look));
    p.drawText(r, Qt::AlignCenter, text);
}

// Four text lines of the given alignment.
void AlignGlyph(QPainter& p, int align, Look look)
{
    p.setPen(Stroke(look, 1.6));
    const qreal lengths[4] = {14, 9, 14, 10};
    for (int i = 0; i < 4; ++i) {
        const qreal y = 6.5 + i * 3.7;
        const qreal len = lengths[i];
        qreal x = 7;
        if (align == 1)
            x = 21 - len;
        else if (align == 2)
            x = 14 - len / 2;
        p.drawLine(QPointF(x, y), QPointF(x + len, y));
    }
}

using Glyph = std::function<void(QPainter&, Look)>;

struct Button {
    const char* name;
    Glyph glyph;
};

std::vector<Button> PanelButtons()
{
    return {
        {"btnflip", [](QPainter& p, Look l) {
            // Two triangles mirrored over a dashed axis.
            QPen axis = Stroke(l, 1.2);
            axis.setDashPattern({1.5, 1.5});
            p.setPen(axis);
            p.drawLine(QPointF(14, 4), QPointF(14, 20));
            p.setPen(Stroke(l, 1.3));
            p.setBrush(GlyphColour(l));
            QPainterPath left;
            left.moveTo(12, 7); left.lineTo(12, 17); left.lineTo(5.5, 17); left.closeSubpath();
            p.drawPath(left);
            p.setBrush(Qt::NoBrush);
            QPainterPath right;
            right.moveTo(16, 7); right.lineTo(16, 17); right.lineTo(22.5, 17); right.closeSubpath();
            p.drawPath(right);
        }},
        {"btnloops", [](QPainter& p, Look l) {
            // A circular arrow: the animation starts again.
            p.setPen(Stroke(l, 1.8));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(8, 5, 13, 13), 100 * 16, 290 * 16);
            Arrowhead(p, QPointF(13.2, 5.2), QPointF(-1, 0.15), l, 3.8);
        }},
        {"btnbold", [](QPainter& p, Look l) { Letter(p, QRectF(0, 0, 28, 24), QStringLiteral("B"), true, false, l); }},
        {"btnitalic", [](QPainter& p, Look l) { Letter(p, QRectF(0, 0, 28, 24), QStringLiteral("I"), false, true, l, 17); }},
        {"btnalignleft", [](QPainter& p, Look l) { AlignGlyph(p, 0, l); }},
        {"btnalignright", [](QPainter& p, Look l) { AlignGlyph(p, 1, l); }},
        {"btnaligncenter", [](QPainter& p, Look l) { AlignGlyph(p, 2, l); }},
        {"btnfontcolor", [](QPainter& p, Look l) {
            // The letter; the window paints the colour bar below it (7, 17, 14 x 3).
            Letter(p, QRectF(0, -3, 28, 24), QStringLiteral("A"), true, false, l, 13);
        }},
        {"btnfonteffect", [](QPainter& p, Look l) {
            // A sparkle and a small star.
            p.setPen(Qt::NoPen);
            p.setBrush(GlyphColour(l));
            auto star = [&](QPointF c, qreal r) {
                QPainterPath s;
                s.moveTo(c.x(), c.y() - r);
                s.quadTo(c, QPointF(c.x() + r, c.y()));
                s.quadTo(c, QPointF(c.x(), c.y() + r));
                s.quadTo(c, QPointF(c.x() - r, c.y()));
                s.quadTo(c, QPointF(c.x(), c.y() - r));
                p.drawPath(s);
            };
            star(QPointF(12, 13), 7);
            star(QPointF(20, 7), 3.5);
            star(QPointF(20.5, 18), 2.5);
        }},
        {"btnpathloop", [](QPainter& p, Look l) {
            p.setPen(Stroke(l, 1.7));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(5, 6, 18, 12));
            Arrowhead(p, QPointF(16.5, 6), QPointF(1, 0), l);
        }},
        {"btnpathrepeat", [](QPainter& p, Look l) {
            // Along the path, then back to its start.
            p.setPen(Stroke(l, 1.7));
            p.drawLine(QPointF(5, 9), QPointF(21, 9));
            Arrowhead(p, QPointF(23.5, 9), QPointF(1, 0), l);
            QPen dashed = Stroke(l, 1.3);
            dashed.setDashPattern({1.4, 1.8});
            p.setPen(dashed);
            p.setBrush(Qt::NoBrush);
            QPainterPath back;
            back.moveTo(21, 12);
            back.cubicTo(21, 18, 7, 18, 6.5, 14);
            p.drawPath(back);
            Arrowhead(p, QPointF(6.2, 12), QPointF(0, -1), l, 3);
        }},
        {"btnpathonce", [](QPainter& p, Look l) {
            p.setPen(Stroke(l, 1.7));
            p.drawLine(QPointF(5, 12), QPointF(17, 12));
            Arrowhead(p, QPointF(19.5, 12), QPointF(1, 0), l);
            p.setPen(Stroke(l, 2));
            p.drawLine(QPointF(22, 6.5), QPointF(22, 17.5));
        }},
        {"btnpathreturn", [](QPainter& p, Look l) {
            p.setPen(Stroke(l, 1.7));
            p.drawLine(QPointF(8, 12), QPointF(20, 12));
            Arrowhead(p, QPointF(23, 12), QPointF(1, 0), l);
            Arrowhead(p, QPointF(5, 12), QPointF(-1, 0), l);
        }},
        {"btnbkcolor", [](QPainter& p, Look l) {
            // A paint drop over the colour bar the window paints (7, 17, 14 x 3).
            p.setPen(Stroke(l, 1.5));
            p.setBrush(Qt::NoBrush);
            QPainterPath drop;
            drop.moveTo(14, 3.5);
            drop.cubicTo(18, 8.5, 19.5, 10.5, 19.5, 12);
            drop.cubicTo(19.5, 15, 17, 15.5, 14, 15.5);
            drop.cubicTo(11, 15.5, 8.5, 15, 8.5, 12);
            drop.cubicTo(8.5, 10.5, 10, 8.5, 14, 3.5);
            p.drawPath(drop);
        }},
        {"btnbordervisible", [](QPainter& p, Look l) {
            p.setPen(QPen(GlyphColour(l), 2.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(7.5, 6.5, 13, 11));
        }},
        {"btnbordercolor", [](QPainter& p, Look l) {
            QPen pen(GlyphColour(l), 1.4);
            pen.setDashPattern({2, 1.2});
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(8.5, 4.5, 11, 9));
        }},
        {"btnstagetile", [](QPainter& p, Look l) {
            p.setPen(Qt::NoPen);
            p.setBrush(GlyphColour(l));
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c)
                    p.drawRoundedRect(QRectF(7.5 + c * 7, 5.5 + r * 7, 6, 6), 1.2, 1.2);
        }},
    };
}

// The slot pictures: 80 x 76, the thumbnail at 2,2 .. 78,58 and the label at 2,60.
void Slot(QPainter& p, bool filled, bool selected)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF card(1, 1, 78, 74);
    if (!filled) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawRoundedRect(card, 6, 6);
        QPen dash(QColor(0xA9, 0xB3, 0xC2), 1);
        dash.setDashPattern({3, 2.5});
        p.setPen(dash);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(15, 30, 60, 26));
    p.drawRoundedRect(card.adjusted(0, 1, 0, 1.2), 6, 6);
    p.setBrush(selected ? QColor(0xE9, 0xF1, 0xFE) : Qt::white);
    p.setPen(QPen(selected ? kAccentTop : QColor(0xC3, 0xCB, 0xD6), selected ? 2 : 1));
    p.drawRoundedRect(selected ? card.adjusted(1, 1, -1, -1) : card.adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
    // A faint checkerboard where the thumbnail goes shows what is transparent.
    p.setPen(Qt::NoPen);
    const QRectF thumb(3, 3, 74, 54);
    p.setBrush(selected ? QColor(0xDC, 0xE7, 0xFB) : QColor(0xF1, 0xF3, 0xF6));
    p.drawRect(thumb);
    p.setBrush(selected ? QColor(0xD1, 0xDF, 0xF8) : QColor(0xE8, 0xEB, 0xF0));
    for (int y = 0; y < 54; y += 6)
        for (int x = (y / 6) % 2 * 6; x < 74; x += 12)
            p.drawRect(QRectF(3 + x, 3 + y, std::min(6.0, 74.0 - x), std::min(6.0, 54.0 - y)));
    p.setPen(QPen(selected ? QColor(0xB9, 0xCD, 0xF4) : QColor(0xE1, 0xE5, 0xEB), 1));
    p.drawLine(QPointF(3, 58.5), QPointF(77, 58.5));
}

} // namespace

// The lower tool panel: the property strip, the cast row, its slots and buttons.
void AddLowerPanelArt(std::vector<Recipe>& r)
{
    r.push_back({QStringLiteral("lowertoolpanel\\square"), QSize(80, 76), [](QPainter& p) { Slot(p, false, false); }});
    r.push_back({QStringLiteral("lowertoolpanel\\squarefilled"), QSize(80, 76), [](QPainter& p) { Slot(p, true, false); }});
    r.push_back({QStringLiteral("lowertoolpanel\\squarefilledselected"), QSize(80, 76), [](QPainter& p) { Slot(p, true, true); }});

    // The property strip, 60 high: rounded ends and a middle that is stretched between them.
    const auto strip = [](QPainter& p, QRectF r, bool leftEnd, bool rightEnd) {
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 60);
        g.setColorAt(0, kPanelTop);
        g.setColorAt(1, kPanelBottom);
        QPainterPath shape;
        const qreal radius = 10;
        const qreal left = leftEnd ? 3 : -20, right = rightEnd ? r.width() - 3 : r.width() + 20;
        const QRectF body(left, 3, right - left, 54);
        shape.addRoundedRect(body, radius, radius);
        p.setClipRect(r);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(15, 30, 60, 16));
        p.drawPath(shape.translated(0, 1.2));
        p.setBrush(g);
        p.setPen(QPen(kPanelEdge, 1));
        p.drawPath(shape.translated(0.5, 0.5));
        p.setPen(QPen(QColor(255, 255, 255, 200), 1));
        p.drawLine(QPointF(leftEnd ? 10 : 0, 4.5), QPointF(rightEnd ? r.width() - 10 : r.width(), 4.5));
    };
    r.push_back({QStringLiteral("lowertoolpanel\\propleft"), QSize(16, 60), [strip](QPainter& p) { strip(p, QRectF(0, 0, 16, 60), true, false); }});
    r.push_back({QStringLiteral("lowertoolpanel\\propmiddle"), QSize(8, 60), [strip](QPainter& p) { strip(p, QRectF(0, 0, 8, 60), false, false); }});
    r.push_back({QStringLiteral("lowertoolpanel\\propright"), QSize(16, 60), [strip](QPainter& p) { strip(p, QRectF(0, 0, 16, 60), false, true); }});

    // The cast row, 100 high: a band repeated across, ending at the right in a curve.
    r.push_back({QStringLiteral("lowertoolpanel\\castline"), QSize(8, 100), [](QPainter& p) {
        QLinearGradient g(0, 0, 0, 100);
        g.setColorAt(0, kCastTop);
        g.setColorAt(1, kCastBottom);
        p.fillRect(QRectF(0, 0, 8, 100), g);
        p.fillRect(QRectF(0, 0, 8, 1), QColor(0xBD, 0xC5, 0xD1));
        p.fillRect(QRectF(0, 1, 8, 1), QColor(255, 255, 255, 150));
    }});
    r.push_back({QStringLiteral("lowertoolpanel\\castcurve"), QSize(24, 100), [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, 100);
        g.setColorAt(0, kCastTop);
        g.setColorAt(1, kCastBottom);
        p.fillRect(QRectF(0, 0, 24, 100), g);
        p.fillRect(QRectF(0, 0, 24, 1), QColor(0xBD, 0xC5, 0xD1));
        // The row ends in a soft fold: a shaded groove and a highlight beside it.
        QLinearGradient fold(0, 0, 24, 0);
        fold.setColorAt(0, QColor(0, 0, 0, 0));
        fold.setColorAt(0.55, QColor(20, 35, 60, 22));
        fold.setColorAt(1, QColor(20, 35, 60, 6));
        p.fillRect(QRectF(0, 1, 24, 99), fold);
        p.setPen(QPen(QColor(0xB4, 0xBD, 0xCA), 1));
        p.drawLine(QPointF(12.5, 10), QPointF(12.5, 90));
        p.setPen(QPen(QColor(255, 255, 255, 170), 1));
        p.drawLine(QPointF(13.5, 10), QPointF(13.5, 90));
    }});

    // The two cast scroll buttons: a tall rounded face with a chevron.
    for (const bool left : {true, false}) {
        for (const auto& l : kLooks) {
            const Look look = l.look;
            r.push_back({QString::fromLatin1(left ? "lowertoolpanel\\castleft" : "lowertoolpanel\\castright") +
                             QLatin1String(l.suffix),
                         QSize(22, 76), [left, look](QPainter& p) {
                             ButtonFace(p, QRectF(1, 1, 20, 74), look);
                             QPen pen = Stroke(look, 2.2);
                             p.setPen(pen);
                             p.setBrush(Qt::NoBrush);
                             const qreal x = left ? 13 : 9, dx = left ? -4.5 : 4.5;
                             QPainterPath chevron;
                             chevron.moveTo(x, 31);
                             chevron.lineTo(x + dx, 38);
                             chevron.lineTo(x, 45);
                             p.drawPath(chevron);
                         }});
        }
    }

    for (const Button& b : PanelButtons())
        for (const auto& l : kLooks) {
            const Look look = l.look;
            const Glyph glyph = b.glyph;
            r.push_back({QStringLiteral("lowertoolpanel\\") + QLatin1String(b.name) + QLatin1String(l.suffix), QSize(28, 24),
                         [glyph, look](QPainter& p) {
                             ButtonFace(p, QRectF(0, 0, 28, 24), look);
                             if (look == Look::Pressed)
                                 p.translate(0, 0.5);
                             glyph(p, look);
                         }});
        }
}
