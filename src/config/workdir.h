#pragma once
#include <QString>
#include <memory>

namespace kav {

// A working folder "Tmp<hex>" that holds an unpacked project. Its empty file "Temp" stays locked
// (flock) for the object's whole life, which tells every sweep that the folder is in use; the
// folder and everything in it is deleted when the object is released or destroyed. Several may
// exist at once (a project being opened is unpacked into a second one before it is adopted).
// The copy of the open document that a working folder keeps while it holds unsaved changes.
inline constexpr const char* kRecoveryFile = "Recovery.dat";

class TWorkDir {
public:
    // Under applicationDir when a folder can be made there, otherwise under CacheParentDir().
    // Leftovers of ended runs in that parent are swept first. Throws UserError when neither
    // place can hold a working folder.
    static std::unique_ptr<TWorkDir> Create(const QString& applicationDir);

    ~TWorkDir();
    TWorkDir(const TWorkDir&) = delete;
    TWorkDir& operator=(const TWorkDir&) = delete;

    QString Path() const { return m_path; } // ends in '/'
    bool IsReleased() const { return m_lockFd < 0; }

    // Unlocks and deletes the folder. Safe to call twice.
    void Release();

    // Empties the folder except its lock file and makes the three media folders again.
    // Throws UserError when something cannot be removed or created.
    void Clear();
    // "Animation", "Sound", "Image" and, when asked, "Preview". Throws UserError on failure.
    void EnsureSubfolders(bool withPreview) const;

    // Deletes every "Tmp<hex>" folder of parentDir whose lock is not held by a live working
    // folder (of this or another process), except those holding unsaved work (a recovery copy,
    // kRecoveryFile): they wait to be offered. Failures skip that folder.
    static void SweepStale(const QString& parentDir);
    // The stale folders of parentDir that hold unsaved work of a program that ended without
    // closing (it crashed or was killed), newest first.
    static QStringList FindRecoverable(const QString& parentDir);

    // Deletes dir with all it holds, making read-only folders writable first. Symbolic links
    // are removed, never followed. True when dir no longer exists.
    static bool RemoveTree(const QString& dir);

    // $XDG_CACHE_HOME/kavelins/ (default ~/.cache/kavelins/).
    static QString CacheParentDir();

private:
    TWorkDir(QString path, int lockFd) : m_path(std::move(path)), m_lockFd(lockFd) {}

    QString m_path;
    int m_lockFd = -1;
};

} // namespace kav
