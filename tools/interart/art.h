#pragma once
// The common style of the interface pictures: one palette, the button faces, the trays and the
// message badges. Each area of the program draws its pictures in a file of this folder and adds
// them with KAV_INTER_ART; kav-makeinter packs them all.
#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>

#include <functional>
#include <vector>

namespace kavart {

struct Recipe {
    QString name;   // store key without ".bmp", lower case
    QSize size;     // in window pixels
    std::function<void(QPainter&)> draw;
};

// One palette for every window: a calm blue accent on cool greys.
inline const QColor kAccentTop(0x3B, 0x7B, 0xF0), kAccentBottom(0x27, 0x61, 0xD9), kAccentEdge(0x1F, 0x50, 0xB8);
inline const QColor kBand(0x90, 0x90, 0x90);        // the dialog band (drawn by the window too)
inline const QColor kMessageBand(0xD5, 0xD5, 0xD5); // the message-box band

enum class Face { Accent, Neutral };
enum class Look { Off, Roll, Pressed, Dimmed };
// The store suffixes of the four looks of a button: "", "r", "c", "d".
struct LookName { const char* suffix; Look look; };
inline constexpr LookName kLooks[] = {{"", Look::Off}, {"r", Look::Roll}, {"c", Look::Pressed}, {"d", Look::Dimmed}};

// A pill-shaped button face inside `r`.
void Pill(QPainter& p, QRectF r, Face face, Look look);
// A tray in the band colour that rises from a band at the left edge (rows bandTop..bandBottom)
// in an S-curve to `top` and runs to the right edge and the bottom (or `bottom`).
void Tray(QPainter& p, QSizeF size, QColor colour, qreal bandTop, qreal bandBottom, qreal top, qreal bottom,
          qreal rise, qreal rightRadius);
// A round badge with a halo for the message pictures; the glyph is drawn in white on it.
void Badge(QPainter& p, QColor colour, const std::function<void(QPainter&, QPointF)>& glyph);
QPen GlyphPen(qreal width);
void Exclamation(QPainter& p, QPointF c);

using ArtFunction = void (*)(std::vector<Recipe>&);
std::vector<ArtFunction>& ArtFunctions();
struct ArtRegistrar {
    explicit ArtRegistrar(ArtFunction f) { ArtFunctions().push_back(f); }
};

} // namespace kavart

#define KAV_INTER_ART(function) \
    static void function(std::vector<kavart::Recipe>&); \
    static const kavart::ArtRegistrar function##Registrar(function)
