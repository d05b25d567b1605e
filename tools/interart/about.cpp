#include "art.h"

#include <QLinearGradient>
#include <QPainterPath>

using namespace kavart;

KAV_INTER_ART(AddAboutArt);

// The About box: the product's name at the top and the team's mark at the left.
void AddAboutArt(std::vector<Recipe>& r)
{
    r.push_back({QStringLiteral("about\\kavelinslogo"), QSize(300, 62), [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        // The tile.
        const QRectF tile(4, 6, 50, 50);
        QLinearGradient g(tile.topLeft(), tile.bottomRight());
        g.setColorAt(0, QColor(0x4C, 0x8D, 0xF6));
        g.setColorAt(1, QColor(0x7A, 0x4D, 0xE0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(tile, 12, 12);
        auto at = [&](qreal x, qreal y) { return QPointF(tile.left() + x * 50, tile.top() + y * 50); };
        QPainterPath flag;
        flag.moveTo(at(0.30, 0.24));
        flag.cubicTo(at(0.48, 0.16), at(0.62, 0.34), at(0.80, 0.26));
        flag.lineTo(at(0.80, 0.56));
        flag.cubicTo(at(0.62, 0.64), at(0.48, 0.46), at(0.30, 0.54));
        flag.closeSubpath();
        p.setBrush(QColor(255, 255, 255, 235));
        p.drawPath(flag);
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(at(0.28, 0.20), at(0.28, 0.82));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xFF, 0xD1, 0x5C));
        p.drawEllipse(at(0.80, 0.74), 3, 3);
        // The name.
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(34);
        f.setBold(true);
        p.setFont(f);
        QLinearGradient ink(66, 0, 260, 0);
        ink.setColorAt(0, QColor(0x2A, 0x4F, 0xB8));
        ink.setColorAt(1, QColor(0x6A, 0x3F, 0xC8));
        p.setPen(QPen(QBrush(ink), 1));
        p.drawText(QPointF(66, 44), QStringLiteral("Kavelins"));
    }});
    // The team's mark: three overlapping frames, like the frames of an animation strip.
    r.push_back({QStringLiteral("about\\orvellogo"), QSize(180, 110), [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        const QColor colours[3] = {QColor(0xF0, 0x9A, 0x1A), QColor(0xE5, 0x48, 0x4D), QColor(0x3B, 0x7B, 0xF0)};
        for (int i = 0; i < 3; ++i) {
            QColor c = colours[i];
            c.setAlpha(210);
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawRoundedRect(QRectF(24 + i * 16, 8 + i * 8, 40, 30), 6, 6);
        }
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(13);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(0x2A, 0x25, 0x52));
        p.drawText(QRectF(0, 66, 180, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("   The Kavelins team"));
        f.setBold(false);
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(QColor(0x6B, 0x72, 0x80));
        p.drawText(QRectF(0, 84, 180, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("    banners that move"));
    }});
}
