#include "document/project.h"

#include "config/settings.h"
#include "config/workdir.h"
#include "core/errors.h"
#include "core/projectcontainer.h"
#include "document/document.h"
#include "core/limits.h"
#include "document/scene.h"
#include "core/safefile.h"
#include "ui/langstrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kav {

namespace {
SceneHooks& hooksStore()
{
    static SceneHooks h;
    return h;
}
MediaHooks& mediaStore()
{
    static MediaHooks h;
    return h;
}

QString native(const QString& p) { return QDir::toNativeSeparators(p); }

// The first 9 bytes decide: both current tags read alike, the oldest sets OldFormat.
bool checkDataTag(const QString& path, bool& oldFormat)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 10)
        return false;
    const QByteArray tag = f.read(9);
    if (tag == "Ver970609" || tag == "Ver971112") {
        oldFormat = false;
        return true;
    }
    if (tag == "Ver970518") {
        oldFormat = true;
        return true;
    }
    return false;
}
} // namespace

void ReadCardStream(TTextStr& stream, CardData& out, const SceneHooks& hooks)
{
    out.OldFormat = stream.OldFormat;
    stream.ReadString();
    out.StageWidth = stream.ReadInteger();
    out.StageHeight = stream.ReadInteger();
    // Every frame of the stage is a picture of this size: a few bytes must not ask for gigabytes.
    if (out.StageWidth <= 0 || out.StageHeight <= 0 || out.StageWidth > Limits::kMaxStageSide ||
        out.StageHeight > Limits::kMaxStageSide)
        stream.Fail(QStringLiteral("the stage size %1 x %2 is not usable (at most %3 x %3)")
                        .arg(out.StageWidth).arg(out.StageHeight).arg(Limits::kMaxStageSide));
    out.Scenes.ClearItems();
    if (hooks.sceneClass.isEmpty()) {
        out.Scenes.Load(stream, nullptr);
    } else {
        // Every member must be a scene: later code relies on it.
        const int32_t n = stream.ReadInteger();
        if (n < 0)
            stream.Fail(QStringLiteral("a count cannot be negative: %1").arg(n));
        if (n > TBaseObjectCont::kMaxLoadCount)
            stream.Fail(QStringLiteral("a list of %1 records is more than the %2 a Kavelin may hold")
                            .arg(n).arg(TBaseObjectCont::kMaxLoadCount));
        for (int32_t i = 0; i < n; ++i) {
            std::unique_ptr<TBaseObject> o = TBaseObject::LoadClass(stream, nullptr);
            if (o->ClassName() != hooks.sceneClass)
                ThrowUnexpectedClass(stream, o->ClassName(), hooks.sceneClass);
            out.Scenes.Add(std::move(o));
        }
    }
    if (hooks.afterLoad)
        for (const auto& scene : out.Scenes)
            hooks.afterLoad(scene.get());
}

void WriteCardStream(TTextStr& stream, int stageWidth, int stageHeight, TBaseObjectCont& scenes)
{
    stream.WriteString(QString(), QLatin1String(kCardDataTag));
    stream.WriteInteger(QString(), stageWidth);
    stream.WriteInteger(QString(), stageHeight);
    scenes.Save(stream, QString());
}

void ReadCardData(const QString& path, CardData& out, const SceneHooks& hooks, const QString& shownAs)
{
    const QString shown = shownAs.isEmpty() ? native(path) : shownAs;
    if (!QFileInfo::exists(path))
        throw UserError(QStringLiteral("%1: %2").arg(shown, GetText(QStringLiteral("Error.ReadingFile"))));
    bool oldFormat = false;
    if (!checkDataTag(path, oldFormat))
        throw UserError(QStringLiteral("%1: %2").arg(
            shown, GetString(QStringLiteral("Error.BadFile"), QLatin1String(kProductName))));
    try {
        TTextStrFile stream(path);
        stream.Mode = smProject;
        stream.OpenRead();
        stream.OldFormat = oldFormat;
        ReadCardStream(stream, out, hooks);
    } catch (const ReadError& e) {
        // The user knows the project file, not the working copy it was unpacked to.
        if (shownAs.isEmpty() || e.source() != path)
            throw;
        throw ReadError(shownAs, e.line(), e.reason());
    }
}

void WriteCardData(const QString& path, int stageWidth, int stageHeight, TBaseObjectCont& scenes)
{
    TTextStrFile stream(path);
    stream.Mode = smProject;
    stream.OpenWrite();
    WriteCardStream(stream, stageWidth, stageHeight, scenes);
    stream.Commit();
}

// ---------------------------------------------------------------------------------------------
TProject::TProject() : Title(QStringLiteral("Untitled"))
{
    StageWidth = settings().StageWidth;
    StageHeight = settings().StageHeight;
    SyncDocument();
}

TProject::~TProject()
{
    Scenes.ClearItems();
    if (Doc().Scenes == &Scenes)
        Doc() = TDocument();
}

void TProject::SyncDocument()
{
    Doc().Scenes = &Scenes;
    Doc().StageWidth = StageWidth;
    Doc().StageHeight = StageHeight;
    Doc().WorkDir = WorkDir();
    if (!Doc().LogicalScene || Scenes.IndexOf(static_cast<TBaseObject*>(Doc().LogicalScene)) < 0)
        Doc().LogicalScene = Scenes.IsEmpty() ? nullptr : static_cast<TScene*>(Scenes.At(0));
}

void TProject::SetSceneHooks(SceneHooks hooks) { hooksStore() = std::move(hooks); }
const SceneHooks& TProject::sceneHooks() { return hooksStore(); }
void TProject::SetMediaHooks(MediaHooks hooks) { mediaStore() = std::move(hooks); }

QString TProject::WorkDir() const { return RunWorkDir() ? RunWorkDir()->Path() : settings().WorkDir; }

void TProject::ResetDocument()
{
    Scenes.ClearItems();
    StageWidth = settings().StageWidth;
    StageHeight = settings().StageHeight;
    Doc().TransparentColor = settings().TransparentColor;
    SyncDocument();
    if (hooksStore().newScene)
        Scenes.Add(hooksStore().newScene(QStringLiteral("Scene 1")));
    SyncDocument();
}

void TProject::New()
{
    if (TWorkDir* wd = RunWorkDir())
        wd->Clear();
    if (mediaStore().reload)
        mediaStore().reload(WorkDir());
    Title = QStringLiteral("Untitled");
    FileName.clear();
    ResetDocument();
    m_modified = false;
}

void TProject::Open(const QString& file)
{
    const QString name = QFileInfo(file).absoluteFilePath();
    const QFileInfo info(name);
    if (!info.exists())
        throw UserError(GetString(QStringLiteral("Error.CanNotFind"), native(name)));
    if (info.isDir())
        throw UserError(QStringLiteral("%1 is a folder, not a project file").arg(native(name)));
    if (!info.isFile())
        throw UserError(QStringLiteral("%1 is not a project file: %2").arg(native(name), NotARegularFile(name)));
    if (!ProjectContainer::HasProjectTag(name))
        throw UserError(QStringLiteral("%1: %2").arg(
            native(name), GetString(QStringLiteral("Error.NotProject"), QLatin1String(kProductName))));

    // Everything happens in a staging folder; the open project is not touched until it all worked.
    std::unique_ptr<TWorkDir> staging = TWorkDir::Create(settings().ApplicationDir);
    ProjectContainer::Unpack(name, staging->Path(), {}, true);
    staging->EnsureSubfolders(true);
    Adopt(std::move(staging), QStringLiteral("Card.dat"), native(name) + QStringLiteral(", Card.dat"));
    FileName = name;
    Title = QFileInfo(name).fileName();
    m_modified = false;
}

namespace {
// Reads a document with the document context pointed at what is being read (objects reach it
// while they load); a document of no scenes gets its one empty scene. On failure the context is
// as it was and the error goes on.
template <class Read>
void readDocument(CardData& card, const QString& workDir, Read&& read)
{
    const TDocument saved = Doc();
    Doc().Scenes = &card.Scenes;
    if (!workDir.isEmpty())
        Doc().WorkDir = workDir;
    Doc().LogicalScene = nullptr;
    try {
        read();
        if (card.Scenes.IsEmpty() && hooksStore().newScene)
            card.Scenes.Add(hooksStore().newScene(QStringLiteral("Scene 1")));
    } catch (...) {
        card.Scenes.ClearItems();
        Doc() = saved;
        throw;
    }
}
} // namespace

void TProject::TakeScenes(CardData& card)
{
    Scenes.ClearItems();
    while (!card.Scenes.IsEmpty())
        Scenes.Add(card.Scenes.Extract(0));
    StageWidth = card.StageWidth;
    StageHeight = card.StageHeight;
    SyncDocument();
}

void TProject::Adopt(std::unique_ptr<TWorkDir> staging, const QString& dataFile, const QString& shownAs)
{
    CardData card;
    readDocument(card, staging->Path(), [&] {
        ReadCardData(staging->Path() + dataFile, card, hooksStore(), shownAs);
        Doc().StageWidth = card.StageWidth;
        Doc().StageHeight = card.StageHeight;
    });

    // Switch over. Nothing below can fail in a way that leaves a half-open project. The old
    // project's pictures go only now; their cache keys name its own folder, so the new project
    // never drew one of them.
    std::unique_ptr<TWorkDir> previous = ReplaceRunWorkDir(std::move(staging));
    TakeScenes(card);
    if (mediaStore().reload)
        mediaStore().reload(WorkDir());
    if (previous)
        previous->Release();
}

void TProject::Snapshot(TTextStr& stream)
{
    WriteCardStream(stream, StageWidth, StageHeight, Scenes);
}

void TProject::Restore(TTextStr& stream)
{
    CardData card;
    const TDocument saved = Doc();
    readDocument(card, QString(), [&] { ReadCardStream(stream, card, hooksStore()); });
    Doc() = saved;
    Doc().LogicalScene = nullptr;
    TakeScenes(card);
    m_modified = true;
}

namespace {
const QString kRecoveryOrigin = QStringLiteral("Recovery.txt");
}

void TProject::WriteRecovery()
{
    const QString dir = WorkDir();
    if (dir.isEmpty())
        return;
    WriteFileSafely(dir + kRecoveryOrigin, FileName.toUtf8());
    WriteCardData(dir + QLatin1String(kRecoveryFile), StageWidth, StageHeight, Scenes);
}

void TProject::ClearRecovery()
{
    const QString dir = WorkDir();
    if (dir.isEmpty())
        return;
    QFile::remove(dir + QLatin1String(kRecoveryFile));
    QFile::remove(dir + kRecoveryOrigin);
}

QString TProject::RecoveryOrigin(const QString& folder)
{
    QFile f(QDir(folder).filePath(kRecoveryOrigin));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.read(4096)) : QString();
}

void TProject::Recover(const QString& folder)
{
    const QString from = QDir(folder).absolutePath() + QLatin1Char('/');
    std::unique_ptr<TWorkDir> staging = TWorkDir::Create(settings().ApplicationDir);
    staging->EnsureSubfolders(true);
    // The media come along; the copy becomes the new folder's data file.
    for (const QString& sub : {QStringLiteral("Image"), QStringLiteral("Animation"), QStringLiteral("Sound")})
        for (const QFileInfo& f : QDir(from + sub).entryInfoList(QDir::Files | QDir::NoSymLinks))
            if (!QFile::copy(f.absoluteFilePath(), staging->Path() + sub + QLatin1Char('/') + f.fileName()))
                throw UserError(QStringLiteral("%1: the unsaved work cannot be copied").arg(native(f.absoluteFilePath())));
    // Read from the new folder, where the copy becomes its data file only for the reading.
    if (!QFile::copy(from + QLatin1String(kRecoveryFile), staging->Path() + QLatin1String(kRecoveryFile)))
        throw UserError(QStringLiteral("%1: the unsaved work cannot be copied").arg(native(from + QLatin1String(kRecoveryFile))));
    Adopt(std::move(staging), QLatin1String(kRecoveryFile), native(from + QLatin1String(kRecoveryFile)));
    ClearRecovery();  // written again while the work stays unsaved
    FileName.clear();
    Title = QStringLiteral("Untitled");
    m_modified = true;
    TWorkDir::RemoveTree(from);
}

void TProject::Save()
{
    if (FileName.isEmpty())
        throw UserError(QStringLiteral("The project has no file name yet: use Save As"));
    const QString dir = WorkDir();
    if (mediaStore().writeIndexes)
        mediaStore().writeIndexes(dir);
    try {
        SyncDocument();
        WriteCardData(dir + QStringLiteral("Card.dat"), StageWidth, StageHeight, Scenes);
        TWorkDir::RemoveTree(dir + QStringLiteral("Preview"));
        // The recovery copy is no part of the project (the editor writes it again while the
        // project stays unsaved).
        ClearRecovery();
        ProjectContainer::Pack(dir, FileName);
    } catch (const WriteError& e) {
        if (e.diskFull())
            throw UserError(GetString(QStringLiteral("Error.DiskSpaceForSaving"), native(FileName)));
        throw;
    }
    m_modified = false;
}

void TProject::SaveAs(const QString& file)
{
    const QString previousName = FileName;
    const QString previousTitle = Title;
    FileName = QFileInfo(file).absoluteFilePath();
    Title = QFileInfo(file).fileName();
    try {
        Save();
    } catch (...) {
        FileName = previousName;
        Title = previousTitle;
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
std::unique_ptr<TTextStrMem> WriteToMemory(TBaseObject& object, TStreamMode mode)
{
    auto stream = std::make_unique<TTextStrMem>();
    stream->Mode = mode;
    stream->OpenWrite();
    object.Save(*stream, QString());
    return stream;
}

std::unique_ptr<TBaseObject> ReadFromMemory(TTextStrMem& stream, TBaseObject* owner)
{
    stream.OpenRead();
    return TBaseObject::LoadClass(stream, owner);
}

} // namespace kav
