// Draws the interface pictures of the windows (dialog decorations, button faces, message-box
// pictures) and packs them into the interface store. Every picture is drawn from the same
// vector recipe twice: at its size in window pixels ("name.bmp") and at twice that
// ("name@2x.bmp"), so that windows are sharp at device pixel ratio 1 and 2.
// The pictures themselves are drawn in interart/, one file per area of the program.
// Usage: kav-makeinter DATADIR   (writes DATADIR/Inter.rif and DATADIR/Inter.rdf)
#include "interart/art.h"
#include "ui/forms/bitmapfile.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>

#include <cstdio>
#include <vector>

using kav::EncodeBitmap;
using kavart::Recipe;

namespace {

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
    std::vector<Recipe> recipes;
    for (const kavart::ArtFunction add : kavart::ArtFunctions())
        add(recipes);
    for (const Recipe& recipe : recipes) {
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
