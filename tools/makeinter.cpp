// Draws the interface pictures of the windows (dialog decorations, button faces, message-box
// pictures) and packs them into the interface store. Every picture is drawn from the same
// vector recipe twice: at its size in window pixels ("name.bmp") and at twice that
// ("name@2x.bmp"), so that windows are sharp at device pixel ratio 1 and 2.
// Usage: kav-makeinter DATADIR   (writes DATADIR/Inter.rif and DATADIR/Inter.rdf)
#include "ui/forms/bitmapfile.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>

#include <cstdio>
#include <functional>
#include <vector>

using kav::EncodeBitmap;

namespace {

struct Recipe {
    QString name;   // store key without ".bmp", lower case
    QSize size;     // in window pixels
    std::function<void(QPainter&)> draw;
};

// One palette for every window: a calm blue accent on cool greys.
const QColor kAccentTop(0x3B, 0x7B, 0xF0), kAccentBottom(0x27, 0x61, 0xD9), kAccentEdge(0x1F, 0x50, 0xB8);
const QColor kBand(0x90, 0x90, 0x90);        // the dialog band (drawn by the window too)
const QColor kMessageBand(0xD5, 0xD5, 0xD5); // the message-box band

enum class Face { Accent, Neutral };
enum class Look { Off, Roll, Pressed, Dimmed };

// A pill-shaped button face inside `r`.
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

// A tray in the band colour that rises from a band at the left edge (rows bandTop..bandBottom)
// in an S-curve to `top` and runs to the right edge and the bottom (or `bottom`).
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

// A round badge with a halo for the message pictures; the glyph is drawn in white on it.
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

std::vector<Recipe> Recipes()
{
    std::vector<Recipe> r;
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
    const struct { const char* suffix; Look look; } looks[] = {
        {"", Look::Off}, {"r", Look::Roll}, {"c", Look::Pressed}, {"d", Look::Dimmed}};
    for (const auto& b : buttons)
        for (const auto& l : looks)
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
    return r;
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "kav-makeinter: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kav-makeinter DATADIR\n");
        return 2;
    }
    const QString dataDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dataDir);
    QByteArray index, data;
    for (const Recipe& recipe : Recipes()) {
        for (const int scale : {1, 2}) {
            QImage image(recipe.size * scale, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.scale(scale, scale);
            recipe.draw(p);
            p.end();
            const QByteArray bytes = EncodeBitmap(image);
            const QString key = recipe.name + (scale == 2 ? QStringLiteral("@2x.bmp") : QStringLiteral(".bmp"));
            index += key.toUtf8() + ';' + QByteArray::number(data.size()) + ';' + QByteArray::number(bytes.size()) + "\r\n";
            data += bytes;
        }
    }
    return Write(dataDir + QStringLiteral("/Inter.rdf"), data) && Write(dataDir + QStringLiteral("/Inter.rif"), index) ? 0 : 1;
}
