// Fuzzes the data-file reader with the document's own classes: the bytes are a project's
// "Card.dat", read with ReadCardData into real scenes, stages, items, graphics, timed events and
// actions, in a working folder that holds a few small media files (every other name loads the
// placeholder). Each document that reads is written, read and written again, then played:
// every scene is shown at a few frames, played for 30 ticks with clicks on its items, stopped,
// and the whole Kavelin is played once from its first scene.
//
// A run aborts when
//  - anything but kav::UserError is thrown by the reader (an uncaught exception ends the process),
//  - a data file that was read does not write the same bytes after being read back, or writes
//    other bytes after it has been played,
//  - document objects live on after both documents were destroyed.
// The last byte of the input chooses how the document is read and played: bit 0 the language
// (set: Japanese, which decides the code page of legacy text and how text records load), bit 2
// the "play from the current frame" setting, bit 4 the "stop goes back to frame 0" setting.
#include "document/project.h"
#include "config/settings.h"
#include "core/baseobject.h"
#include "core/errors.h"
#include "core/textcodec.h"
#include "document/classes.h"
#include "document/document.h"
#include "document/item.h"
#include "document/scene.h"
#include "editor/playback.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace kav;

namespace {

[[noreturn]] void violation(const QString& what)
{
    std::fprintf(stderr, "fuzz_carddata: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::abort();
}

// KAV_FUZZ_VERBOSE=1 tells what each input did, for looking at seeds and findings.
bool verbose()
{
    static const bool on = qEnvironmentVariableIsSet("KAV_FUZZ_VERBOSE");
    return on;
}

// One working folder per process:
//   root/Card.dat                 the input
//   root/First.dat, Second.dat    what the documents wrote
//   root/Image, Animation, Sound  the media the seeds name (sun, sky, bird, chime)
struct Sandbox {
    QString root, card, first, second, played;
    Sandbox()
    {
        QString base = QString::fromLocal8Bit(qgetenv("KAV_FUZZ_TMPDIR"));
        if (base.isEmpty())
            base = access("/dev/shm", W_OK) == 0 ? QStringLiteral("/dev/shm") : QDir::tempPath();
        QByteArray tmpl = QFile::encodeName(base + QStringLiteral("/kav-fuzz-carddata-XXXXXX"));
        if (!mkdtemp(tmpl.data()))
            violation(QStringLiteral("cannot create a temporary folder in %1").arg(base));
        root = QFile::decodeName(tmpl) + QLatin1Char('/');
        card = root + QStringLiteral("Card.dat");
        first = root + QStringLiteral("First.dat");
        second = root + QStringLiteral("Second.dat");
        played = root + QStringLiteral("Played.dat");
        for (const char* folder : {"Image", "Animation", "Sound"})
            if (!QDir().mkpath(root + QLatin1String(folder)))
                violation(QStringLiteral("cannot create %1%2").arg(root, QLatin1String(folder)));
        makeImage(QStringLiteral("Image/sun.bmp"), 5, 5, 1);
        makeImage(QStringLiteral("Image/sky.bmp"), 4, 3, 1);
        makeImage(QStringLiteral("Animation/bird.bmp"), 8, 2, 4);
        writeBytes(root + QStringLiteral("Sound/chime.wav"), tinyWav());
    }
    ~Sandbox() { QDir(root).removeRecursively(); }

    // Frames side by side, each a colour of its own with a transparent (green) top-left pixel.
    void makeImage(const QString& rel, int w, int h, int frames) const
    {
        QImage img(w, h, QImage::Format_RGB32);
        const int fw = w / frames;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, qRgb(40 * (x / fw) + 30, 90, 200));
        for (int f = 0; f < frames; ++f)
            img.setPixel(f * fw, 0, qRgb(0, 255, 0));
        if (!img.save(root + rel, "BMP"))
            violation(QStringLiteral("cannot write %1%2").arg(root, rel));
    }

    // Eight samples of silence: 8 kHz, 8 bits, mono.
    static QByteArray tinyWav()
    {
        static const unsigned char header[44] = {
            'R', 'I', 'F', 'F', 44, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
            0x40, 0x1f, 0, 0, 0x40, 0x1f, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a', 8, 0, 0, 0};
        return QByteArray(reinterpret_cast<const char*>(header), sizeof header) + QByteArray(8, '\x80');
    }

    static void writeBytes(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            violation(QStringLiteral("cannot write %1").arg(path));
    }
};

Sandbox& sandbox()
{
    static Sandbox s;
    return s;
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        violation(QStringLiteral("cannot read %1").arg(path));
    return f.readAll();
}

// A document as the editor opens one: the document context points at its scene list and the
// working folder while it loads, and an empty scene list gets one empty scene.
struct Document {
    CardData card;

    ~Document()
    {
        Doc().Scenes = &card.Scenes;
        card.Scenes.ClearItems();
        Doc().Scenes = nullptr;
        Doc().LogicalScene = nullptr;
    }

    void Activate() const
    {
        Doc().Scenes = const_cast<TBaseObjectCont*>(&card.Scenes);
        Doc().StageWidth = card.StageWidth;
        Doc().StageHeight = card.StageHeight;
        Doc().LogicalScene = card.Scenes.IsEmpty() ? nullptr : static_cast<TScene*>(card.Scenes.At(0));
    }

    // Throws what ReadCardData throws; the document is empty afterwards in that case.
    void Read(const QString& path)
    {
        Doc().Scenes = &card.Scenes;
        Doc().LogicalScene = nullptr;
        try {
            ReadCardData(path, card, TProject::sceneHooks());
        } catch (...) {
            card.Scenes.ClearItems();
            throw;
        }
        if (card.Scenes.IsEmpty())
            card.Scenes.Add(TProject::sceneHooks().newScene(QStringLiteral("Scene 1")));
        Activate();
    }

    void Write(const QString& path) { WriteCardData(path, card.StageWidth, card.StageHeight, card.Scenes); }
};

// Where a click may land: on every item of the scene (an image is opaque at its hot spot), and
// on two places that are usually the background.
QList<QPoint> clickPoints(const TScene* scene)
{
    QList<QPoint> points{QPoint(0, 0), QPoint(Doc().StageWidth / 2, Doc().StageHeight / 2)};
    for (int i = 0; scene && i < scene->ItemCount() && i < 8; ++i)
        points.append(QPoint(scene->Item(i)->X, scene->Item(i)->Y));
    return points;
}

struct Trace {
    int sounds = 0, urls = 0, sceneChanges = 0, hits = 0;
};

void collect(const TPlayback& playback, Trace& trace)
{
    trace.sounds += int(playback.TickSounds.size());
    trace.urls += int(playback.TickUrls.size());
}

void clickAll(TPlayback& playback, Trace& trace)
{
    for (const QPoint& at : clickPoints(playback.Scene())) {
        playback.Hover(at);
        if (playback.ItemAt(at))
            ++trace.hits;
        playback.Click(at);
        collect(playback, trace);
    }
}

// Plays the document: every scene at a few frames, then 30 ticks with clicks, then the whole
// Kavelin from the first scene.
void play()
{
    TPlayback playback;
    Trace trace;
    playback.SceneChanged = [&trace] { ++trace.sceneChanges; };
    for (int i = 0; i < Doc().SceneCount(); ++i) {
        playback.SetScene(Doc().Scene(i));
        for (int frame : {3, 1, 40, 0, 250}) {
            playback.SetCurTimeLine(frame);
            playback.RecomputeFrame();
        }
        playback.StepForward();
        playback.StepBack(2);
        playback.Start(false);
        collect(playback, trace);
        for (int tick = 0; tick < 30; ++tick) {
            playback.Tick();
            collect(playback, trace);
            if (tick % 10 == 4)
                clickAll(playback, trace);
        }
        playback.Stop();
        playback.RewindScene();
    }
    playback.Start(true);
    collect(playback, trace);
    for (int tick = 0; tick < 30; ++tick) {
        playback.Tick();
        collect(playback, trace);
        if (tick % 10 == 7)
            clickAll(playback, trace);
    }
    playback.Stop();
    playback.RewindBanner();
    if (verbose())
        std::fprintf(stderr, "played: %d sounds, %d pages, %d scene changes, %d clicks on items\n", trace.sounds,
                     trace.urls, trace.sceneChanges, trace.hits);
}

void run(const Sandbox& s)
{
    Document first;
    try {
        first.Read(s.card);
    } catch (const UserError& e) {
        if (verbose())
            std::fprintf(stderr, "data file refused: %s\n", qPrintable(e.message()));
        return;
    }
    if (verbose())
        std::fprintf(stderr, "data file read: %d scenes\n", first.card.Scenes.Count());
    first.Write(s.first);
    const QByteArray written = readBytes(s.first);
    {
        Document second;
        try {
            second.Read(s.first);
        } catch (const UserError& e) {
            violation(QStringLiteral("a data file we wrote does not read back: %1").arg(e.message()));
        }
        second.Write(s.second);
        if (readBytes(s.second) != written)
            violation(QStringLiteral("a data file read back writes other bytes (see %1 and %2)").arg(s.first, s.second));
    }
    first.Activate();
    play();
    first.Write(s.played);
    if (readBytes(s.played) != written)
        violation(QStringLiteral("playing the document changed what it writes (see %1 and %2)").arg(s.first, s.played));
}

// Qt's warnings (a media name holding a NUL is a "broken filename") would flood the log;
// KAV_FUZZ_VERBOSE shows them.
void qtMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (verbose())
        std::fprintf(stderr, "qt: %s\n", qPrintable(message));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qInstallMessageHandler(qtMessage);
    // Text items lay out with real fonts, which need a GUI application; no window is shown.
    // The application lives as long as the process (the fuzzer exits without returning here).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    RegisterDocumentClasses();
    if (!TProject::sceneHooks().afterLoad || !TProject::sceneHooks().newScene)
        violation(QStringLiteral("the document classes installed no scene hooks"));
    settings() = Settings();
    Doc() = TDocument();
    Doc().WorkDir = sandbox().root;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Sandbox& s = sandbox();
    const uint8_t options = size > 0 ? data[size - 1] : 0;
    SetCurrentLanguage((options & 1) ? QStringLiteral("JAPANESE") : QStringLiteral("ENGLISH"));
    settings().PlayFromFrame = (options & 4) != 0;
    settings().StopResetFrame = (options & 16) != 0;
    Sandbox::writeBytes(s.card, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));

    const int64_t liveBefore = TDebugObject::counters().live;
    run(s);
    const int64_t liveAfter = TDebugObject::counters().live;
    if (liveAfter != liveBefore)
        violation(QStringLiteral("%1 document objects outlived their documents").arg(liveAfter - liveBefore));
    return 0;
}
