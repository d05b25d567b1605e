#include "core/projectcontainer.h"

#include "core/errors.h"
#include "core/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "core/safefile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>

namespace kav::ProjectContainer {

namespace {
const char* const kFolders[] = {"Image", "Animation", "Sound", "Preview"};
constexpr qint64 kChunk = 4 << 20;

QString readError(const QString& file, const QString& reason)
{
    return QStringLiteral("%1 is not a readable project file: %2").arg(QDir::toNativeSeparators(file), reason);
}

// A failed write of the project file: the device's reason, or the system's when the device has
// none, and whether the disk was full (the caller shows its disk-space message then).
[[noreturn]] void failWrite(QIODevice& out)
{
    const int err = errno;
    QString reason = out.errorString();
    if (err != 0 && (reason.isEmpty() || reason == QLatin1String("Unknown error")))
        reason = QString::fromLocal8Bit(strerror(err));
    throw WriteError(QStringLiteral("Cannot write the project file: %1").arg(reason), err == ENOSPC || err == EDQUOT);
}

bool tagOk(const QByteArray& tag) { return tag == "Ver970609" || tag == "Ver970518"; }

struct Source {
    QString relative;   // '/'-separated, for the file system
    QString absolute;
    qint64 size;
};

void collect(const QString& root, const QString& dir, const QString& prefix, QList<Source>& out,
             const Warn& warn)
{
    QDir d(dir);
    const QFileInfoList entries =
        d.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& fi : entries) {
        const QString rel = prefix + fi.fileName();
        if (fi.isSymLink())
            continue;  // never store what lies outside the folder
        if (fi.isDir()) {
            if (!fi.fileName().startsWith(QLatin1Char('.')))
                collect(root, fi.absoluteFilePath(), rel + QLatin1Char('/'), out, warn);
            continue;
        }
        if (!fi.isFile())
            continue;
        if (!SafeEntryPath(rel)) {
            if (warn && fi.size() > 0)
                warn(QStringLiteral("%1 was not stored: a project keeps only the files of its working "
                                    "folder and of its Image, Animation, Sound and Preview folders")
                         .arg(rel));
            continue;
        }
        out.append({rel, fi.absoluteFilePath(), fi.size()});
    }
}
} // namespace

bool HasProjectTag(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return tagOk(f.read(kTagSize));
}

std::optional<QString> SafeEntryPath(const QString& stored)
{
    if (stored.isEmpty() || stored.startsWith(QLatin1Char('\\')) || stored.startsWith(QLatin1Char('/')))
        return std::nullopt;
    QString s = stored;
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = s.split(QLatin1Char('/'));
    if (parts.size() > 2)
        return std::nullopt;
    for (const QString& p : parts) {
        if (p.isEmpty() || p == QLatin1String(".") || p == QLatin1String(".."))
            return std::nullopt;
        for (QChar c : p)
            if (c.unicode() < 32 || c == QLatin1Char(':'))
                return std::nullopt;
    }
    if (parts.size() == 1)
        return parts[0];
    for (const char* folder : kFolders)
        if (parts[0].compare(QLatin1String(folder), Qt::CaseInsensitive) == 0)
            return QLatin1String(folder) + QLatin1Char('/') + parts[1];
    return std::nullopt;
}

QList<Entry> ReadDirectory(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(file), f.errorString()));
    const qint64 total = f.size();
    if (!tagOk(f.read(kTagSize)))
        throw UserError(readError(file, QStringLiteral("it does not begin with a project tag")));

    QList<Entry> entries;
    qint64 pos = kTagSize;
    while (pos < total) {
        if (total - pos < kHeaderSize)
            throw UserError(readError(file, QStringLiteral("the entry header at byte %1 is cut short").arg(pos)));
        if (!f.seek(pos))
            throw UserError(readError(file, f.errorString()));
        const QByteArray header = f.read(kHeaderSize);
        if (header.size() != kHeaderSize)
            throw UserError(readError(file, QStringLiteral("the entry header at byte %1 is cut short").arg(pos)));
        const qsizetype semi1 = header.indexOf(';');
        const qsizetype semi2 = semi1 < 0 ? -1 : header.indexOf(';', semi1 + 1);
        if (semi2 < 0)
            throw UserError(readError(file, QStringLiteral("the entry header at byte %1 is damaged").arg(pos)));
        const QString path = DecodeText(header.left(semi1));
        const QByteArray sizeText = header.mid(semi1 + 1, semi2 - semi1 - 1);
        bool ok = false;
        const qint64 size = sizeText.toLongLong(&ok);
        if (!ok)
            throw UserError(readError(file, QStringLiteral("the size of entry '%1' is not a number").arg(path)));
        pos += kHeaderSize;
        if (size <= 0)
            continue;
        if (size > total - pos)
            throw UserError(readError(file, QStringLiteral("entry '%1' runs past the end of the file").arg(path)));
        const std::optional<QString> safe = SafeEntryPath(path);
        if (!safe)
            throw UserError(readError(file, QStringLiteral("entry '%1' names a place outside the project's folders")
                                                .arg(path.left(200))));
        entries.append({*safe, pos, size});
        pos += size;
    }
    return entries;
}

namespace {
// What lies at a path without following a link: nothing, a folder, a file, a link or another kind.
enum class Kind { None, Folder, File, Link, Other };

Kind kindAt(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return Kind::None;
    if (S_ISLNK(st.st_mode))
        return Kind::Link;
    if (S_ISDIR(st.st_mode))
        return Kind::Folder;
    return S_ISREG(st.st_mode) ? Kind::File : Kind::Other;
}

QString unpackError(const QString& file, const QString& reason)
{
    return QStringLiteral("%1 was not unpacked: %2").arg(QDir::toNativeSeparators(file), reason);
}

// Everything that could stop the unpacking half-way is found before the first file is written:
// names the file system cannot hold, entries that clash with the media folders, and links or
// other kinds of files in the target that writing would follow or could not replace.
void checkTarget(const QString& file, const QList<Entry>& entries, const QDir& target, const QStringList& folders)
{
    const QString root = target.absolutePath();
    const Kind rootKind = kindAt(root);
    if (rootKind != Kind::None && !QFileInfo(root).isDir())
        throw UserError(unpackError(file, QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(root))));
    for (const QString& folder : folders) {
        const QString path = target.filePath(folder);
        const Kind k = kindAt(path);
        if (k == Kind::Link)
            throw UserError(unpackError(file, QStringLiteral("%1 is a symbolic link; nothing is written through a link")
                                                  .arg(QDir::toNativeSeparators(path))));
        if (k != Kind::None && k != Kind::Folder)
            throw UserError(unpackError(file, QStringLiteral("%1 is in the way of the project's folder of that name")
                                                  .arg(QDir::toNativeSeparators(path))));
    }
    for (const Entry& e : entries) {
        if (e.path == QLatin1String("Temp"))
            continue;
        const QString shown = e.path.left(80) + (e.path.size() > 80 ? QStringLiteral("...") : QString());
        for (const QString& part : e.path.split(QLatin1Char('/')))
            if (QFile::encodeName(part).size() > NAME_MAX)
                throw UserError(unpackError(file, QStringLiteral("the name of entry '%1' is longer than a file name may be").arg(shown)));
        if (!e.path.contains(QLatin1Char('/')))
            for (const char* folder : kFolders)
                if (e.path.compare(QLatin1String(folder), Qt::CaseInsensitive) == 0)
                    throw UserError(unpackError(file, QStringLiteral("entry '%1' has the name of one of the project's folders").arg(shown)));
        const QString out = target.filePath(e.path);
        if (QFile::encodeName(out).size() >= PATH_MAX)
            throw UserError(unpackError(file, QStringLiteral("the path of entry '%1' in %2 is too long")
                                                  .arg(shown, QDir::toNativeSeparators(root))));
        // A link in the way is replaced, never followed; a folder or device cannot be replaced.
        const Kind k = kindAt(out);
        if (k == Kind::Folder || k == Kind::Other)
            throw UserError(unpackError(file, QStringLiteral("%1 is in the way of entry '%2': %3")
                                                  .arg(QDir::toNativeSeparators(out), shown, NotARegularFile(out))));
    }
}
} // namespace

void Unpack(const QString& file, const QString& targetDir, const Progress& progress, bool scratch)
{
    const QList<Entry> entries = ReadDirectory(file);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot open %1: %2").arg(QDir::toNativeSeparators(file), in.errorString()));
    const qint64 total = in.size();
    const uchar* map = total > 0 ? in.map(0, total) : nullptr;

    // The media folders always exist in a working folder, even when they hold nothing to store.
    QStringList folders;
    for (const char* folder : kFolders)
        if (qstrcmp(folder, "Preview") != 0 ||
            std::any_of(entries.begin(), entries.end(),
                        [&](const Entry& e) { return e.path.startsWith(QLatin1String(folder) + '/'); }))
            folders << QLatin1String(folder);

    QDir target(targetDir);
    checkTarget(file, entries, target, folders);
    // A disk that cannot hold it all is found before the first file, not half-way through.
    qint64 needed = 0;
    for (const Entry& e : entries)
        needed += e.size;
    QString existing = target.absolutePath();
    while (!QFileInfo::exists(existing) && QFileInfo(existing).absolutePath() != existing)
        existing = QFileInfo(existing).absolutePath();
    const QStorageInfo storage(existing);
    if (storage.isValid() && storage.isReady() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < needed)
        throw WriteError(unpackError(file, QStringLiteral("it needs %1 bytes and the disk of %2 has %3 free")
                                               .arg(needed).arg(QDir::toNativeSeparators(existing)).arg(storage.bytesAvailable())),
                         true);
    if (!target.mkpath(QStringLiteral(".")))
        throw UserError(QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(targetDir)));
    for (const QString& folder : folders)
        if (!target.mkpath(folder))
            throw UserError(QStringLiteral("Cannot create the folder %1")
                                .arg(QDir::toNativeSeparators(target.filePath(folder))));

    QByteArray buffer;
    qint64 done = 0;
    for (const Entry& e : entries) {
        if (e.path == QLatin1String("Temp"))
            continue;  // the working folder's lock file belongs to the running program
        TSafeFile o(target.filePath(e.path), TSafeFile::Links::Replace);
        o.SetScratch(scratch);
        o.Open();
        for (qint64 at = 0; at < e.size && !o.Failed(); at += kChunk) {
            const qint64 n = std::min(kChunk, e.size - at);
            if (map) {
                o.write(reinterpret_cast<const char*>(map + e.offset + at), n);
            } else {
                if (!in.seek(e.offset + at))
                    throw UserError(readError(file, in.errorString()));
                buffer = in.read(n);
                if (buffer.size() != n)
                    throw UserError(readError(file, QStringLiteral("it was cut short while reading")));
                o.write(buffer);
            }
            done += n;
            if (progress)
                progress(done, total);
        }
        o.Commit();
    }
}

void Write(QIODevice& out, const QString& workDir, const Warn& warn, const Progress& progress)
{
    QList<Source> sources;
    collect(workDir, workDir, QString(), sources, warn);
    qint64 total = 0;
    for (const Source& s : sources)
        total += s.size;

    errno = 0;
    if (out.write(kWriteTag, kTagSize) != kTagSize)
        failWrite(out);
    qint64 done = 0;
    for (const Source& s : sources) {
        QFile in(s.absolute);
        if (!in.open(QIODevice::ReadOnly)) {
            if (!QFileInfo::exists(s.absolute)) {
                if (warn)
                    warn(QStringLiteral("Can not find %1").arg(QDir::toNativeSeparators(s.absolute)));
                continue;
            }
            throw UserError(QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(s.absolute), in.errorString()));
        }
        const qint64 size = in.size();
        if (size <= 0)
            continue;
        QString stored = s.relative;
        stored.replace(QLatin1Char('/'), QLatin1Char('\\'));
        QByteArray header = stored.toUtf8() + ';' + QByteArray::number(size) + ';';
        if (header.size() > kHeaderSize)
            throw UserError(QStringLiteral("The name %1 is too long to be stored in a project file").arg(stored));
        header.append(kHeaderSize - header.size(), ' ');
        if (out.write(header) != kHeaderSize)
            failWrite(out);

        const uchar* map = in.map(0, size);
        for (qint64 at = 0; at < size; at += kChunk) {
            const qint64 n = std::min(kChunk, size - at);
            QByteArray chunk;
            const char* data;
            if (map) {
                data = reinterpret_cast<const char*>(map + at);
            } else {
                chunk = in.read(n);
                if (chunk.size() != n)
                    throw UserError(QStringLiteral("Cannot read %1: it changed while saving").arg(QDir::toNativeSeparators(s.absolute)));
                data = chunk.constData();
            }
            if (out.write(data, n) != n)
                failWrite(out);
            done += n;
            if (progress)
                progress(done, total);
        }
    }
}

void Pack(const QString& workDir, const QString& file, const Warn& warn, const Progress& progress)
{
    if (!QFileInfo(workDir).isDir())
        throw UserError(QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(workDir)));
    TSafeFile out(file);
    out.Open();
    try {
        Write(out, workDir, warn, progress);
    } catch (const WriteError&) {
        if (out.Failed())
            out.ThrowFailure();  // the file's own reason: a full disk names the project file
        throw;
    } catch (const UserError& e) {
        out.Cancel();
        throw UserError(QStringLiteral("%1 was not saved. %2").arg(QDir::toNativeSeparators(file), e.message()));
    }
    out.Commit();
}

} // namespace ProjectContainer
