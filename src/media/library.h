#pragma once
// The installed media libraries: read-only stores of ready-made images, animations,
// backgrounds, sounds and cursors. A library has three folders (the media, their previews and
// the GIF forms the exported ad uses); each holds, per media type, an index "<type>.rif" (lines
// "name;offset;size") and a data file "<type>.rdf" with the whole files at those places.
//
// A library reference names one entry: "library/type/entry" (either slash may be a backslash,
// letter case does not matter, ".bmp" is added when there is no '.'). A reference holding ':'
// or starting at the root is a plain file path instead.
#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace kav {

class Settings;

// Which of a library's three folders.
enum TLibKind { lkMedia = 0, lkPreview = 1, lkJava = 2 };

// One line of an index file.
struct TRifEntry {
    QString Name;     // lower case, may hold a sub-path with backslashes
    qint64 Offset = 0;
    qint64 Size = 0;
};

// The entries of one index file with a look-up by name (the first line of a name wins).
class TRifIndex {
public:
    // Reads index text. False with the reason (and its 1-based line) for text that is not an
    // index: a line without its three fields, a number that is not a whole non-negative number.
    // Empty lines are skipped. When dataSize is not negative, every entry must lie inside it.
    bool Parse(const QByteArray& bytes, qint64 dataSize, QString* reason);
    const TRifEntry* Find(const QString& name) const;
    const QList<TRifEntry>& Entries() const { return m_entries; }
    int Count() const { return int(m_entries.size()); }
    // The data file the entries lie in (set by the library list when it reads the index).
    QString DataFile;

private:
    QList<TRifEntry> m_entries;
    QHash<QString, int> m_byName;
};

// Where a reference leads: an entry of a data file, or a plain file.
struct TLibPlace {
    bool IsFile = false;
    QString File;          // the data file, or the plain file
    QString Entry;         // the entry name (library references)
    qint64 Offset = 0;
    qint64 Size = 0;
};

class TMediaLibraries {
public:
    static const QStringList& MediaTypes();   // "image", "anim", "bkd", "sound", "cursors"

    // The library list from the settings: the names of "libs.txt" in the data folder, replaced
    // by the installation's LIBRARIES sections when there are any; with search on, "deflib"
    // first with its three folders. Relative folders are taken from ApplicationDir. Forgets
    // the type tables; the cursor index of the data folder is read again.
    void Setup(const Settings& s);
    // A list given directly (tests, tools): names and their three folders (each ending in '/').
    void SetLibraries(const QStringList& names, const QList<std::array<QString, 3>>& dirs, const QString& dataDir,
                      bool searchOn);

    const QStringList& Names() const { return m_names; }
    // The folder of a library for a kind; empty (and "Error.LibNotFound" reported) for a name
    // that is not installed.
    QString Directory(const QString& library, int kind);
    // Reads every index of every library (once; again only after Setup). Only with search on
    // and the folder of "deflib" present; false otherwise.
    bool LoadIndexes();
    bool IndexesLoaded() const { return m_loaded; }
    // "Error.CanNotFind" with deflib's media folder when it is missing (the search window and
    // the sound library need it), else empty.
    QString DefaultLibraryProblem() const;

    // Resolution. Failures are reported through the problem sink (each text once) and give
    // false, an empty result or a null picture; nothing here ends the program.
    bool Resolve(const QString& reference, int kind, TLibPlace& place);
    bool EntryExists(const QString& reference, int kind = lkMedia);
    QByteArray Extract(const QString& reference, int kind = lkMedia);
    QImage LoadBitmap(const QString& reference, int kind = lkMedia);
    bool SaveEntryToFile(const QString& reference, const QString& destination, int kind = lkMedia);
    // The GIF form of a library image for the exported ad (the ".bmp" ending becomes ".gif").
    bool SaveGifForExport(const QString& reference, const QString& destination);
    // The entry names of every variant of the referenced image's topic (the names that agree
    // but for their last 11 characters: "\o1s2c3.bmp").
    QStringList ListVariants(const QString& reference);
    // The index of a library's type and kind (null when the library has none).
    const TRifIndex* Index(const QString& type, const QString& library, int kind);
    const TRifIndex& CursorIndex() const { return m_cursors; }

    // Where failures go (the program shows them in the error box). Without a sink they are
    // kept in Problems(). Each text is reported once per Setup.
    void SetProblemSink(std::function<void(const QString&)> sink) { m_sink = std::move(sink); }
    const QStringList& Problems() const { return m_problems; }
    void Report(const QString& message);

private:
    bool loadIndex(const QString& folder, const QString& type, TRifIndex& out);
    QString directoryOf(int libraryIndex, int kind) const;

    QStringList m_names;
    std::vector<std::array<QString, 3>> m_dirs;
    QString m_dataDir;
    bool m_searchOn = false;
    bool m_loaded = false;
    // [type of MediaTypes()][kind]: library name -> index
    QHash<QString, std::shared_ptr<TRifIndex>> m_tables[5][3];
    TRifIndex m_cursors;
    std::function<void(const QString&)> m_sink;
    QStringList m_problems;
    QSet<QString> m_reported;
};

// The process-wide library list.
TMediaLibraries& Libraries();

// Library media chosen in the search window or the sound library, handed to a magazine.
class TLibItemBase {
public:
    TLibItemBase(const QString& name, const QString& path) : Name(name), Path(path) {}
    virtual ~TLibItemBase() = default;
    // Writes the medium to a file; false when the library cannot give it.
    virtual bool SaveToFile(const QString& destination) { Q_UNUSED(destination); return false; }

    QString Name;
    QString Path;
};

class TLibItemSound : public TLibItemBase {
public:
    using TLibItemBase::TLibItemBase;
    // The entry Path (".wav" added when it has no extension) unchanged.
    bool SaveToFile(const QString& destination) override;
};

class TLibItemImage : public TLibItemBase {
public:
    using TLibItemBase::TLibItemBase;
    // The picture as a BMP file.
    bool SaveToFile(const QString& destination) override;
};

class TLibItemAnim : public TLibItemBase {
public:
    TLibItemAnim(const QString& name, const QString& path) : TLibItemBase(name, path) {}
    TLibItemAnim(const QString& name, int frames, const QString& path) : TLibItemBase(name, path), Frames(frames) {}
    // The strip as a BMP file; FrameWidth is its width over Frames to the nearest pixel.
    bool SaveToFile(const QString& destination) override;

    int Frames = 1;
    int FrameWidth = 0;
    int FrameHeight = 0;
};

// Owns its items.
class TLibItemsCont {
public:
    void Add(std::unique_ptr<TLibItemBase> item) { m_items.push_back(std::move(item)); }
    // The first item of exactly that Name (letter case counts).
    TLibItemBase* Find(const QString& name) const;
    bool Exists(const QString& name) const { return Find(name) != nullptr; }
    bool ExistsPath(const QString& path) const;
    int Count() const { return int(m_items.size()); }
    TLibItemBase* At(int i) const { return m_items.at(size_t(i)).get(); }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<TLibItemBase>> m_items;
};

// Saves a picture as a BMP file whole or not at all; false when it cannot be written. Files of
// the working folder are scratch: they need not be synced to the disk (the project file is).
bool SaveBmpFile(const QImage& image, const QString& path, bool scratch = false);

} // namespace kav
