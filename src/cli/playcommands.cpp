#include "cli/cli.h"

#include "document/project.h"
#include "app/startup.h"
#include "core/errors.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/scene.h"
#include "editor/playback.h"
#include "editor/stagerenderer.h"
#include "export/cardstring.h"
#include "core/safefile.h"

#include <QFileInfo>
#include <QHash>
#include "export/snapshot.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>

namespace kav::cli {

namespace {
bool parseInt(const QString& text, int minimum, int& out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < minimum)
        return false;
    out = v;
    return true;
}

void writeImage(const QImage& image, const QString& file)
{
    TSafeFile out(file);
    out.Open();
    if (!image.save(&out, "PNG")) {
        if (out.Failed())
            out.ThrowFailure();
        throw UserError(QStringLiteral("Cannot write %1: the picture could not be encoded").arg(QDir::toNativeSeparators(file)));
    }
    out.Commit();
}

QString jsonString(const QString& s)
{
    // A one-element array gives Qt's escaping; strip the brackets.
    const QByteArray a = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(a.mid(1, a.size() - 2));
}

QString jsonStrings(const QStringList& list)
{
    QStringList parts;
    for (const QString& s : list)
        parts << jsonString(s);
    return QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
}

// One trace line, keys in the order the browser player writes them too.
QString traceLine(int tick, const TPlayback& pb)
{
    QStringList items;
    const TScene* scene = pb.Scene();
    for (int i = 0; scene && i < scene->ItemCount(); ++i) {
        const TItemBase* item = scene->Item(i);
        int anim = 0;
        if (auto* a = dynamic_cast<const TItemAnim*>(item->Graphic))
            anim = a->FrameIndex;
        items << QStringLiteral("{\"index\":%1,\"name\":%2,\"x\":%3,\"y\":%4,\"visible\":%5,\"anim\":%6}")
                     .arg(i)
                     .arg(jsonString(item->Name))
                     .arg(item->X - item->HotSpotX)
                     .arg(item->Y - item->HotSpotY)
                     .arg(item->Visible ? QStringLiteral("true") : QStringLiteral("false"))
                     .arg(anim);
    }
    return QStringLiteral("{\"tick\":%1,\"scene\":%2,\"frame\":%3,\"items\":[%4],\"sound\":%5,\"url\":%6}")
        .arg(tick)
        .arg(Doc().IndexOfScene(scene))
        .arg(pb.PlayFrame)
        .arg(items.join(QLatin1Char(',')), jsonStrings(pb.TickSounds), jsonStrings(pb.TickUrls));
}
} // namespace

int RunRender(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("PROJECT.plt"), QStringLiteral("The project."));
    p.addOption({{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("The picture to write: PNG, or GIF for a snapshot with the transparent colour."), QStringLiteral("OUT.png")});
    p.addOption({QStringLiteral("scene"), QStringLiteral("Scene index, from 0 (default 0)."), QStringLiteral("N"), QStringLiteral("0")});
    p.addOption({QStringLiteral("frame"), QStringLiteral("Frame of the scene (default 0)."), QStringLiteral("F"), QStringLiteral("0")});
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("render")), args, 1, 1); r >= 0)
        return r;
    int sceneIndex = 0, frame = 0;
    if (!p.isSet(QStringLiteral("output"))) {
        PrintError(QStringLiteral("render needs -o OUT.png"));
        return BadArguments;
    }
    if (!parseInt(p.value(QStringLiteral("scene")), 0, sceneIndex) || !parseInt(p.value(QStringLiteral("frame")), 0, frame)) {
        PrintError(QStringLiteral("--scene and --frame take whole numbers from 0"));
        return BadArguments;
    }
    StartEngine();
    TProject project;
    project.Open(p.positionalArguments()[0]);
    if (sceneIndex >= Doc().SceneCount())
        throw UserError(QStringLiteral("%1 has %2 scene(s); there is no scene %3")
                            .arg(p.positionalArguments()[0]).arg(Doc().SceneCount()).arg(sceneIndex));
    const QString output = p.value(QStringLiteral("output"));
    // A GIF is the editor's snapshot: the stage on the transparent colour, that colour transparent.
    if (output.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive)) {
        SaveSnapshot(Doc().Scene(sceneIndex), frame, output);
        return Ok;
    }
    TPlayback playback;
    playback.SetScene(Doc().Scene(sceneIndex));
    playback.SetCurTimeLine(frame);
    playback.RecomputeFrame();
    TStageRenderer renderer;
    QImage image;
    renderer.Compose(image, playback.Scene(), project.StageWidth, project.StageHeight, TStageView{});
    writeImage(image.convertToFormat(QImage::Format_RGB32), output);
    return Ok;
}

int RunPlay(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("PROJECT.plt"), QStringLiteral("The project."));
    p.addOption({QStringLiteral("frames"), QStringLiteral("Ticks to play after the start (tick 0)."), QStringLiteral("N")});
    p.addOption({QStringLiteral("click"), QStringLiteral("A click at stage point X,Y right after tick T (repeatable)."), QStringLiteral("X,Y@T")});
    p.addOption({QStringLiteral("trace"), QStringLiteral("Write one JSON line per tick to this file ('-': stdout)."), QStringLiteral("OUT.jsonl")});
    p.addOption({QStringLiteral("png-dir"), QStringLiteral("Write the stage of every tick as frame-NNNNN.png."), QStringLiteral("DIR")});
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("play")), args, 1, 1); r >= 0)
        return r;
    int frames = 0;
    if (!parseInt(p.value(QStringLiteral("frames")), 0, frames)) {
        PrintError(QStringLiteral("--frames takes a whole number from 0"));
        return BadArguments;
    }
    QList<QPair<int, QPoint>> clicks;  // in the order given
    static const QRegularExpression clickForm(QStringLiteral("^(-?\\d+),(-?\\d+)@(\\d+)$"));
    for (const QString& c : p.values(QStringLiteral("click"))) {
        const auto m = clickForm.match(c);
        if (!m.hasMatch()) {
            PrintError(QStringLiteral("--click takes X,Y@T, not '%1'").arg(c));
            return BadArguments;
        }
        clicks.append({m.captured(3).toInt(), QPoint(m.captured(1).toInt(), m.captured(2).toInt())});
    }
    StartEngine();
    TProject project;
    project.Open(p.positionalArguments()[0]);

    QFile standardOutput;
    std::unique_ptr<TSafeFile> traceFile;
    QTextStream trace;
    const QString tracePath = p.value(QStringLiteral("trace"));
    if (tracePath == QLatin1String("-")) {
        standardOutput.open(stdout, QIODevice::WriteOnly);
        trace.setDevice(&standardOutput);
    } else if (!tracePath.isEmpty()) {
        traceFile = std::make_unique<TSafeFile>(tracePath);
        traceFile->Open();
        trace.setDevice(traceFile.get());
    }
    const QString pngDir = p.value(QStringLiteral("png-dir"));
    if (!pngDir.isEmpty()) {
        if (const QString why = NotARegularFile(pngDir); QFileInfo::exists(pngDir) && !QFileInfo(pngDir).isDir())
            throw UserError(QStringLiteral("Cannot write frames into %1: %2").arg(QDir::toNativeSeparators(pngDir),
                                                                                 why.isEmpty() ? QStringLiteral("it is a file, not a folder") : why));
        if (!QDir().mkpath(pngDir))
            throw UserError(QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(pngDir)));
    }

    // The trace names sounds as the export does ("Item0.au"), as the browser player knows them.
    QHash<QString, QString> soundFiles;
    BuildCardTokens(QFileInfo(p.positionalArguments()[0]).completeBaseName());
    for (const TExportEntry& e : ExportSoundList().Entries())
        soundFiles.insert(e.Key, e.ExportName + QStringLiteral(".au"));
    ClearExportLists();
    auto exportNames = [&](const QStringList& lines) {
        QStringList out;
        for (const QString& line : lines) {
            QStringList parts = line.split(QLatin1Char(' '));
            if (parts.size() >= 2)
                parts[1] = soundFiles.value(parts[1], parts[1]);
            out << parts.join(QLatin1Char(' '));
        }
        return out;
    };

    TPlayback playback;
    TStageRenderer renderer;
    QImage image;
    playback.SetScene(Doc().Scene(0));
    playback.Start(true);
    for (int tick = 0; tick <= frames; ++tick) {
        if (tick > 0)
            playback.Tick();
        QStringList sounds = playback.TickSounds, urls = playback.TickUrls;
        for (const auto& [when, at] : clicks) {
            if (when != tick)
                continue;
            playback.Click(at);
            sounds += playback.TickSounds;
            urls += playback.TickUrls;
        }
        playback.TickSounds = exportNames(sounds);
        playback.TickUrls = urls;
        if (trace.device()) {
            trace << traceLine(tick, playback) << '\n';
            if (traceFile && traceFile->Failed()) {
                trace.flush();
                traceFile->ThrowFailure();
            }
        }
        if (!pngDir.isEmpty()) {
            TStageView view;
            view.playing = true;
            renderer.Compose(image, playback.Scene(), project.StageWidth, project.StageHeight, view);
            writeImage(image.convertToFormat(QImage::Format_RGB32),
                       QDir(pngDir).filePath(QStringLiteral("frame-%1.png").arg(tick, 5, 10, QLatin1Char('0'))));
        }
    }
    playback.Stop();
    trace.flush();
    if (traceFile)
        traceFile->Commit();
    else if (standardOutput.isOpen() && (!standardOutput.flush() || standardOutput.error() != QFileDevice::NoError))
        throw UserError(QStringLiteral("Cannot write the trace to the standard output: %1").arg(standardOutput.errorString()));
    return Ok;
}

} // namespace kav::cli
