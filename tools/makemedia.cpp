// Draws the media that ship with the program: the placeholder bitmap and the sample images,
// animation strips and sounds. Usage: kav-makemedia APPDIR
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cstdio>

namespace {
const QColor kKey(0, 255, 0);  // the default transparent colour

bool save(const QImage& img, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!img.convertToFormat(QImage::Format_RGB888).save(path, "BMP")) {
        std::fprintf(stderr, "kav-makemedia: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage canvas(int w, int h, const QColor& fill = kKey)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

// Antialiasing would blend edges into the key colour and leave a green fringe: draw hard edges.
QImage sun()
{
    QImage img = canvas(48, 48);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 170, 0));
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        p.drawEllipse(QPointF(24 + 18 * std::cos(a), 24 + 18 * std::sin(a)), 4, 4);
    }
    p.setBrush(QColor(255, 220, 0));
    p.drawEllipse(QPointF(24, 24), 13, 13);
    return img;
}

QImage cloud()
{
    QImage img = canvas(64, 36);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 255));
    p.drawEllipse(4, 14, 26, 20);
    p.drawEllipse(18, 4, 28, 28);
    p.drawEllipse(36, 12, 24, 22);
    return img;
}

QImage sky()
{
    QImage img(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            img.setPixelColor(x, y, QColor(90 + y, 150 + y / 2, 235));
    QPainter p(&img);
    p.setPen(QColor(255, 255, 255));
    p.drawPoint(10, 12);
    p.drawPoint(44, 40);
    return img;
}

QImage placeholder()
{
    QImage img = canvas(32, 32, QColor(192, 192, 192));
    QPainter p(&img);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(0, 0, 31, 31);
    p.drawLine(0, 0, 31, 31);
    p.drawLine(31, 0, 0, 31);
    return img;
}

// A strip of frames side by side.
QImage spinner(int frames)
{
    QImage img = canvas(40 * frames, 40);
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    for (int f = 0; f < frames; ++f) {
        for (int k = 0; k < 8; ++k) {
            const double a = (k + f) * M_PI / 4;
            const int shade = 60 + 24 * k;
            p.setBrush(QColor(shade, 40, 255 - shade));
            p.drawEllipse(QPointF(40 * f + 20 + 13 * std::cos(a), 20 + 13 * std::sin(a)), 4, 4);
        }
    }
    return img;
}

QImage bird(int frames)
{
    QImage img = canvas(36 * frames, 24);
    QPainter p(&img);
    p.setPen(QPen(QColor(40, 40, 60), 3));
    for (int f = 0; f < frames; ++f) {
        const int wing = (f % 2 == 0) ? 2 : 18;
        const int x = 36 * f;
        p.drawLine(x + 3, wing, x + 18, 12);
        p.drawLine(x + 18, 12, x + 33, wing);
    }
    return img;
}

// 16-bit mono PCM: a short chime.
bool wav(const QString& path, double freq, double seconds, int rate = 22050)
{
    const int n = int(seconds * rate);
    QByteArray data;
    data.resize(n * 2);
    for (int i = 0; i < n; ++i) {
        const double env = std::exp(-3.0 * i / n);
        const qint16 v = qint16(12000 * env * std::sin(2 * M_PI * freq * i / rate));
        data[2 * i] = char(v & 0xFF);
        data[2 * i + 1] = char((v >> 8) & 0xFF);
    }
    auto le32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    auto le16 = [](quint16 v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    QByteArray out = "RIFF" + le32(36 + data.size()) + "WAVE" + "fmt " + le32(16) + le16(1) + le16(1) +
                     le32(rate) + le32(rate * 2) + le16(2) + le16(16) + "data" + le32(data.size()) + data;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size();
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kav-makemedia APPDIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = save(placeholder(), dir + "/Data/dummy.bmp");
    ok &= save(sun(), dir + "/Sample Media/Images/sun.bmp");
    ok &= save(cloud(), dir + "/Sample Media/Images/cloud.bmp");
    ok &= save(sky(), dir + "/Sample Media/Images/sky.bmp");
    ok &= save(spinner(8), dir + "/Sample Media/Animation/spinner.bmp");
    ok &= save(bird(4), dir + "/Sample Media/Animation/bird.bmp");
    ok &= wav(dir + "/Sample Media/Sound/chime.wav", 880, 0.6);
    ok &= wav(dir + "/Sample Media/Sound/hum.wav", 220, 1.5);
    return ok ? 0 : 1;
}
