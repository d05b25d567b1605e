// Draws the default media library "deflib" that ships with the program: images in variants of
// orientation, size and colour (shapes, arrows, badges, buttons, sale tags, weather, icons),
// backgrounds (gradients and tiling patterns), short animation strips and sounds. Each type is
// packed into an index "<type>.rif" and a data file "<type>.rdf" in three folders: Media (the
// bitmaps and WAV files), Preview (small previews) and Java (the GIF forms the exported ad uses).
// The sound catalogue "sound.txt" goes to the data folder.
//
// Usage: kav-makedeflib APPDIR
#include "platform/gifwriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>
#include <functional>
#include <array>
#include <map>

namespace {
const QRgb kKey = qRgb(0, 255, 0);  // the default transparent colour

// One index and data file being filled.
struct Pack {
    QByteArray data;
    QByteArray index;
    void add(const QString& name, const QByteArray& bytes)
    {
        index += name.toLower().toUtf8() + ';' + QByteArray::number(data.size()) + ';' + QByteArray::number(bytes.size()) + "\r\n";
        data += bytes;
    }
    bool write(const QString& dir, const QString& type) const
    {
        QDir().mkpath(dir);
        QFile rif(dir + "/" + type + ".rif"), rdf(dir + "/" + type + ".rdf");
        return rif.open(QIODevice::WriteOnly) && rif.write(index) == index.size() && rdf.open(QIODevice::WriteOnly) &&
               rdf.write(data) == data.size();
    }
};

QByteArray bmpBytes(const QImage& img)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.convertToFormat(QImage::Format_RGB888).save(&b, "BMP");
    return out;
}

// Pictures are drawn antialiased on a transparent canvas; the edge pixels are then made either
// opaque or the key colour, so no green fringe shows over other colours.
QImage flatten(const QImage& argb)
{
    QImage out(argb.size(), QImage::Format_RGB32);
    const QImage src = argb.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            QRgb c = qAlpha(in[x]) < 110 ? kKey : (in[x] | 0xFF000000);
            if (c != kKey && (c & 0xFFFFFF) == (kKey & 0xFFFFFF))
                c = qRgb(0, 254, 0);
            o[x] = c;
        }
    }
    return out;
}

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

struct Palette {
    QColor main, dark, light;
};
const Palette kColours[] = {
    {QColor(226, 54, 54), QColor(150, 24, 30), QColor(255, 150, 140)},    // red
    {QColor(40, 110, 220), QColor(20, 56, 140), QColor(140, 190, 255)},   // blue
    {QColor(20, 160, 140), QColor(8, 96, 84), QColor(130, 225, 205)},     // teal
    {QColor(245, 180, 20), QColor(176, 110, 0), QColor(255, 232, 140)},   // gold
};

QPainterPath starPath(QPointF c, double outer, double inner, int points = 5)
{
    QPainterPath path;
    for (int i = 0; i < points * 2; ++i) {
        const double a = -M_PI / 2 + i * M_PI / points;
        const double r = (i % 2) ? inner : outer;
        const QPointF p(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

void shaded(QPainter& p, const QPainterPath& path, const Palette& pal, double size)
{
    QLinearGradient g(0, 0, 0, size);
    g.setColorAt(0, pal.light);
    g.setColorAt(0.45, pal.main);
    g.setColorAt(1, pal.dark);
    p.setBrush(g);
    p.setPen(QPen(pal.dark, std::max(1.0, size / 28)));
    p.drawPath(path);
}

// ---- images -----------------------------------------------------------------------------------
QImage star(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    shaded(p, starPath(QPointF(s / 2.0, s / 2.0 + s * 0.04), s * 0.47, s * 0.2), pal, s);
    return flatten(img);
}

QImage heart(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    const double w = s;
    path.moveTo(w / 2, w * 0.92);
    path.cubicTo(w * -0.1, w * 0.5, w * 0.15, w * 0.02, w / 2, w * 0.28);
    path.cubicTo(w * 0.85, w * 0.02, w * 1.1, w * 0.5, w / 2, w * 0.92);
    shaded(p, path, pal, s);
    return flatten(img);
}

QImage circle(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(s * 0.35, s * 0.3, s * 0.7);
    g.setColorAt(0, pal.light);
    g.setColorAt(0.5, pal.main);
    g.setColorAt(1, pal.dark);
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(1, 1, s - 2, s - 2));
    return flatten(img);
}

QImage arrow(int s, const Palette& pal, bool left)
{
    const int w = s, h = s * 2 / 3;
    QImage img = canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (left) {
        p.translate(w, 0);
        p.scale(-1, 1);
    }
    QPainterPath path;
    path.moveTo(1, h * 0.3);
    path.lineTo(w * 0.55, h * 0.3);
    path.lineTo(w * 0.55, 1);
    path.lineTo(w - 1, h / 2.0);
    path.lineTo(w * 0.55, h - 1);
    path.lineTo(w * 0.55, h * 0.7);
    path.lineTo(1, h * 0.7);
    path.closeSubpath();
    shaded(p, path, pal, h);
    return flatten(img);
}

QImage badge(int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    shaded(p, starPath(QPointF(s / 2.0, s / 2.0), s * 0.49, s * 0.41, 12), pal, s);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 220), std::max(1.0, s / 24.0)));
    p.drawEllipse(QPointF(s / 2.0, s / 2.0), s * 0.3, s * 0.3);
    // A check mark: the badge of approval.
    QPainterPath tick;
    tick.moveTo(s * 0.36, s * 0.52);
    tick.lineTo(s * 0.46, s * 0.62);
    tick.lineTo(s * 0.66, s * 0.4);
    p.setPen(QPen(Qt::white, std::max(2.0, s / 12.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    return flatten(img);
}

QImage button(const QString& text, int h, const Palette& pal)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(h * 45 / 100);
    const int textWidth = QFontMetrics(f).horizontalAdvance(text);
    const int w = textWidth + h * 2;
    QImage img = canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(1, 1, w - 2, h - 2), h / 2.4, h / 2.4);
    shaded(p, path, pal, h);
    // A gloss on the upper half.
    QPainterPath gloss;
    gloss.addRoundedRect(QRectF(h / 4.0, 3, w - h / 2.0, h / 2.4), h / 5.0, h / 5.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawPath(gloss);
    p.setFont(f);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(1, 2, w, h), Qt::AlignCenter, text);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, text);
    return flatten(img);
}

QImage saleTag(const QString& text, int h, const Palette& pal)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(h * 42 / 100);
    const int w = QFontMetrics(f).horizontalAdvance(text) + h * 3 / 2;
    QImage img = canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(h * 0.45, 1);
    path.lineTo(w - 2, 1);
    path.lineTo(w - 2, h - 1);
    path.lineTo(h * 0.45, h - 1);
    path.lineTo(1, h / 2.0);
    path.closeSubpath();
    path.addEllipse(QPointF(h * 0.45, h / 2.0), h * 0.09, h * 0.09);
    path.setFillRule(Qt::OddEvenFill);
    shaded(p, path, pal, h);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(h * 0.65, 0, w - h * 0.7, h), Qt::AlignCenter, text);
    return flatten(img);
}

QImage burst(const QString& text, int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    shaded(p, starPath(QPointF(s / 2.0, s / 2.0), s * 0.49, s * 0.36, 16), pal, s);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(std::max(8, s * 26 / 100));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, text);
    return flatten(img);
}

QImage weather(const QString& kind, int s)
{
    QImage img = canvas(s, s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    auto sun = [&](QPointF c, double r) {
        p.setPen(QPen(QColor(255, 170, 0), std::max(1.5, s / 20.0), Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            p.drawLine(QPointF(c.x() + r * 1.3 * std::cos(a), c.y() + r * 1.3 * std::sin(a)),
                       QPointF(c.x() + r * 1.75 * std::cos(a), c.y() + r * 1.75 * std::sin(a)));
        }
        p.setPen(Qt::NoPen);
        QRadialGradient g(c, r);
        g.setColorAt(0, QColor(255, 240, 120));
        g.setColorAt(1, QColor(255, 190, 0));
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    };
    auto cloud = [&](double top, const QColor& colour) {
        p.setBrush(colour);
        p.setPen(QPen(colour.darker(125), std::max(1.0, s / 40.0)));
        QPainterPath c;
        c.setFillRule(Qt::WindingFill);
        c.addEllipse(QRectF(s * 0.08, top + s * 0.18, s * 0.42, s * 0.32));
        c.addEllipse(QRectF(s * 0.28, top, s * 0.45, s * 0.45));
        c.addEllipse(QRectF(s * 0.52, top + s * 0.14, s * 0.4, s * 0.36));
        p.drawPath(c.simplified());
    };
    if (kind == "sunny") {
        sun(QPointF(s / 2.0, s / 2.0), s * 0.24);
    } else if (kind == "cloudy") {
        sun(QPointF(s * 0.62, s * 0.35), s * 0.16);
        cloud(s * 0.3, QColor(245, 248, 255));
    } else if (kind == "rain" || kind == "snow" || kind == "storm") {
        cloud(s * 0.08, kind == "storm" ? QColor(150, 156, 170) : QColor(225, 232, 245));
        if (kind == "rain") {
            p.setPen(QPen(QColor(50, 120, 230), std::max(1.5, s / 18.0), Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 4; ++i)
                p.drawLine(QPointF(s * (0.25 + i * 0.16), s * 0.66), QPointF(s * (0.21 + i * 0.16), s * 0.86));
        } else if (kind == "snow") {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(120, 170, 240));
            for (int i = 0; i < 4; ++i)
                p.drawEllipse(QPointF(s * (0.24 + i * 0.17), s * (i % 2 ? 0.8 : 0.7)), s * 0.05, s * 0.05);
        } else {
            QPainterPath bolt;
            bolt.moveTo(s * 0.52, s * 0.55);
            bolt.lineTo(s * 0.38, s * 0.78);
            bolt.lineTo(s * 0.5, s * 0.78);
            bolt.lineTo(s * 0.42, s * 0.98);
            bolt.lineTo(s * 0.66, s * 0.7);
            bolt.lineTo(s * 0.54, s * 0.7);
            bolt.lineTo(s * 0.62, s * 0.55);
            bolt.closeSubpath();
            p.setPen(QPen(QColor(200, 120, 0), 1));
            p.setBrush(QColor(255, 214, 0));
            p.drawPath(bolt);
        }
    }
    return flatten(img);
}

QImage icon(const QString& kind, int s, const Palette& pal)
{
    QImage img = canvas(s, s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath disc;
    disc.addEllipse(QRectF(1, 1, s - 2, s - 2));
    shaded(p, disc, pal, s);
    const QPen line(Qt::white, std::max(2.0, s / 11.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(line);
    p.setBrush(Qt::NoBrush);
    const double a = s * 0.28, b = s * 0.72;
    if (kind == "check") {
        p.drawPolyline(QPolygonF({QPointF(a, s * 0.52), QPointF(s * 0.45, s * 0.68), QPointF(b, s * 0.36)}));
    } else if (kind == "cross") {
        p.drawLine(QPointF(a + 2, a + 2), QPointF(b - 2, b - 2));
        p.drawLine(QPointF(b - 2, a + 2), QPointF(a + 2, b - 2));
    } else if (kind == "mail") {
        p.drawRect(QRectF(a - 2, s * 0.34, b - a + 4, s * 0.32));
        p.drawPolyline(QPolygonF({QPointF(a - 2, s * 0.34), QPointF(s / 2.0, s * 0.52), QPointF(b + 2, s * 0.34)}));
    } else if (kind == "cart") {
        p.drawPolyline(QPolygonF({QPointF(a - 3, s * 0.3), QPointF(a + 2, s * 0.3), QPointF(a + 6, s * 0.6),
                                  QPointF(b, s * 0.6), QPointF(b + 2, s * 0.38), QPointF(a + 3, s * 0.38)}));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(a + 8, s * 0.7), s * 0.03, s * 0.03);
        p.drawEllipse(QPointF(b - 3, s * 0.7), s * 0.03, s * 0.03);
    } else if (kind == "home") {
        p.drawPolyline(QPolygonF({QPointF(a - 2, s * 0.5), QPointF(s / 2.0, s * 0.28), QPointF(b + 2, s * 0.5)}));
        p.drawPolyline(QPolygonF({QPointF(a + 3, s * 0.46), QPointF(a + 3, s * 0.72), QPointF(b - 3, s * 0.72), QPointF(b - 3, s * 0.46)}));
    } else if (kind == "info") {
        p.drawLine(QPointF(s / 2.0, s * 0.45), QPointF(s / 2.0, s * 0.72));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(s / 2.0, s * 0.3), s * 0.02, s * 0.02);
    }
    return flatten(img);
}

// ---- backgrounds ------------------------------------------------------------------------------
QImage gradient(QColor top, QColor bottom, int w = 468, int h = 120)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(img.rect(), g);
    return img;
}

QImage pattern(const QString& kind, QColor a, QColor b)
{
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(a);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(b);
    if (kind == "stripes") {
        for (int i = -32; i < 64; i += 16)
            p.drawPolygon(QPolygonF({QPointF(i, 32), QPointF(i + 8, 32), QPointF(i + 40, 0), QPointF(i + 32, 0)}));
    } else if (kind == "dots") {
        p.drawEllipse(QPointF(8, 8), 4, 4);
        p.drawEllipse(QPointF(24, 24), 4, 4);
    } else if (kind == "checks") {
        p.drawRect(0, 0, 16, 16);
        p.drawRect(16, 16, 16, 16);
    } else if (kind == "diamonds") {
        p.drawPolygon(QPolygonF({QPointF(16, 2), QPointF(30, 16), QPointF(16, 30), QPointF(2, 16)}));
    } else if (kind == "grid") {
        p.setPen(QPen(b.darker(115), 2));
        p.drawLine(0, 0, 31, 0);
        p.drawLine(0, 0, 0, 31);
    }
    return img;
}

// ---- animations -------------------------------------------------------------------------------
QImage strip(int frames, int w, int h, const std::function<void(QPainter&, int)>& draw)
{
    QImage img = canvas(w * frames, h);
    for (int f = 0; f < frames; ++f) {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(f * w, 0);
        p.setClipRect(0, 0, w, h);
        draw(p, f);
    }
    return flatten(img);
}

// ---- sounds -----------------------------------------------------------------------------------
QByteArray wavBytes(const std::function<double(double t)>& signal, double seconds, int rate = 22050)
{
    const int n = int(seconds * rate);
    QByteArray samples;
    for (int i = 0; i < n; ++i) {
        const double v = std::clamp(signal(double(i) / rate), -1.0, 1.0);
        const qint16 s = qint16(v * 30000);
        samples.append(char(s & 0xFF)).append(char((s >> 8) & 0xFF));
    }
    QByteArray out;
    auto u32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF)); };
    auto u16 = [&](quint16 v) { out.append(char(v & 0xFF)).append(char(v >> 8)); };
    out += "RIFF";
    u32(36 + quint32(samples.size()));
    out += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(quint32(rate));
    u32(quint32(rate * 2));
    u16(2);
    u16(16);
    out += "data";
    u32(quint32(samples.size()));
    return out + samples;
}

double envelope(double t, double attack, double length) { return t < attack ? t / attack : std::exp(-(t - attack) * 5 / length); }

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kav-makedeflib APPDIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]) + "/Libraries/deflib/";
    std::map<QString, std::array<Pack, 3>> packs;  // type -> media, preview, java
    bool ok = true;

    auto addPicture = [&](const QString& type, const QString& name, const QImage& img) {
        packs[type][0].add(name + ".bmp", bmpBytes(img));
        const QImage preview = img.width() > 64 || img.height() > 64
                                   ? img.scaled(64, 64, Qt::KeepAspectRatio, Qt::FastTransformation)
                                   : img;
        packs[type][1].add(name + ".bmp", bmpBytes(preview));
        const QString gif = QDir::tempPath() + QStringLiteral("/kav-deflib-%1.gif").arg(QCoreApplication::applicationPid());
        try {
            kav::WriteGif(img, gif, type == "bkd" ? std::nullopt : std::optional<uint32_t>(0x0000FF00));
        } catch (...) {
            ok = false;
        }
        QFile f(gif);
        if (f.open(QIODevice::ReadOnly))
            packs[type][2].add(name + ".gif", f.readAll());
        else
            ok = false;
        QFile::remove(gif);
    };

    // Images: topic\oNsNcN with orientation, size and colour.
    const int sizes[3] = {32, 48, 64};
    const char* colourNames[4] = {"red", "blue", "teal", "gold"};
    Q_UNUSED(colourNames);
    for (int si = 0; si < 3; ++si)
        for (int ci = 0; ci < 4; ++ci) {
            const QString v = QStringLiteral("s%1c%2").arg(si + 1).arg(ci + 1);
            const Palette& pal = kColours[ci];
            addPicture("image", "shapes\\star\\o1" + v, star(sizes[si], pal));
            addPicture("image", "shapes\\heart\\o1" + v, heart(sizes[si], pal));
            addPicture("image", "shapes\\circle\\o1" + v, circle(sizes[si], pal));
            addPicture("image", "badges\\approved\\o1" + v, badge(sizes[si], pal));
            addPicture("image", "arrows\\arrow\\o1" + v, arrow(sizes[si], pal, false));
            addPicture("image", "arrows\\arrow\\o2" + v, arrow(sizes[si], pal, true));
            addPicture("image", "icons\\" + QString(si == 0 ? "check" : si == 1 ? "mail" : "cart") + "\\o1" + v,
                       icon(si == 0 ? "check" : si == 1 ? "mail" : "cart", 48, pal));
            addPicture("image", "icons\\" + QString(si == 0 ? "cross" : si == 1 ? "home" : "info") + "\\o1" + v,
                       icon(si == 0 ? "cross" : si == 1 ? "home" : "info", 48, pal));
        }
    const QStringList buttons{"Buy now", "Learn more", "Sign up", "Click here", "Shop now", "Download"};
    for (const QString& text : buttons)
        for (int si = 0; si < 2; ++si)
            for (int ci = 0; ci < 4; ++ci) {
                QString topic = text.toLower();
                topic.remove(' ');
                addPicture("image", QStringLiteral("buttons\\%1\\o1s%2c%3").arg(topic).arg(si + 1).arg(ci + 1),
                           button(text, si == 0 ? 26 : 36, kColours[ci]));
            }
    const QStringList tags{"SALE", "50% OFF", "FREE", "HOT DEAL"};
    for (const QString& text : tags)
        for (int si = 0; si < 2; ++si)
            for (int ci = 0; ci < 4; ++ci) {
                QString topic = text.toLower();
                topic.remove(' ').remove('%');
                addPicture("image", QStringLiteral("tags\\%1\\o1s%2c%3").arg(topic).arg(si + 1).arg(ci + 1),
                           saleTag(text, si == 0 ? 28 : 40, kColours[ci]));
            }
    for (int si = 0; si < 3; ++si)
        for (int ci = 0; ci < 4; ++ci)
            addPicture("image", QStringLiteral("tags\\new\\o1s%1c%2").arg(si + 1).arg(ci + 1),
                       burst("NEW", sizes[si] + 8, kColours[ci]));
    for (const char* kind : {"sunny", "cloudy", "rain", "snow", "storm"})
        for (int si = 0; si < 3; ++si)
            addPicture("image", QStringLiteral("weather\\%1\\o1s%2c1").arg(kind).arg(si + 1), weather(kind, sizes[si]));

    // Backgrounds.
    addPicture("bkd", "gradients\\sky", gradient(QColor(70, 140, 230), QColor(200, 230, 255)));
    addPicture("bkd", "gradients\\sunset", gradient(QColor(250, 120, 60), QColor(255, 215, 120)));
    addPicture("bkd", "gradients\\ocean", gradient(QColor(0, 90, 140), QColor(60, 190, 210)));
    addPicture("bkd", "gradients\\mint", gradient(QColor(200, 245, 225), QColor(110, 205, 170)));
    addPicture("bkd", "gradients\\night", gradient(QColor(10, 16, 50), QColor(60, 50, 120)));
    addPicture("bkd", "gradients\\silver", gradient(QColor(250, 250, 252), QColor(190, 196, 206)));
    const std::pair<QColor, QColor> tints[] = {{QColor(255, 250, 235), QColor(250, 215, 160)},
                                               {QColor(235, 245, 255), QColor(170, 205, 245)},
                                               {QColor(240, 240, 240), QColor(210, 210, 214)}};
    for (const char* kind : {"stripes", "dots", "checks", "diamonds", "grid"})
        for (int t = 0; t < 3; ++t)
            addPicture("bkd", QStringLiteral("patterns\\%1%2").arg(kind).arg(t + 1), pattern(kind, tints[t].first, tints[t].second));

    // Animations: strips of frames side by side.
    addPicture("anim", "spinstar", strip(8, 48, 48, [](QPainter& p, int f) {
        p.translate(24, 24);
        p.rotate(f * 9);
        p.translate(-24, -24);
        shaded(p, starPath(QPointF(24, 24), 22, 9), kColours[3], 48);
    }));
    addPicture("anim", "bounce", strip(8, 40, 56, [](QPainter& p, int f) {
        const double y = 6 + 34 * std::abs(std::sin(f * M_PI / 8 + M_PI / 2));
        QRadialGradient g(16, y + 6, 18);
        g.setColorAt(0, QColor(255, 190, 180));
        g.setColorAt(1, QColor(210, 30, 40));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(QRectF(6, y, 28, 28 - (y > 36 ? 3 : 0)));
    }));
    addPicture("anim", "blinknew", strip(4, 56, 56, [](QPainter& p, int f) {
        const double s = f % 2 ? 52 : 46;
        p.translate((56 - s) / 2, (56 - s) / 2);
        QPainterPath path = starPath(QPointF(s / 2, s / 2), s * 0.49, s * 0.36, 16);
        shaded(p, path, f % 2 ? kColours[0] : kColours[3], s);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(int(s * 0.26));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, QStringLiteral("NEW"));
    }));
    addPicture("anim", "arrowpulse", strip(6, 48, 32, [](QPainter& p, int f) {
        p.translate(2 + 3 * std::sin(f * M_PI / 3), 0);
        QPainterPath path;
        path.moveTo(1, 10);
        path.lineTo(24, 10);
        path.lineTo(24, 2);
        path.lineTo(42, 16);
        path.lineTo(24, 30);
        path.lineTo(24, 22);
        path.lineTo(1, 22);
        path.closeSubpath();
        shaded(p, path, kColours[1], 32);
    }));
    addPicture("anim", "loading", strip(8, 40, 40, [](QPainter& p, int f) {
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 8; ++i) {
            const double a = i * M_PI / 4;
            const int age = (f - i + 8) % 8;
            // Older dots fade towards white (solid colours: the key colour shows through nothing).
            const int fade = age * 26;
            p.setBrush(QColor(40 + fade * 215 / 208, 110 + fade * 145 / 208, 220 + fade * 35 / 208));
            p.drawEllipse(QPointF(20 + 14 * std::cos(a), 20 + 14 * std::sin(a)), 4, 4);
        }
    }));

    // Sounds.
    struct Sound {
        const char* name;
        const char* title;
        const char* sub;
        double seconds;
        std::function<double(double)> signal;
    };
    const Sound sounds[] = {
        {"click", "Click", "Clicks", 0.06, [](double t) { return std::sin(2 * M_PI * 2200 * t) * std::exp(-t * 90); }},
        {"pop", "Pop", "Clicks", 0.12, [](double t) { return std::sin(2 * M_PI * (600 - 3000 * t) * t) * std::exp(-t * 40); }},
        {"chime", "Chime", "Chimes", 1.2, [](double t) {
             return 0.5 * envelope(t, 0.005, 1.2) * (std::sin(2 * M_PI * 880 * t) + 0.5 * std::sin(2 * M_PI * 1320 * t));
         }},
        {"ding", "Ding", "Chimes", 0.8, [](double t) { return envelope(t, 0.003, 0.8) * std::sin(2 * M_PI * 1568 * t); }},
        {"whoosh", "Whoosh", "Whooshes", 0.7, [](double t) {
             // Filtered noise swelling and fading.
             static quint32 seed = 12345;
             seed = seed * 1664525u + 1013904223u;
             const double noise = double(seed >> 8) / double(1 << 24) * 2 - 1;
             return 0.6 * noise * std::sin(M_PI * t / 0.7);
         }},
    };
    QByteArray catalogue;
    for (const Sound& s : sounds) {
        packs["sound"][0].add(QString::fromLatin1(s.name) + ".wav", wavBytes(s.signal, s.seconds));
        catalogue += QByteArray("deflib\\sound\\") + s.name + '\t' + s.title + "\tEFFECTS\t" + s.sub + "\r\n";
    }

    const char* kinds[3] = {"Media", "Preview", "Java"};
    for (auto& [type, pack] : packs)
        for (int k = 0; k < 3; ++k)
            if (!pack[k].index.isEmpty())
                ok &= pack[k].write(root + kinds[k], type);
    QFile cat(QString::fromLocal8Bit(argv[1]) + "/Data/sound.txt");
    QDir().mkpath(QString::fromLocal8Bit(argv[1]) + "/Data");
    ok &= cat.open(QIODevice::WriteOnly) && cat.write(catalogue) == catalogue.size();
    if (!ok) {
        std::fprintf(stderr, "kav-makedeflib: cannot write the library in %s\n", qPrintable(root));
        return 1;
    }
    return 0;
}
