#include "media/library.h"

#include "config/settings.h"
#include "core/errors.h"
#include "core/safefile.h"
#include "ui/langstrings.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace kav {

namespace {
const QString kDefaultLibrary = QStringLiteral("deflib");
const QString kCursors = QStringLiteral("cursors");

QString native(const QString& p) { return QDir::toNativeSeparators(p); }

QString withSlash(QString dir)
{
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')) && !dir.endsWith(QLatin1Char('\\')))
        dir += QLatin1Char('/');
    return dir;
}

// A plain file rather than a library reference: a drive letter, or a path from the root.
bool isFilePath(const QString& reference)
{
    return reference.contains(QLatin1Char(':')) || reference.startsWith(QLatin1Char('/'));
}

// Whole non-negative decimal numbers that fit; nothing else.
bool parseCount(QByteArrayView text, qint64& out)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 15)
        return false;
    qint64 v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

// A file of one of the data folders by its name, whatever the letter case on disk: the names
// come from a system whose file names ignore case.
QString findFile(const QString& folder, const QString& name)
{
    const QString exact = folder + name;
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList found = QDir(folder).entryList({name}, QDir::Files);  // name filters ignore case
    return found.isEmpty() ? exact : folder + found.first();
}

QImage decode(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > 64LL * 1024 * 1024)
        return QImage();
    return reader.read();
}
} // namespace

// ---------------------------------------------------------------------------------------------
bool TRifIndex::Parse(const QByteArray& bytes, qint64 dataSize, QString* reason)
{
    m_entries.clear();
    m_byName.clear();
    int lineNo = 0;
    qsizetype pos = 0;
    auto fail = [&](const QString& why) {
        if (reason)
            *reason = QStringLiteral("line %1: %2").arg(lineNo).arg(why);
        m_entries.clear();
        m_byName.clear();
        return false;
    };
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line(bytes.constData() + pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype a = line.indexOf(';');
        const qsizetype b = a < 0 ? -1 : line.sliced(a + 1).indexOf(';');
        if (a <= 0 || b < 0)
            return fail(QStringLiteral("not an entry (name;offset;size)"));
        TRifEntry e;
        e.Name = QString::fromUtf8(line.first(a));
        const QByteArrayView offset = line.sliced(a + 1, b);
        QByteArrayView size = line.sliced(a + 1 + b + 1);
        // Later fields, if any, are not ours.
        if (const qsizetype c = size.indexOf(';'); c >= 0)
            size = size.first(c);
        if (!parseCount(offset, e.Offset) || !parseCount(size, e.Size))
            return fail(QStringLiteral("the offset and size of '%1' are not whole numbers").arg(e.Name.left(80)));
        if (dataSize >= 0 && (e.Offset > dataSize || e.Size > dataSize - e.Offset))
            return fail(QStringLiteral("'%1' lies beyond the end of the data file").arg(e.Name.left(80)));
        m_entries.append(e);
    }
    // Rebuild so that the first line of a repeated name is the one found.
    m_byName.clear();
    m_byName.reserve(m_entries.size());
    for (int i = int(m_entries.size()) - 1; i >= 0; --i)
        m_byName.insert(m_entries.at(i).Name, i);
    return true;
}

const TRifEntry* TRifIndex::Find(const QString& name) const
{
    const auto it = m_byName.constFind(name);
    return it == m_byName.constEnd() ? nullptr : &m_entries.at(*it);
}

// ---------------------------------------------------------------------------------------------
const QStringList& TMediaLibraries::MediaTypes()
{
    static const QStringList types{QStringLiteral("image"), QStringLiteral("anim"), QStringLiteral("bkd"),
                                   QStringLiteral("sound"), kCursors};
    return types;
}

TMediaLibraries& Libraries()
{
    static TMediaLibraries libraries;
    return libraries;
}

void TMediaLibraries::Report(const QString& message)
{
    if (m_reported.contains(message))
        return;
    m_reported.insert(message);
    m_problems << message;
    if (m_sink)
        m_sink(message);
}

void TMediaLibraries::Setup(const Settings& s)
{
    QStringList names;
    QList<std::array<QString, 3>> dirs;
    if (s.HasLibrariesSection) {
        for (const LibraryDirs& lib : s.LIBRARIES) {
            names << lib.Name;
            dirs.append({ResolveDirectory(s.ApplicationDir, lib.Library), ResolveDirectory(s.ApplicationDir, lib.Preview),
                         ResolveDirectory(s.ApplicationDir, lib.JavaLib)});
        }
    } else if (!s.DataDir.isEmpty()) {
        QFile list(findFile(s.DataDir, QStringLiteral("libs.txt")));
        if (list.open(QIODevice::ReadOnly)) {
            // Libraries named here without a section of their own have no folders.
            for (const QByteArray& line : list.readAll().split('\n'))
                if (const QString name = QString::fromUtf8(line).trimmed(); !name.isEmpty()) {
                    names << name;
                    dirs.append({QString(), QString(), QString()});
                }
        }
    }
    if (s.SearchOn()) {
        // Relative folders are taken from the program's folder, not from wherever it was started.
        auto dir = [&](const QString& v) { return v.isEmpty() ? QString() : ResolveDirectory(s.ApplicationDir, v); };
        names.prepend(kDefaultLibrary);
        dirs.prepend({dir(s.searchLibrary), dir(s.searchPreview), dir(s.searchJava)});
    }
    SetLibraries(names, dirs, s.DataDir, s.SearchOn());
}

void TMediaLibraries::SetLibraries(const QStringList& names, const QList<std::array<QString, 3>>& dirs,
                                   const QString& dataDir, bool searchOn)
{
    m_names = names;
    m_dirs.assign(dirs.begin(), dirs.end());
    m_dirs.resize(size_t(m_names.size()));
    for (auto& d : m_dirs)
        for (QString& f : d)
            f = withSlash(f);
    m_dataDir = withSlash(dataDir);
    m_searchOn = searchOn;
    m_loaded = false;
    for (auto& byType : m_tables)
        for (auto& table : byType)
            table.clear();
    m_reported.clear();
    m_problems.clear();
    m_cursors = TRifIndex();
    // The cursors are part of the program's data, wanted with or without the libraries.
    if (!m_dataDir.isEmpty())
        loadIndex(m_dataDir, kCursors, m_cursors);
}

QString TMediaLibraries::directoryOf(int libraryIndex, int kind) const
{
    if (libraryIndex < 0 || libraryIndex >= int(m_dirs.size()) || kind < 0 || kind > 2)
        return QString();
    return m_dirs[size_t(libraryIndex)][size_t(kind)];
}

QString TMediaLibraries::Directory(const QString& library, int kind)
{
    const int i = int(m_names.indexOf(library, 0));
    if (i < 0) {
        Report(GetString(QStringLiteral("Error.LibNotFound"), library));
        return QString();
    }
    return directoryOf(i, kind);
}

QString TMediaLibraries::DefaultLibraryProblem() const
{
    const QString dir = m_names.isEmpty() || m_names.first() != kDefaultLibrary ? QString() : directoryOf(0, lkMedia);
    if (!dir.isEmpty() && QFileInfo(dir).isDir())
        return QString();
    return GetString(QStringLiteral("Error.CanNotFind"), native(dir.isEmpty() ? kDefaultLibrary : dir));
}

bool TMediaLibraries::loadIndex(const QString& folder, const QString& type, TRifIndex& out)
{
    const QString rif = findFile(folder, type + QStringLiteral(".rif"));
    if (!QFileInfo::exists(rif))
        return false;  // the library has no media of that type
    QFile index(rif);
    // Index files are small text; one that is not is no index.
    if (!index.open(QIODevice::ReadOnly) || index.size() > 64LL * 1024 * 1024) {
        Report(ReadError(native(rif), 0, QStringLiteral("cannot be read")).message());
        return false;
    }
    const QString rdf = findFile(folder, type + QStringLiteral(".rdf"));
    const QFileInfo data(rdf);
    if (!data.isFile()) {
        Report(GetString(QStringLiteral("Error.CanNotFind"), native(rdf)));
        return false;
    }
    QString reason;
    if (!out.Parse(index.readAll(), data.size(), &reason)) {
        Report(QStringLiteral("%1: %2").arg(native(rif), reason));
        return false;
    }
    out.DataFile = rdf;
    return true;
}

bool TMediaLibraries::LoadIndexes()
{
    if (m_loaded)
        return true;
    if (!m_searchOn || !DefaultLibraryProblem().isEmpty())
        return false;
    static const QStringList pictures{QStringLiteral("anim"), QStringLiteral("image"), QStringLiteral("bkd")};
    auto loadTable = [&](const QString& type, int kind) {
        auto& table = m_tables[MediaTypes().indexOf(type)][kind];
        for (int i = 0; i < m_names.size(); ++i) {
            const QString dir = directoryOf(i, kind);
            if (dir.isEmpty() || table.contains(m_names.at(i)))
                continue;
            auto index = std::make_shared<TRifIndex>();
            if (loadIndex(dir, type, *index))
                table.insert(m_names.at(i), index);
        }
    };
    for (int kind = 0; kind < 3; ++kind)
        for (const QString& type : pictures)
            loadTable(type, kind);
    loadTable(QStringLiteral("sound"), lkMedia);
    m_loaded = true;
    return true;
}

const TRifIndex* TMediaLibraries::Index(const QString& type, const QString& library, int kind)
{
    if (type == kCursors)
        return &m_cursors;
    LoadIndexes();
    const int t = int(MediaTypes().indexOf(type));
    if (t < 0 || kind < 0 || kind > 2)
        return nullptr;
    const auto& table = m_tables[t][kind];
    const auto it = table.constFind(library);
    return it == table.constEnd() ? nullptr : it->get();
}

bool TMediaLibraries::Resolve(const QString& reference, int kind, TLibPlace& place)
{
    place = TLibPlace();
    QString ref = reference.trimmed();
    if (ref.isEmpty())
        return false;
    if (!ref.contains(QLatin1Char('.')))
        ref += QStringLiteral(".bmp");
    if (isFilePath(ref)) {
        // A plain file keeps its letter case: file names on disk may depend on it.
        place.IsFile = true;
        place.File = ref;
        return true;
    }
    ref = ref.toLower();
    ref.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const int first = int(ref.indexOf(QLatin1Char('\\')));
    const int second = first < 0 ? -1 : int(ref.indexOf(QLatin1Char('\\'), first + 1));
    if (first < 0 || second < 0)
        return false;  // names no library entry
    const QString library = ref.left(first);
    const QString type = ref.mid(first + 1, second - first - 1);
    const QString entry = ref.mid(second + 1);
    if (!MediaTypes().contains(type)) {
        Report(GetString(QStringLiteral("Error.BadMediaType"), type));
        return false;
    }
    const TRifIndex* index = nullptr;
    if (type == kCursors) {
        // Cursors always come from the program's data folder, whatever library they name.
        index = &m_cursors;
    } else {
        if (!m_searchOn)
            return false;  // no library is read with search off
        int li = -1;
        for (int i = 0; i < m_names.size() && li < 0; ++i)
            if (m_names.at(i).compare(library, Qt::CaseInsensitive) == 0)
                li = i;
        if (li < 0) {
            Report(GetString(QStringLiteral("Error.LibNotFound"), library));
            return false;
        }
        index = Index(type, m_names.at(li), kind);
        if (!index) {
            Report(GetString(QStringLiteral("Error.BadMediaLib"), type, library));
            return false;
        }
    }
    const TRifEntry* e = index->Find(entry);
    if (!e)
        return false;
    place.File = index->DataFile;
    place.Entry = entry;
    place.Offset = e->Offset;
    place.Size = e->Size;
    return true;
}

bool TMediaLibraries::EntryExists(const QString& reference, int kind)
{
    TLibPlace place;
    if (!Resolve(reference, kind, place))
        return false;
    return !place.IsFile || QFileInfo(place.File).isFile();
}

QByteArray TMediaLibraries::Extract(const QString& reference, int kind)
{
    TLibPlace place;
    if (!Resolve(reference, kind, place))
        return QByteArray();
    QFile f(place.File);
    if (place.IsFile) {
        if (!QFileInfo(place.File).isFile() || !f.open(QIODevice::ReadOnly) || f.size() > 256LL * 1024 * 1024)
            return QByteArray();
        return f.readAll();
    }
    // A data file that went away after its index was read: say so once and give nothing.
    if (!f.open(QIODevice::ReadOnly) || !f.seek(place.Offset)) {
        Report(GetString(QStringLiteral("Error.CanNotFind"), native(place.File)));
        return QByteArray();
    }
    QByteArray bytes = f.read(place.Size);
    if (bytes.size() != place.Size) {
        Report(ReadError(native(place.File), 0, QStringLiteral("'%1' is cut short").arg(place.Entry)).message());
        return QByteArray();
    }
    return bytes;
}

QImage TMediaLibraries::LoadBitmap(const QString& reference, int kind)
{
    const QByteArray bytes = Extract(reference, kind);
    return bytes.isEmpty() ? QImage() : decode(bytes);
}

bool TMediaLibraries::SaveEntryToFile(const QString& reference, const QString& destination, int kind)
{
    const QByteArray bytes = Extract(reference, kind);
    if (bytes.isEmpty())
        return false;
    try {
        TSafeFile out(destination);
        out.Open();
        out.write(bytes);
        out.Commit();
    } catch (const UserError& e) {
        Report(e.message());
        return false;
    }
    return true;
}

bool TMediaLibraries::SaveGifForExport(const QString& reference, const QString& destination)
{
    QString ref = reference.toLower();
    if (ref.endsWith(QStringLiteral(".bmp")))
        ref = ref.chopped(4) + QStringLiteral(".gif");
    else if (!ref.contains(QLatin1Char('.')))
        ref += QStringLiteral(".gif");
    return SaveEntryToFile(ref, destination, lkJava);
}

QStringList TMediaLibraries::ListVariants(const QString& reference)
{
    TLibPlace place;
    if (!Resolve(reference, lkMedia, place) || place.IsFile || place.Entry.size() < 11)
        return {};
    QString ref = reference.toLower();
    ref.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString library = ref.section(QLatin1Char('\\'), 0, 0);
    const QString type = ref.section(QLatin1Char('\\'), 1, 1);
    const TRifIndex* index = nullptr;
    if (type == kCursors)
        index = &m_cursors;
    else
        for (const QString& name : m_names)
            if (name.compare(library, Qt::CaseInsensitive) == 0)
                index = Index(type, name, lkMedia);
    if (!index)
        return {};
    const QString topic = place.Entry.chopped(11);
    QStringList out;
    for (const TRifEntry& e : index->Entries())
        if (e.Name.size() >= 11 && e.Name.chopped(11) == topic)
            out << e.Name;
    return out;
}

// ---------------------------------------------------------------------------------------------
bool SaveBmpFile(const QImage& image, const QString& path, bool scratch)
{
    if (image.isNull())
        return false;
    try {
        TSafeFile out(path);
        out.SetScratch(scratch);
        out.Open();
        if (!image.save(&out, "BMP")) {
            out.Cancel();
            return false;
        }
        out.Commit();
    } catch (const UserError&) {
        return false;
    }
    return true;
}

bool TLibItemSound::SaveToFile(const QString& destination)
{
    if (!Path.contains(QLatin1Char('.')))
        Path += QStringLiteral(".wav");
    return Libraries().SaveEntryToFile(Path, destination, lkMedia);
}

bool TLibItemImage::SaveToFile(const QString& destination)
{
    return SaveBmpFile(Libraries().LoadBitmap(Path, lkMedia), destination);
}

bool TLibItemAnim::SaveToFile(const QString& destination)
{
    const QImage strip = Libraries().LoadBitmap(Path, lkMedia);
    if (strip.isNull())
        return false;
    const int frames = std::max(1, Frames);
    FrameWidth = int(double(strip.width()) / frames + 0.5);
    FrameHeight = strip.height();
    return SaveBmpFile(strip, destination);
}

TLibItemBase* TLibItemsCont::Find(const QString& name) const
{
    for (const auto& item : m_items)
        if (item->Name == name)
            return item.get();
    return nullptr;
}

bool TLibItemsCont::ExistsPath(const QString& path) const
{
    for (const auto& item : m_items)
        if (item->Path == path)
            return true;
    return false;
}

} // namespace kav
