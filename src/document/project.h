#pragma once
#include "core/baseobject.h"
#include "core/textstr.h"

#include <QString>
#include <functional>
#include <memory>

namespace kav {

class TWorkDir;

// The scene module plugs in here: how to make the one empty scene of a new document, and the
// pass each scene runs after loading (sorting items, resolving references).
struct SceneHooks {
    std::function<std::unique_ptr<TBaseObject>(const QString& name)> newScene;
    std::function<void(TBaseObject* scene)> afterLoad;
    QString sceneClass = QStringLiteral("TScene");
};

// Magazines keep their index files inside the working folder: written before a save packs it,
// reloaded after an open unpacked it.
struct MediaHooks {
    std::function<void(const QString& workDir)> writeIndexes;
    std::function<void(const QString& workDir)> reload;
};

// The project data file: tag, stage size, scene list.
struct CardData {
    int StageWidth = 0;
    int StageHeight = 0;
    bool OldFormat = false;
    TBaseObjectCont Scenes;
};

inline constexpr const char* kCardDataTag = "Ver971112";
inline constexpr const char* kProductName = "Kavelins";

// Reads "Card.dat". Throws UserError with the file name and reason (and the line for a read
// error); `shownAs` names the file in messages instead of its path (a working copy).
void ReadCardData(const QString& path, CardData& out, const SceneHooks& hooks, const QString& shownAs = {});
// The same records on any stream (opened, in project mode): undo snapshots use them in memory.
void ReadCardStream(TTextStr& stream, CardData& out, const SceneHooks& hooks);
void WriteCardStream(TTextStr& stream, int stageWidth, int stageHeight, TBaseObjectCont& scenes);
void WriteCardData(const QString& path, int stageWidth, int stageHeight, TBaseObjectCont& scenes);

// The open document and its project file, as the main window holds it. Every operation either
// completes or throws kav::UserError and leaves the project exactly as it was.
class TProject {
public:
    TProject();
    ~TProject();

    static void SetSceneHooks(SceneHooks hooks);
    static const SceneHooks& sceneHooks();
    static void SetMediaHooks(MediaHooks hooks);

    QString FileName;               // empty for a project never saved
    QString Title;                  // "Untitled" for a new project
    int StageWidth = 468;
    int StageHeight = 120;
    TBaseObjectCont Scenes;         // never empty once New or Open ran (when a scene module exists)

    bool Modified() const { return m_modified; }
    // The whole document (stage size and scenes) written to a stream in project mode, and read
    // back in its place (undo and redo). Restore changes nothing when the stream cannot be read.
    void Snapshot(TTextStr& stream);
    void Restore(TTextStr& stream);

    // Unsaved work survives a crash: the working folder keeps a copy of the document (and the
    // file it came from) while it holds unsaved changes; the copy goes when the project is
    // saved, replaced or closed.
    void WriteRecovery();
    void ClearRecovery();
    // The project file the unsaved work in a stale working folder came from (empty: untitled).
    static QString RecoveryOrigin(const QString& folder);
    // Opens the unsaved work of a stale working folder as an untitled, modified project; the
    // folder is deleted once its work is here. Throws UserError and leaves the open project as
    // it was when the copy cannot be read.
    void Recover(const QString& folder);
    void SetModified(bool m = true) { m_modified = m; }

    // A fresh project: empty working folder, one empty scene "Scene 1", stage size from settings.
    void New();
    // Opens a project file. It is unpacked into a new working folder and read there; only when
    // all of that succeeded do the document and the working folder switch over.
    void Open(const QString& file);
    // Writes "Card.dat" and packs the working folder into FileName (which must be set).
    void Save();
    // Saves under a new name; the project takes the name only when the save succeeded.
    void SaveAs(const QString& file);

    QString WorkDir() const;
    // Points the document context (scene list, stage size, media folders) at this project.
    void SyncDocument();

private:
    void ResetDocument();
    // Reads dataFile of a working folder prepared for this project and makes both the open
    // project's; the previous working folder goes. Throws and changes nothing when it cannot.
    void Adopt(std::unique_ptr<TWorkDir> staging, const QString& dataFile, const QString& shownAs);
    // The scenes and stage size read become the project's; the old scenes go.
    void TakeScenes(CardData& card);
    bool m_modified = false;
};

// In-memory copies through the memory stream: the object's record, then read back as a new object.
std::unique_ptr<TTextStrMem> WriteToMemory(TBaseObject& object, TStreamMode mode);
std::unique_ptr<TBaseObject> ReadFromMemory(TTextStrMem& stream, TBaseObject* owner);

} // namespace kav
