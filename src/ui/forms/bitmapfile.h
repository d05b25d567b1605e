#pragma once
#include <QByteArray>
#include <QImage>
#include <QtEndian>

namespace kav {

// Interface pictures are Windows bitmaps. Qt writes them without alpha, but our pictures are
// drawn antialiased over whatever lies below them, so they are written as 32-bit bitmaps with
// an alpha mask (the version 4 header), which Qt and other readers decode with their alpha.
inline QByteArray EncodeBitmap(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const quint32 w = quint32(image.width()), h = quint32(image.height());
    const quint32 headerSize = 14 + 108, dataSize = w * h * 4;
    QByteArray out;
    out.reserve(int(headerSize + dataSize));
    auto put32 = [&out](quint32 v) { char c[4]; qToLittleEndian(v, c); out.append(c, 4); };
    auto put16 = [&out](quint16 v) { char c[2]; qToLittleEndian(v, c); out.append(c, 2); };
    out.append("BM", 2);
    put32(headerSize + dataSize);
    put32(0);
    put32(headerSize);
    put32(108);                  // BITMAPV4HEADER
    put32(w);
    put32(h);                    // bottom-up rows
    put16(1);
    put16(32);
    put32(3);                    // BI_BITFIELDS
    put32(dataSize);
    put32(3780);                 // 96 pixels per inch
    put32(3780);
    put32(0);
    put32(0);
    put32(0x00FF0000);           // red, green, blue and alpha masks
    put32(0x0000FF00);
    put32(0x000000FF);
    put32(0xFF000000);
    put32(0x73524742);           // sRGB
    for (int i = 0; i < 12; ++i) // end points and gamma: unused with sRGB
        put32(0);
    for (int y = int(h) - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (quint32 x = 0; x < w; ++x)
            put32(line[x]);
    }
    return out;
}

} // namespace kav
