#include "art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

using namespace kavart;

KAV_INTER_ART(AddStartupArt);

namespace {

// The start-up window and the wizard sit on a deep indigo; their trays and band are a lighter
// violet (the band colour the window itself fills).
const QColor kIndigoTop(0x4A, 0x43, 0x7E), kIndigoBottom(0x2E, 0x2A, 0x57);
const QColor kWizardBand(0x7B, 0x74, 0xAC);

// The product mark: a rounded tile in the accent gradient with a banner waving across it.
void Mark(QPainter& p, QRectF r)
{
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tile(r.topLeft(), r.bottomRight());
    tile.setColorAt(0, QColor(0x4C, 0x8D, 0xF6));
    tile.setColorAt(1, QColor(0x7A, 0x4D, 0xE0));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    const qreal radius = r.width() * 0.24;
    p.drawRoundedRect(r, radius, radius);
    const qreal w = r.width(), h = r.height();
    auto at = [&](qreal x, qreal y) { return QPointF(r.left() + x * w, r.top() + y * h); };
    // The banner: a strip that waves from the pole.
    QPainterPath flag;
    flag.moveTo(at(0.30, 0.24));
    flag.cubicTo(at(0.48, 0.16), at(0.62, 0.34), at(0.80, 0.26));
    flag.lineTo(at(0.80, 0.56));
    flag.cubicTo(at(0.62, 0.64), at(0.48, 0.46), at(0.30, 0.54));
    flag.closeSubpath();
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawPath(flag);
    p.setPen(QPen(Qt::white, w * 0.06, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(at(0.28, 0.20), at(0.28, 0.82));
    // A spark where the banner ends: it moves.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xD1, 0x5C));
    p.drawEllipse(at(0.80, 0.74), w * 0.06, w * 0.06);
}

void Wordmark(QPainter& p, QPointF baseline, qreal size, QColor colour)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(int(size));
    f.setBold(true);
    f.setLetterSpacing(QFont::PercentageSpacing, 96);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(baseline, QStringLiteral("Kavelins"));
}

// A round tile for a start-up mode: off, roll-over (a light ring) and pressed (lit and sunk).
void ModeTile(QPainter& p, Look look, const std::function<void(QPainter&, QPointF)>& glyph)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(20, 20);
    QColor face = look == Look::Pressed ? QColor(0xAE, 0xFD, 0x04) : QColor(0x5F, 0x57, 0x9A);
    if (look == Look::Roll)
        face = QColor(0x75, 0x6C, 0xB6);
    if (look != Look::Pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 8, 30, 60));
        p.drawEllipse(c + QPointF(0, 1.2), 18, 18);
    }
    QRadialGradient g(c - QPointF(5, 6), 24);
    g.setColorAt(0, face.lighter(118));
    g.setColorAt(1, face);
    p.setBrush(g);
    p.setPen(QPen(look == Look::Roll ? QColor(0xFE, 0xBF, 0x00) : face.darker(125), look == Look::Roll ? 1.6 : 1));
    p.drawEllipse(c + QPointF(0, look == Look::Pressed ? 0.6 : 0), 17.5, 17.5);
    glyph(p, c + QPointF(0, look == Look::Pressed ? 0.6 : 0));
}

QPen Line(QColor colour, qreal width) { return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

QColor GlyphColour(Look look) { return look == Look::Pressed ? QColor(0x2A, 0x25, 0x52) : QColor(Qt::white); }

// A pill on the indigo: the Next button is lime, Cancel a quiet violet.
void WizardPill(QPainter& p, QRectF r, bool next, Look look)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal radius = r.height() / 2;
    if (look == Look::Pressed)
        r.translate(0, 0.5);
    QColor top, bottom;
    if (next) {
        top = look == Look::Roll ? QColor(0x4C, 0x9A, 0xFF) : QColor(0x3B, 0x7B, 0xF0);
        bottom = look == Look::Pressed ? QColor(0x1E, 0x4F, 0xB8) : QColor(0x27, 0x61, 0xD9);
        if (look == Look::Pressed)
            top = QColor(0x1E, 0x4F, 0xB8);
    } else {
        top = look == Look::Roll ? QColor(0x8E, 0x86, 0xC8) : QColor(0x6E, 0x66, 0xA8);
        bottom = look == Look::Pressed ? QColor(0x4E, 0x47, 0x85) : QColor(0x5A, 0x52, 0x92);
        if (look == Look::Pressed)
            top = QColor(0x4E, 0x47, 0x85);
    }
    if (look != Look::Pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 8, 30, 50));
        p.drawRoundedRect(r.translated(0, 1), radius, radius);
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.setPen(QPen(bottom.darker(120), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

} // namespace

void AddStartupArt(std::vector<Recipe>& r)
{
    // The splash.
    r.push_back({QStringLiteral("logo"), QSize(400, 220), [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 400, 220);
        g.setColorAt(0, kIndigoTop);
        g.setColorAt(1, kIndigoBottom);
        p.fillRect(QRectF(0, 0, 400, 220), g);
        // Soft light behind the mark.
        QRadialGradient glow(QPointF(110, 100), 120);
        glow.setColorAt(0, QColor(0x7A, 0x4D, 0xE0, 90));
        glow.setColorAt(1, QColor(0x7A, 0x4D, 0xE0, 0));
        p.fillRect(QRectF(0, 0, 400, 220), glow);
        Mark(p, QRectF(46, 62, 76, 76));
        Wordmark(p, QPointF(140, 114), 44, Qt::white);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(13);
        p.setFont(f);
        p.setPen(QColor(0xC9, 0xC4, 0xEE));
        p.drawText(QPointF(143, 138), QStringLiteral("Animated banners, made by hand"));
        p.setPen(QColor(0x9C, 0x95, 0xD0));
        p.drawText(QPointF(46, 196), QStringLiteral("Starting..."));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 40), 1));
        p.drawRect(QRectF(0.5, 0.5, 399, 219));
    }});

    // The start-up window and the wizard.
    r.push_back({QStringLiteral("stdwin\\backwizard"), QSize(64, 64), [](QPainter& p) {
        QLinearGradient g(0, 0, 0, 64);
        g.setColorAt(0, kIndigoTop);
        g.setColorAt(1, kIndigoBottom);
        p.fillRect(QRectF(0, 0, 64, 64), g);
    }});
    r.push_back({QStringLiteral("stdwin\\wizard\\wizardtopcurve"), QSize(46, 30), [](QPainter& p) {
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
    }});
    // The tip panel: a frosted card with a light bulb.
    r.push_back({QStringLiteral("stdwin\\wizard\\wizardinfoarea"), QSize(176, 262), [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF card(0.5, 0.5, 175, 261);
        p.setPen(QPen(QColor(255, 255, 255, 50), 1));
        p.setBrush(QColor(255, 255, 255, 26));
        p.drawRoundedRect(card, 14, 14);
        // The bulb.
        const QPointF c(32, 34);
        QRadialGradient halo(c, 22);
        halo.setColorAt(0, QColor(0xFF, 0xD1, 0x5C, 120));
        halo.setColorAt(1, QColor(0xFF, 0xD1, 0x5C, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.drawEllipse(c, 22, 22);
        p.setBrush(QColor(0xFF, 0xD1, 0x5C));
        p.drawEllipse(c + QPointF(0, -2), 9, 9);
        p.setBrush(QColor(0xE8, 0xE4, 0xF8));
        p.drawRoundedRect(QRectF(c.x() - 5, c.y() + 7, 10, 7), 2, 2);
        // The heading beside the bulb is the window's (it is translated).
        p.setPen(QPen(QColor(255, 255, 255, 40), 1));
        p.drawLine(QPointF(16, 56.5), QPointF(160, 56.5));
    }});
    // The trays at the bottom right: the start-up window's holds Cancel and Next, the wizard's too.
    r.push_back({QStringLiteral("stdwin\\wizard\\startupbottomcurve"), QSize(133, 38), [](QPainter& p) {
        Tray(p, QSizeF(133, 38), kWizardBand, 20, 36, 0, 38, 20, 0);
    }});
    r.push_back({QStringLiteral("stdwin\\wizard\\wizardbottomcurve"), QSize(176, 40), [](QPainter& p) {
        Tray(p, QSizeF(176, 40), kWizardBand, 19, 35, 0, 40, 24, 0);
    }});
    for (const auto& l : kLooks) {
        r.push_back({QStringLiteral("stdwin\\wizard\\wizardnext") + QLatin1String(l.suffix), QSize(60, 30),
                     [l](QPainter& p) { WizardPill(p, QRectF(2, 3, 56, 24), true, l.look); }});
        r.push_back({QStringLiteral("stdwin\\wizard\\wizardcancel") + QLatin1String(l.suffix), QSize(60, 30),
                     [l](QPainter& p) { WizardPill(p, QRectF(2, 3, 56, 24), false, l.look); }});
    }

    // The five mode buttons: a new page, the wizard's wand, the template grid, the folder of
    // the user's banners, the globe of the web site.
    using Glyph = std::function<void(QPainter&, QPointF, QColor)>;
    const Glyph glyphs[5] = {
        [](QPainter& p, QPointF c, QColor ink) {
            p.setPen(Line(ink, 1.8));
            p.setBrush(Qt::NoBrush);
            QPainterPath page;
            page.moveTo(c + QPointF(-6, -9));
            page.lineTo(c + QPointF(3, -9));
            page.lineTo(c + QPointF(7, -5));
            page.lineTo(c + QPointF(7, 9));
            page.lineTo(c + QPointF(-6, 9));
            page.closeSubpath();
            p.drawPath(page);
            p.drawLine(c + QPointF(0.5, -2), c + QPointF(0.5, 5));
            p.drawLine(c + QPointF(-3, 1.5), c + QPointF(4, 1.5));
        },
        [](QPainter& p, QPointF c, QColor ink) {
            p.setPen(Line(ink, 2.2));
            p.drawLine(c + QPointF(-7, 8), c + QPointF(4, -3));
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            QPainterPath star;
            const QPointF s = c + QPointF(5, -5);
            for (int i = 0; i < 8; ++i) {
                const qreal a = i * M_PI / 4;
                const qreal rr = i % 2 ? 2.2 : 6;
                const QPointF q = s + QPointF(std::cos(a) * rr, std::sin(a) * rr);
                i ? star.lineTo(q) : star.moveTo(q);
            }
            star.closeSubpath();
            p.drawPath(star);
        },
        [](QPainter& p, QPointF c, QColor ink) {
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 2; ++x)
                    p.drawRoundedRect(QRectF(c.x() - 8 + x * 9, c.y() - 8 + y * 9, 7, 7), 1.6, 1.6);
        },
        [](QPainter& p, QPointF c, QColor ink) {
            p.setPen(Line(ink, 1.8));
            p.setBrush(Qt::NoBrush);
            QPainterPath folder;
            folder.moveTo(c + QPointF(-9, 7));
            folder.lineTo(c + QPointF(-9, -7));
            folder.lineTo(c + QPointF(-3, -7));
            folder.lineTo(c + QPointF(-1, -4));
            folder.lineTo(c + QPointF(9, -4));
            folder.lineTo(c + QPointF(9, 7));
            folder.closeSubpath();
            p.drawPath(folder);
            p.drawLine(c + QPointF(-9, -1), c + QPointF(9, -1));
        },
        [](QPainter& p, QPointF c, QColor ink) {
            p.setPen(Line(ink, 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(c, 8.5, 8.5);
            p.drawEllipse(c, 3.8, 8.5);
            p.drawLine(c + QPointF(-8.5, 0), c + QPointF(8.5, 0));
            p.drawLine(c + QPointF(-7, -4.5), c + QPointF(7, -4.5));
            p.drawLine(c + QPointF(-7, 4.5), c + QPointF(7, 4.5));
        },
    };
    for (int mode = 1; mode <= 5; ++mode) {
        const Glyph glyph = glyphs[mode - 1];
        for (const auto& l : kLooks) {
            if (l.look == Look::Dimmed)
                continue;
            r.push_back({QStringLiteral("stdwin\\wizard\\mode%1").arg(mode) + QLatin1String(l.suffix), QSize(40, 40),
                         [glyph, l](QPainter& p) {
                             ModeTile(p, l.look, [&](QPainter& p, QPointF c) { glyph(p, c, GlyphColour(l.look)); });
                         }});
        }
    }

    // The loading window: the card with the mark and a track, and eight frames of a light
    // running along the track.
    r.push_back({QStringLiteral("stdwin\\load\\load"), QSize(250, 79), [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        Mark(p, QRectF(10, 10, 36, 36));
        // The window writes what it loads beside the mark (in the user's language).
        // The band the window continues to the left, rising into a tray under the track.
        Tray(p, QSizeF(250, 79), kMessageBand, 59, 79, 52, 79, 30, 0);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(46, 56, 100, 16), 8, 8);
    }});
    for (int frame = 1; frame <= 8; ++frame) {
        r.push_back({QStringLiteral("stdwin\\load\\load%1").arg(frame), QSize(100, 16), [frame](QPainter& p) {
            p.setRenderHint(QPainter::Antialiasing);
            p.fillRect(QRectF(0, 0, 100, 16), Qt::transparent);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(0, 0, 100, 16), 8, 8);
            // Six dots; a light runs along them and wraps, trailing two fading dots.
            for (int i = 0; i < 6; ++i) {
                const int distance = ((frame - 1) * 6 / 8 - i + 6) % 6;
                QColor dot = QColor(0xC9, 0xD1, 0xDC);
                qreal radius = 3;
                if (distance == 0) {
                    dot = kAccentTop;
                    radius = 4.2;
                } else if (distance == 1) {
                    dot = QColor(0x8F, 0xB2, 0xF6);
                    radius = 3.6;
                } else if (distance == 2) {
                    dot = QColor(0xB6, 0xCB, 0xF2);
                }
                p.setBrush(dot);
                p.drawEllipse(QPointF(15 + i * 14, 8), radius, radius);
            }
        }});
    }
}
