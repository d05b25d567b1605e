// Draws the mouse cursors an item may show while the mouse is over it, 32 x 32 on lime green (the
// cursors' transparent colour), and packs them into the cursor library of the data folder:
// "Cursors.rif" (lines "NN.bmp;offset;size") and "cursors.rdf" (the bitmap files one after another).
// Usage: kav-makecursors DATADIR
#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QtMath>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QColor kKey(0, 255, 0);
const QColor kInk(0x16, 0x1B, 0x24);
const QColor kWhite(Qt::white);
const QColor kBlue(0x27, 0x61, 0xD9);
const QColor kRed(0xE0, 0x3A, 0x3E);
const QColor kGold(0xF2, 0xB1, 0x1B);

struct Cursor {
    const char* file;
    std::function<void(QPainter&)> draw;
};

// A shape filled white (or a colour) with a dark outline: the classic look that shows on any
// background.
void Outlined(QPainter& p, const QPainterPath& path, const QColor& fill = kWhite, qreal pen = 1.6)
{
    p.setPen(QPen(kInk, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

QPainterPath Arrow(qreal x = 4, qreal y = 2, qreal s = 1)
{
    QPainterPath a;
    const QPointF pts[] = {{0, 0}, {0, 19}, {4.5, 15}, {7.5, 22}, {10.5, 20.7}, {7.6, 14}, {13.5, 14}};
    a.moveTo(x + pts[0].x() * s, y + pts[0].y() * s);
    for (int i = 1; i < 7; ++i)
        a.lineTo(x + pts[i].x() * s, y + pts[i].y() * s);
    a.closeSubpath();
    return a;
}

QPainterPath Star(QPointF c, qreal outer, qreal inner, int points = 5)
{
    QPainterPath s;
    for (int i = 0; i < points * 2; ++i) {
        const qreal r = i % 2 ? inner : outer;
        const qreal a = -M_PI / 2 + i * M_PI / points;
        const QPointF pt = c + QPointF(r * std::cos(a), r * std::sin(a));
        if (i == 0)
            s.moveTo(pt);
        else
            s.lineTo(pt);
    }
    s.closeSubpath();
    return s;
}

QPainterPath Hand()
{
    // A pointing hand: the index finger up, the other fingers folded, the cuff below.
    QPainterPath h;
    h.moveTo(11, 3.5);
    h.cubicTo(11, 1.5, 14.5, 1.5, 14.5, 3.5);
    h.lineTo(14.5, 12);
    h.cubicTo(15, 10.2, 18, 10.2, 18, 12.2);
    h.cubicTo(18.6, 10.6, 21.5, 10.8, 21.5, 13);
    h.cubicTo(22.2, 11.6, 25, 12, 25, 14.2);
    h.lineTo(25, 21);
    h.cubicTo(25, 25, 23, 27, 22, 28.5);
    h.lineTo(12.5, 28.5);
    h.cubicTo(11, 26, 8, 22.5, 6.2, 19.6);
    h.cubicTo(5, 17.6, 7.2, 15.7, 9, 17.4);
    h.lineTo(11, 19.4);
    h.closeSubpath();
    return h;
}

std::vector<Cursor> Cursors()
{
    return {
        {"00", [](QPainter& p) { Outlined(p, Arrow(8, 4)); }},
        {"01", [](QPainter& p) {
             Outlined(p, Hand());
             p.setPen(QPen(kInk, 1.1));
             p.drawLine(QPointF(18, 12.5), QPointF(18, 17));
             p.drawLine(QPointF(21.5, 13.2), QPointF(21.5, 17.5));
         }},
        {"02", [](QPainter& p) {
             for (const QColor& c : {kWhite, kInk}) {
                 p.setPen(QPen(c, c == kWhite ? 4 : 1.8, Qt::SolidLine, Qt::FlatCap));
                 p.drawLine(QPointF(16, 3), QPointF(16, 12));
                 p.drawLine(QPointF(16, 20), QPointF(16, 29));
                 p.drawLine(QPointF(3, 16), QPointF(12, 16));
                 p.drawLine(QPointF(20, 16), QPointF(29, 16));
             }
             p.setPen(QPen(kRed, 2));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(16, 16), 1.5, 1.5);
         }},
        {"03", [](QPainter& p) {
             Outlined(p, Arrow(3, 2));
             p.setPen(QPen(kInk, 1.4));
             p.setBrush(kBlue);
             p.drawEllipse(QPointF(23, 21), 7.5, 7.5);
             QFont f(QStringLiteral("DejaVu Sans"));
             f.setPixelSize(12);
             f.setBold(true);
             p.setFont(f);
             p.setPen(kWhite);
             p.drawText(QRectF(15.5, 13.5, 15, 15), Qt::AlignCenter, QStringLiteral("?"));
         }},
        {"04", [](QPainter& p) {
             for (const QColor& c : {kWhite, kInk}) {
                 p.setPen(QPen(c, c == kWhite ? 4.2 : 1.8, Qt::SolidLine, Qt::RoundCap));
                 p.drawLine(QPointF(16, 6), QPointF(16, 26));
                 p.drawLine(QPointF(11.5, 5), QPointF(20.5, 5));
                 p.drawLine(QPointF(11.5, 27), QPointF(20.5, 27));
             }
         }},
        {"05", [](QPainter& p) {
             QPainterPath m;
             const qreal c = 16;
             // Four arrows on a cross.
             m.moveTo(c, 2);
             m.lineTo(c + 5, 7.5); m.lineTo(c + 2, 7.5); m.lineTo(c + 2, c - 2); m.lineTo(c + 8.5 - 2, c - 2);
             m.lineTo(24.5, c - 5); m.lineTo(30, c); m.lineTo(24.5, c + 5); m.lineTo(24.5, c + 2); m.lineTo(c + 2, c + 2);
             m.lineTo(c + 2, 24.5); m.lineTo(c + 5, 24.5); m.lineTo(c, 30); m.lineTo(c - 5, 24.5); m.lineTo(c - 2, 24.5);
             m.lineTo(c - 2, c + 2); m.lineTo(7.5, c + 2); m.lineTo(7.5, c + 5); m.lineTo(2, c); m.lineTo(7.5, c - 5);
             m.lineTo(7.5, c - 2); m.lineTo(c - 2, c - 2); m.lineTo(c - 2, 7.5); m.lineTo(c - 5, 7.5);
             m.closeSubpath();
             Outlined(p, m);
         }},
        {"06", [](QPainter& p) {
             // An hourglass with sand.
             QPainterPath g;
             g.moveTo(8, 3); g.lineTo(24, 3); g.lineTo(24, 7);
             g.cubicTo(24, 12, 18, 14, 18, 16); g.cubicTo(18, 18, 24, 20, 24, 25);
             g.lineTo(24, 29); g.lineTo(8, 29); g.lineTo(8, 25);
             g.cubicTo(8, 20, 14, 18, 14, 16); g.cubicTo(14, 14, 8, 12, 8, 7);
             g.closeSubpath();
             Outlined(p, g);
             p.setPen(Qt::NoPen);
             p.setBrush(kGold);
             QPainterPath sand;
             sand.moveTo(11, 27); sand.lineTo(21, 27); sand.cubicTo(21, 23, 17, 21.5, 16, 19.5);
             sand.cubicTo(15, 21.5, 11, 23, 11, 27);
             p.drawPath(sand);
             p.drawPolygon(QPolygonF({QPointF(11, 8.5), QPointF(21, 8.5), QPointF(16, 13)}));
             p.setPen(QPen(kInk, 2.4, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(6.5, 3), QPointF(25.5, 3));
             p.drawLine(QPointF(6.5, 29), QPointF(25.5, 29));
         }},
        {"07", [](QPainter& p) {
             p.setPen(QPen(kWhite, 7));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(16, 16), 10.5, 10.5);
             p.drawLine(QPointF(8.6, 23.4), QPointF(23.4, 8.6));
             p.setPen(QPen(kRed, 3.6));
             p.drawEllipse(QPointF(16, 16), 10.5, 10.5);
             p.drawLine(QPointF(8.6, 23.4), QPointF(23.4, 8.6));
         }},
        {"08", [](QPainter& p) {
             p.setPen(QPen(kInk, 6, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(19.5, 19.5), QPointF(28, 28));
             p.setPen(QPen(kInk, 2));
             p.setBrush(QColor(0xDB, 0xE8, 0xFB));
             p.drawEllipse(QPointF(13, 13), 9.5, 9.5);
             p.setPen(QPen(kBlue, 2.4, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(9, 13), QPointF(17, 13));
             p.drawLine(QPointF(13, 9), QPointF(13, 17));
         }},
        {"09", [](QPainter& p) {
             // A pencil, writing to the lower left.
             p.translate(16, 16);
             p.rotate(45);
             QPainterPath body;
             body.addRect(QRectF(-4, -13, 8, 19));
             Outlined(p, body, kGold);
             QPainterPath tip;
             tip.moveTo(-4, 6); tip.lineTo(4, 6); tip.lineTo(0, 14); tip.closeSubpath();
             Outlined(p, tip, QColor(0xF5, 0xDE, 0xB3));
             p.setPen(Qt::NoPen);
             p.setBrush(kInk);
             p.drawPolygon(QPolygonF({QPointF(-1.4, 11.2), QPointF(1.4, 11.2), QPointF(0, 14)}));
             QPainterPath cap;
             cap.addRoundedRect(QRectF(-4, -16, 8, 4), 1.5, 1.5);
             Outlined(p, cap, QColor(0xF2, 0x8B, 0xA8));
         }},
        {"10", [](QPainter& p) {
             // Arrow with a link badge: "this goes somewhere".
             Outlined(p, Arrow(3, 2));
             p.setPen(QPen(kInk, 1.4));
             p.setBrush(kWhite);
             p.drawRoundedRect(QRectF(15, 15, 15, 14), 3, 3);
             p.setPen(QPen(kBlue, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             p.drawLine(QPointF(19, 25), QPointF(26, 18));
             p.drawLine(QPointF(21.5, 18), QPointF(26, 18));
             p.drawLine(QPointF(26, 18), QPointF(26, 22.5));
         }},
        {"11", [](QPainter& p) { Outlined(p, Star(QPointF(16, 17), 14, 6), kGold, 1.5); }},
        {"12", [](QPainter& p) {
             QPainterPath h;
             h.moveTo(16, 28);
             h.cubicTo(4, 20, 2, 13, 5, 8.5);
             h.cubicTo(8, 4, 14, 4.5, 16, 9.5);
             h.cubicTo(18, 4.5, 24, 4, 27, 8.5);
             h.cubicTo(30, 13, 28, 20, 16, 28);
             h.closeSubpath();
             Outlined(p, h, kRed, 1.5);
             p.setPen(QPen(QColor(255, 255, 255, 200), 2, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(8.5, 11), QPointF(10, 9));
         }},
        {"13", [](QPainter& p) {
             // A shopping cart.
             p.setPen(QPen(kWhite, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             QPainterPath frame;
             frame.moveTo(2.5, 6); frame.lineTo(7, 6); frame.lineTo(10.5, 20.5); frame.lineTo(25, 20.5);
             p.drawPath(frame);
             QPainterPath basket;
             basket.moveTo(8, 9); basket.lineTo(28.5, 9); basket.lineTo(26, 17.5); basket.lineTo(10, 17.5); basket.closeSubpath();
             Outlined(p, basket, kBlue, 1.4);
             p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             p.setBrush(Qt::NoBrush);
             p.drawPath(frame);
             p.setBrush(kInk);
             p.drawEllipse(QPointF(12.5, 25.5), 2.3, 2.3);
             p.drawEllipse(QPointF(23.5, 25.5), 2.3, 2.3);
         }},
        {"14", [](QPainter& p) {
             p.setPen(QPen(kInk, 1.6));
             p.setBrush(kBlue);
             p.drawEllipse(QPointF(16, 16), 13, 13);
             p.setPen(Qt::NoPen);
             p.setBrush(kWhite);
             p.drawPolygon(QPolygonF({QPointF(12.5, 9.5), QPointF(23, 16), QPointF(12.5, 22.5)}));
         }},
        {"15", [](QPainter& p) {
             // Download: an arrow down onto a tray.
             QPainterPath a;
             a.moveTo(13, 3); a.lineTo(19, 3); a.lineTo(19, 13); a.lineTo(24.5, 13); a.lineTo(16, 22);
             a.lineTo(7.5, 13); a.lineTo(13, 13); a.closeSubpath();
             Outlined(p, a, QColor(0x2E, 0xA0, 0x5A));
             QPainterPath tray;
             tray.moveTo(4, 21); tray.lineTo(4, 28.5); tray.lineTo(28, 28.5); tray.lineTo(28, 21);
             p.setPen(QPen(kWhite, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             p.setBrush(Qt::NoBrush);
             p.drawPath(tray);
             p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             p.drawPath(tray);
         }},
        {"16", [](QPainter& p) {
             // A speech bubble: "tell me more".
             QPainterPath b;
             b.addRoundedRect(QRectF(3, 4, 26, 18), 6, 6);
             QPainterPath tail;
             tail.moveTo(9, 20); tail.lineTo(7, 29); tail.lineTo(16, 21); tail.closeSubpath();
             Outlined(p, b.united(tail));
             p.setPen(Qt::NoPen);
             p.setBrush(kBlue);
             for (int i = 0; i < 3; ++i)
                 p.drawEllipse(QPointF(10 + i * 6, 13), 2, 2);
         }},
        {"17", [](QPainter& p) {
             // A target.
             for (int i = 0; i < 3; ++i) {
                 p.setPen(QPen(kInk, 1.4));
                 p.setBrush(i % 2 ? kWhite : kRed);
                 p.drawEllipse(QPointF(16, 16), 13 - i * 4.3, 13 - i * 4.3);
             }
         }},
        {"18", [](QPainter& p) {
             // An envelope: "write to us".
             QPainterPath e;
             e.addRoundedRect(QRectF(3, 7, 26, 18), 2.5, 2.5);
             Outlined(p, e);
             p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             p.setBrush(Qt::NoBrush);
             QPainterPath flap;
             flap.moveTo(4, 8.5); flap.lineTo(16, 18); flap.lineTo(28, 8.5);
             p.drawPath(flap);
         }},
        {"19", [](QPainter& p) {
             // A gift box: "win something".
             QPainterPath box;
             box.addRect(QRectF(5, 14, 22, 14));
             Outlined(p, box, kRed);
             QPainterPath lid;
             lid.addRect(QRectF(3, 9, 26, 6));
             Outlined(p, lid, kRed);
             p.setPen(Qt::NoPen);
             p.setBrush(kGold);
             p.drawRect(QRectF(14, 9.8, 4, 17.4));
             p.setPen(QPen(kInk, 1.4));
             p.setBrush(kGold);
             p.drawEllipse(QRectF(8.5, 3, 7, 6.5));
             p.drawEllipse(QRectF(16.5, 3, 7, 6.5));
         }},
    };
}

// The drawing, antialiased on transparency, made hard-edged on the key colour: a blended edge
// would leave a green fringe once the key is cut out.
QImage Render(const Cursor& c)
{
    QImage art(32, 32, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        c.draw(p);
    }
    QImage out(32, 32, QImage::Format_RGB888);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb px = art.pixel(x, y);
            QColor colour = qAlpha(px) < 110 ? kKey : QColor(qRed(px), qGreen(px), qBlue(px));
            // Never the key by accident inside the picture.
            if (colour == kKey && qAlpha(px) >= 110)
                colour = QColor(0, 254, 0);
            out.setPixelColor(x, y, colour);
        }
    return out;
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "kav-makecursors: cannot write %s\n", qPrintable(path));
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
        std::fprintf(stderr, "usage: kav-makecursors DATADIR\n");
        return 2;
    }
    const QString dataDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dataDir);
    QByteArray index, data;
    for (const Cursor& c : Cursors()) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!Render(c).save(&buffer, "BMP")) {
            std::fprintf(stderr, "kav-makecursors: cannot encode cursor %s\n", c.file);
            return 1;
        }
        index += QByteArray(c.file) + ".bmp;" + QByteArray::number(data.size()) + ';' + QByteArray::number(bytes.size())
                 + "\r\n";
        data += bytes;
    }
    return Write(dataDir + QStringLiteral("/cursors.rdf"), data) && Write(dataDir + QStringLiteral("/Cursors.rif"), index)
               ? 0
               : 1;
}
