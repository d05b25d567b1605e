#pragma once
// What the document and playback benchmarks share: the engine started on a scratch
// installation, media files drawn once into the working folder, and the helpers that put items,
// paths and events on a scene the way the editor's commands do.
//
// The scratch folder is made below $KAV_BENCH_DIR (default: the system's temporary folder).
// Put it on the disk the projects live on: a memory file system hides the writes.
#include "document/project.h"
#include "config/settings.h"
#include "app/startup.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "document/builder.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/scene.h"
#include "events/actions.h"
#include "events/timeactions.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace kavbench {

using namespace kav;

[[noreturn]] inline void die(const QString& message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::exit(1);
}

// A scratch installation (Data/fonts.txt, no user preferences) and a started engine whose
// working folder lies in it.
class Engine {
public:
    explicit Engine(const char* name)
    {
        QString base = QString::fromLocal8Bit(qgetenv("KAV_BENCH_DIR"));
        if (base.isEmpty())
            base = QDir::tempPath();
        QDir().mkpath(base);
        m_scratch = std::make_unique<QTemporaryDir>(base + QStringLiteral("/kav-%1-XXXXXX").arg(QLatin1String(name)));
        if (!m_scratch->isValid())
            die(QStringLiteral("cannot make a folder in %1").arg(base));
        const QString app = m_scratch->filePath(QStringLiteral("app")) + QLatin1Char('/');
        QDir().mkpath(app + QStringLiteral("Data"));
        write(app + QStringLiteral("Data/fonts.txt"),
              "Times New Roman:Times:TimesRoman\r\nArial:Helvetica:Helvetica\r\nCourier New:Courier:Courier\r\n");
        // The user's own preferences must not change what is measured.
        qputenv("KAVELINS_CONFIG_HOME", m_scratch->filePath(QStringLiteral("config")).toLocal8Bit());
        try {
            StartOptions options;
            options.applicationDir = app;
            StartEngine(options);
        } catch (const UserError& e) {
            die(QStringLiteral("cannot start the engine: %1").arg(e.message()));
        }
    }
    ~Engine() { ReplaceRunWorkDir(nullptr); }

    QString path(const QString& name) const { return m_scratch->filePath(name); }

    static void write(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            die(QStringLiteral("cannot write %1").arg(file));
    }

private:
    std::unique_ptr<QTemporaryDir> m_scratch;
};

// ---------------------------------------------------------------------------------------------
// Media: still images and animation strips, a round shape on the transparent colour.
constexpr int kImageCount = 12;
constexpr int kAnimCount = 6;

inline QString imageName(int i) { return QStringLiteral("image%1").arg(i, 2, 10, QLatin1Char('0')); }
inline QString animName(int i) { return QStringLiteral("anim%1").arg(i, 2, 10, QLatin1Char('0')); }
inline int animFrames(int i) { return 2 + i % 7; }

inline void drawShape(QImage& img, QRect r, QColor colour)
{
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(r);
}

inline void makeMedia(const QString& workDir)
{
    QRandomGenerator gen(4711);
    for (int i = 0; i < kImageCount; ++i) {
        const int w = 16 + int(gen.bounded(49)), h = 16 + int(gen.bounded(33));
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(qRgb(0, 255, 0));
        drawShape(img, img.rect(), QColor::fromRgb(gen.generate() | 0xFF000000u));
        if (!img.save(workDir + QStringLiteral("Image/") + imageName(i) + QStringLiteral(".bmp"), "BMP"))
            die(QStringLiteral("cannot write image %1").arg(i));
    }
    for (int i = 0; i < kAnimCount; ++i) {
        const int frames = animFrames(i), w = 16 + int(gen.bounded(25)), h = 16 + int(gen.bounded(25));
        QImage img(w * frames, h, QImage::Format_RGB32);
        img.fill(qRgb(0, 255, 0));
        for (int f = 0; f < frames; ++f)
            drawShape(img, QRect(f * w + f % 3, f % 4, w - 3, h - 4), QColor::fromRgb(gen.generate() | 0xFF000000u));
        if (!img.save(workDir + QStringLiteral("Animation/") + animName(i) + QStringLiteral(".bmp"), "BMP"))
            die(QStringLiteral("cannot write animation %1").arg(i));
    }
    QImage sky(64, 40, QImage::Format_RGB32);
    for (int y = 0; y < sky.height(); ++y)
        for (int x = 0; x < sky.width(); ++x)
            sky.setPixel(x, y, qRgb(120 + y, 170 + y, 235));
    if (!sky.save(workDir + QStringLiteral("Image/sky.bmp"), "BMP"))
        die(QStringLiteral("cannot write the background"));
}

// ---------------------------------------------------------------------------------------------
// Items, as the editor's commands make them.
inline TItemBase* image(TScene* scene, int media) { return Build::AddImage(scene, imageName(media)); }

inline TItemBase* anim(TScene* scene, int media, int tempo)
{
    return Build::AddAnim(scene, animName(media), animFrames(media), tempo);
}

inline TItemBase* text(TScene* scene, const QStringList& lines, const QString& font, int size, int style,
                       int spacing, uint32_t colour, uint32_t effects, int delay)
{
    return Build::AddText(scene, lines, {font, size, style, spacing, colour, effects, delay});
}

inline void path(TItemBase* item, const QList<QPoint>& anchors, int type, int repeat, int speed)
{
    Build::SetAnchorPath(item, anchors, type, repeat, speed);
}

// A path of 5, 7 or 9 points across the stage, of one of the menu's kinds (or repeated twice).
inline void randomPath(QRandomGenerator& gen, TItemBase* item, int kind)
{
    const int anchors = 3 + int(gen.bounded(3));
    QList<QPoint> a;
    for (int k = 0; k < anchors; ++k)
        a.append(QPoint(-20 + int(gen.bounded(508)), -10 + int(gen.bounded(140))));
    const int speed = 2 + int(gen.bounded(9));
    switch (kind % 5) {
    case 0: a.last() = a.first(); path(item, a, adtLoop, -1, speed); break;   // Closed Loop
    case 1: path(item, a, adtPath, -1, speed); break;                         // Repeat From Beginning
    case 2: path(item, a, adtReturn, -1, speed); break;                       // Back And Forth
    case 3: path(item, a, adtPath, 0, speed); break;                          // Stop At End
    default: path(item, a, adtPath, 2, speed); break;                         // three times
    }
}

template <class A>
A* timed(TItemBase* item, int frame) { return Build::Timed<A>(item, frame); }

template <class A>
A* onClick(TItemBase* item) { return Build::OnClick<A>(item); }

// A frame for a timed event: within the first pass of a repeating path (later times of such a
// path are never reached), anywhere in the first 150 frames otherwise.
inline int eventFrame(QRandomGenerator& gen, const TItemBase* item)
{
    const int cycle = item->FramesPerCycle();
    const bool repeats = item->Path.Repeats();
    if (repeats && cycle > 2)
        return 1 + int(gen.bounded(cycle - 1));
    return 1 + int(gen.bounded(150));
}

// The text effects in turn: each alone, none, two together and all five.
inline uint32_t effectsFor(int i)
{
    static const uint32_t kinds[] = {teBlink, TeTolaat, teElastic, teTypeWriter, teShrink, 0, teBlink | teElastic,
                                     teBlink | TeTolaat | teElastic | teTypeWriter | teShrink};
    return kinds[i % 8];
}

inline const QStringList& fontNames()
{
    static const QStringList names = {QStringLiteral("Times New Roman"), QStringLiteral("Arial"),
                                      QStringLiteral("Courier New")};
    return names;
}

inline QStringList textLines(QRandomGenerator& gen, int index)
{
    static const char* const words[] = {"Save", "50%", "today", "Click", "here", "New!", "Free", "shipping",
                                        "Kavelins", "Sale", "ends", "soon", "Win", "a", "prize", "Café"};
    QStringList lines;
    const int count = 1 + int(gen.bounded(3));
    for (int l = 0; l < count; ++l) {
        QString line;
        const int n = 1 + int(gen.bounded(3));
        for (int w = 0; w < n; ++w)
            line += (w ? QStringLiteral(" ") : QString()) + QString::fromUtf8(words[gen.bounded(16)]);
        lines.append(line);
    }
    if (index % 10 == 0)
        lines.first() += QString::number(index);
    return lines;
}

// An image, an animation or a text, by index; at the stage centre until a path is given.
inline TItemBase* mixedItem(QRandomGenerator& gen, TScene* scene, int index)
{
    switch (index % 3) {
    case 0: return image(scene, int(gen.bounded(kImageCount)));
    case 1: return anim(scene, int(gen.bounded(kAnimCount)), 1 + int(gen.bounded(4)));
    default:
        return text(scene, textLines(gen, index), fontNames()[int(gen.bounded(3))], 8 + int(gen.bounded(25)),
                    int(gen.bounded(4)), int(gen.bounded(3)), gen.generate() & 0x00FFFFFFu, effectsFor(index / 3),
                    1 + int(gen.bounded(3)));
    }
}

// Runs the benchmarks with a GUI application (fonts and painting need one) on the offscreen
// platform unless another is asked for. The workload is made once before the first benchmark
// and destroyed while the application still exists. Benchmarks of windows ask for a QApplication.
template <class App = QGuiApplication, class Workload>
int runBenchmarks(int argc, char** argv, std::unique_ptr<Workload>& workload)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    App app(argc, argv);
    workload = std::make_unique<Workload>();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    workload.reset();
    return 0;
}

} // namespace kavbench
