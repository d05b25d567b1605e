#include "art.h"

#include <QLinearGradient>
#include <QPainterPath>

using namespace kavart;

KAV_INTER_ART(AddEventsArt);

namespace {

QColor GlyphColour(Look look, bool accentWhenPressed)
{
    if (look == Look::Dimmed)
        return QColor(0xB3, 0xBA, 0xC4);
    if (look == Look::Pressed && accentWhenPressed)
        return Qt::white;
    if (look == Look::Roll)
        return QColor(0x1F, 0x56, 0xC0);
    return QColor(0x37, 0x41, 0x51);
}

void Triangle(QPainter& p, QPointF c, bool right, QColor colour)
{
    QPainterPath t;
    const qreal s = right ? 1 : -1;
    t.moveTo(c + QPointF(-3.5 * s, -5.5));
    t.lineTo(c + QPointF(4.5 * s, 0));
    t.lineTo(c + QPointF(-3.5 * s, 5.5));
    t.closeSubpath();
    p.setPen(QPen(colour, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(colour);
    p.drawPath(t);
}

void Speaker(QPainter& p, QPointF c, QColor colour)
{
    QPainterPath body;
    body.moveTo(c + QPointF(-7, -3));
    body.lineTo(c + QPointF(-3.5, -3));
    body.lineTo(c + QPointF(1.5, -7.5));
    body.lineTo(c + QPointF(1.5, 7.5));
    body.lineTo(c + QPointF(-3.5, 3));
    body.lineTo(c + QPointF(-7, 3));
    body.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(body);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - 2, c.y() - 4.5, 9, 9), -50 * 16, 100 * 16);
    p.drawArc(QRectF(c.x() - 3.5, c.y() - 8, 15, 16), -50 * 16, 100 * 16);
}

void AlignLines(QPainter& p, QRectF r, int align, QColor colour)
{
    // Four lines, long and short in turn, set left, centred or right.
    p.setPen(QPen(colour, 1.8, Qt::SolidLine, Qt::RoundCap));
    const qreal widths[] = {14, 9, 14, 9};
    for (int i = 0; i < 4; ++i) {
        const qreal w = widths[i];
        const qreal y = r.top() + 8.5 + i * 3.7;
        qreal x = r.left() + 7;
        if (align == 1)
            x = r.center().x() - w / 2;
        else if (align == 2)
            x = r.right() - 7 - w;
        p.drawLine(QPointF(x, y), QPointF(x + w, y));
    }
}

void Letter(QPainter& p, QRectF r, const QString& text, bool bold, bool italic, QColor colour)
{
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(16);
    f.setBold(bold);
    f.setItalic(italic);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

} // namespace

// The event and action dialogs and the text dialog.
void AddEventsArt(std::vector<Recipe>& r)
{
    // The action chooser's background: the dialog's greys with a faint blue wash at the top.
    r.push_back({QStringLiteral("stdwin\\actionbg"), QSize(64, 64), [](QPainter& p) {
        QLinearGradient g(0, 0, 0, 64);
        g.setColorAt(0, QColor(0xEA, 0xF0, 0xFA));
        g.setColorAt(0.45, QColor(0xF2, 0xF4, 0xF8));
        g.setColorAt(1, QColor(0xE4, 0xE8, 0xEF));
        p.fillRect(QRectF(0, 0, 64, 64), g);
    }});
    // Wide captioned buttons (the actions) and small ones (Edit, Delete).
    const struct { const char* name; QSize size; QRectF pill; } faces[] = {
        {"events\\action", QSize(172, 32), QRectF(2, 2, 168, 27)},
        {"events\\button", QSize(84, 32), QRectF(2, 2, 80, 27)},
    };
    for (const auto& b : faces)
        for (const auto& l : kLooks)
            r.push_back({QString::fromLatin1(b.name) + QLatin1String(l.suffix), b.size,
                         [b, l](QPainter& p) { Pill(p, b.pill, Face::Neutral, l.look); }});

    // Round glyph buttons.
    for (const auto& l : kLooks) {
        const QString s = QLatin1String(l.suffix);
        const Look look = l.look;
        r.push_back({QStringLiteral("events\\arrowleft") + s, QSize(26, 26), [look](QPainter& p) {
            Pill(p, QRectF(1, 1, 24, 23), Face::Neutral, look);
            Triangle(p, QPointF(12.5, 12.5), false, GlyphColour(look, false));
        }});
        r.push_back({QStringLiteral("events\\arrowright") + s, QSize(26, 26), [look](QPainter& p) {
            Pill(p, QRectF(1, 1, 24, 23), Face::Neutral, look);
            Triangle(p, QPointF(13.5, 12.5), true, GlyphColour(look, false));
        }});
        r.push_back({QStringLiteral("events\\speaker") + s, QSize(30, 30), [look](QPainter& p) {
            Pill(p, QRectF(1, 1, 28, 27), Face::Neutral, look);
            Speaker(p, QPointF(14, 14.5), GlyphColour(look, false));
        }});
        // The text dialog's toggles: pressed (down) in the accent colour.
        const Face toggle = look == Look::Pressed ? Face::Accent : Face::Neutral;
        const Look toggleLook = look == Look::Pressed ? Look::Off : look;
        r.push_back({QStringLiteral("events\\bold") + s, QSize(28, 28), [=](QPainter& p) {
            Pill(p, QRectF(1, 1, 26, 25), toggle, toggleLook);
            Letter(p, QRectF(1, 0, 26, 26), QStringLiteral("B"), true, false, GlyphColour(look, true));
        }});
        r.push_back({QStringLiteral("events\\italic") + s, QSize(28, 28), [=](QPainter& p) {
            Pill(p, QRectF(1, 1, 26, 25), toggle, toggleLook);
            Letter(p, QRectF(1, 0, 26, 26), QStringLiteral("I"), false, true, GlyphColour(look, true));
        }});
        const char* aligns[] = {"events\\alignleft", "events\\aligncenter", "events\\alignright"};
        for (int a = 0; a < 3; ++a)
            r.push_back({QString::fromLatin1(aligns[a]) + s, QSize(28, 28), [=](QPainter& p) {
                Pill(p, QRectF(1, 1, 26, 25), toggle, toggleLook);
                AlignLines(p, QRectF(1, 1, 26, 25), a, GlyphColour(look, true));
            }});
    }
}
