#pragma once
// The pictures and sounds of the default media library, drawn and synthesised in code. Pictures
// come back antialiased on a transparent canvas (ARGB); the library generator turns them into
// bitmaps with the key colour, so that previews can be scaled smoothly before that.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <functional>

namespace deflib {

struct Palette {
    QColor main, dark, light;
};

// The colour sets of the variants: red, blue, teal, gold, green, purple, orange, pink, silver,
// bronze, and four skin tones for hands and figures.
enum Colour { Red, Blue, Teal, Gold, Green, Purple, Orange, Pink, Silver, Bronze, Skin1, Skin2, Skin3, Skin4 };
const Palette& colour(Colour c);

QImage canvas(int w, int h);

// ---- images (s x s unless said) ----
QImage star(int s, const Palette& pal);
QImage heart(int s, const Palette& pal);
QImage circle(int s, const Palette& pal);
QImage gem(int s, const Palette& pal);
QImage arrow(int s, const Palette& pal);             // s x 2s/3, pointing right
QImage chevron(int s, const Palette& pal);           // a double chevron pointing right
QImage badge(int s, const Palette& pal);
QImage button(const QString& text, int h, const Palette& pal);
QImage saleTag(const QString& text, int h, const Palette& pal);
QImage burst(const QString& text, int s, const Palette& pal);
QImage weather(const QString& kind, int s);          // sunny, cloudy, rain, snow, storm, moon, rainbow, umbrella, snowflake
QImage icon(const QString& kind, int s, const Palette& pal);  // check, cross, mail, cart, home, info, bell, play, search, plus
QImage gift(int s, const Palette& pal);
QImage trophy(int s, const Palette& pal);
QImage coin(int s, const Palette& pal, double turn = 0);  // turn 0..1: the coin seen from its side at 0.25
QImage lightning(int s, const Palette& pal);
QImage clockFace(int s, const Palette& pal, double hours = 10.17);
QImage phone(int s, const Palette& pal);
QImage pin(int s, const Palette& pal);
QImage bubble(int s, const Palette& pal);            // tail at the lower left
QImage ribbon(int s, const Palette& pal);
QImage thumbsUp(int s, const Palette& skin);
QImage shoppingBag(int s, const Palette& pal);
QImage face(const QString& mood, int s, const Palette& pal);  // smile, wink, surprised, cool
QImage figure(int s, const Palette& shirt, int pose = 0);     // a waving person; poses 0..7 walk
QImage firework(int s, const Palette& pal, double burst = 1);
QImage balloon(int s, const Palette& pal);
QImage crown(int s, const Palette& pal);

// ---- backgrounds (opaque) ----
QImage gradient(QColor top, QColor bottom, int w, int h);
QImage pattern(const QString& kind, QColor a, QColor b, int tile);   // stripes, dots, checks, diamonds, grid
QImage bokeh(int w, int h, const Palette& pal);
QImage rays(int w, int h, const Palette& pal);
QImage confetti(int w, int h, QColor ground);
QImage paper(int w, int h, int kind);                // 0 white, 1 kraft, 2 lined notebook
QImage starrySky(int w, int h);
QImage cloudySky(int w, int h);

// ---- animations: frames side by side, each w x h; mirrored frames when asked ----
QImage strip(int frames, int w, int h, bool mirror, const std::function<void(QPainter&, int)>& draw);
// Draws a picture of this file's into a frame (the painter's origin is the frame's corner).
void place(QPainter& p, const QImage& picture, double x, double y);
QPainterPath starPath(QPointF c, double outer, double inner, int points = 5);
void shaded(QPainter& p, const QPainterPath& path, const Palette& pal, double size);

// ---- sounds: 16-bit mono PCM WAV files ----
QByteArray wavBytes(const std::function<double(double t)>& signal, double seconds, int rate = 22050);
double envelope(double t, double attack, double length);

} // namespace deflib
