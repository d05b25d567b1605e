// Fuzzes the project container reader: ProjectContainer::Unpack of arbitrary bytes.
//
// The input is written to a file and unpacked into a fresh folder. A run aborts when
//  - anything appears next to or above the target folder (the watched folders below),
//  - the reader accepts an entry whose path would leave the target or is not one the working
//    folder can hold (checked before anything is unpacked, so a fault never writes elsewhere),
//  - the reader's entries overlap, lie outside the input or are not in file order,
//  - after a successful unpack, the target holds anything but the entries' files with exactly
//    their bytes (the last entry of a name wins), or a symbolic link,
//  - a refused unpack (a name too long, an entry named like a media folder) wrote anything,
//  - progress is reported past the total or backwards,
//  - anything but kav::UserError is thrown (an uncaught exception ends the process).
#include "core/errors.h"
#include "core/projectcontainer.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace kav;

namespace {

const QStringList kFolders = {QStringLiteral("Image"), QStringLiteral("Animation"), QStringLiteral("Sound"),
                              QStringLiteral("Preview")};

[[noreturn]] void violation(const QString& what)
{
    std::fprintf(stderr, "fuzz_container: %s\n", qPrintable(what));
    std::fflush(stderr);
    std::abort();
}

// One folder tree per process, reused by every run:
//   root/in.plt              the input
//   root/outer/inner/work    the target
//   root/outer/inner/sentinel  must stay empty
// so that an escape of one, two or three levels lands in a folder that is checked.
struct Sandbox {
    QString root, input, outer, inner, target, sentinel;

    Sandbox()
    {
        QString base = QString::fromLocal8Bit(qgetenv("KAV_FUZZ_TMPDIR"));
        if (base.isEmpty())
            base = access("/dev/shm", W_OK) == 0 ? QStringLiteral("/dev/shm") : QDir::tempPath();
        QByteArray tmpl = QFile::encodeName(base + QStringLiteral("/kav-fuzz-container-XXXXXX"));
        if (!mkdtemp(tmpl.data()))
            violation(QStringLiteral("cannot create a temporary folder in %1").arg(base));
        root = QFile::decodeName(tmpl);
        input = root + QStringLiteral("/in.plt");
        outer = root + QStringLiteral("/outer");
        inner = outer + QStringLiteral("/inner");
        target = inner + QStringLiteral("/work");
        sentinel = inner + QStringLiteral("/sentinel");
        if (!QDir().mkpath(sentinel))
            violation(QStringLiteral("cannot create %1").arg(sentinel));
    }
    ~Sandbox() { QDir(root).removeRecursively(); }
};

Sandbox& sandbox()
{
    static Sandbox s;
    return s;
}

QStringList namesIn(const QString& dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

void expectNames(const QString& dir, QStringList expected)
{
    expected.sort();
    const QStringList found = namesIn(dir);
    if (found != expected)
        violation(QStringLiteral("%1 holds [%2], expected [%3]").arg(dir, found.join(u", "), expected.join(u", ")));
}

// Nothing outside the target may have changed, whatever Unpack did.
void checkSurroundings(const Sandbox& s, bool inputPresent)
{
    QStringList rootNames = {QStringLiteral("outer")};
    if (inputPresent)
        rootNames << QStringLiteral("in.plt");
    expectNames(s.root, rootNames);
    expectNames(s.outer, {QStringLiteral("inner")});
    QStringList innerNames = {QStringLiteral("sentinel")};
    if (QFileInfo::exists(s.target))
        innerNames << QStringLiteral("work");
    expectNames(s.inner, innerNames);
    expectNames(s.sentinel, {});
}

// A path the working folder can hold: "name" or "Folder/name", nothing else.
bool acceptablePath(const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    if (parts.size() > 2)
        return false;
    for (const QString& p : parts)
        if (p.isEmpty() || p == QLatin1String(".") || p == QLatin1String("..") || p.contains(QLatin1Char('\\')))
            return false;
    if (parts.size() == 2 && !kFolders.contains(parts[0]))
        return false;
    return true;
}

// The reader's entries, checked against the input before anything is written. Returns the files
// a successful unpack must leave: path -> bytes.
QHash<QString, QByteArray> checkDirectory(const Sandbox& s, const QByteArray& bytes, bool& readable)
{
    QHash<QString, QByteArray> expected;
    QList<ProjectContainer::Entry> entries;
    try {
        entries = ProjectContainer::ReadDirectory(s.input);
    } catch (const UserError&) {
        readable = false;
        return expected;
    }
    readable = true;
    if (bytes.size() < ProjectContainer::kTagSize)
        violation(QStringLiteral("a file of %1 bytes was read as a project").arg(bytes.size()));
    const QString targetPrefix = s.target + QLatin1Char('/');
    qint64 previousEnd = ProjectContainer::kTagSize;
    for (const ProjectContainer::Entry& e : entries) {
        if (!acceptablePath(e.path))
            violation(QStringLiteral("entry path '%1' was accepted").arg(e.path));
        const QString resolved = QDir::cleanPath(QDir(s.target).filePath(e.path));
        if (!resolved.startsWith(targetPrefix))
            violation(QStringLiteral("entry path '%1' resolves to %2").arg(e.path, resolved));
        if (e.size <= 0 || e.offset < previousEnd + ProjectContainer::kHeaderSize || e.offset > bytes.size() ||
            e.size > bytes.size() - e.offset)
            violation(QStringLiteral("entry '%1' at %2 size %3 does not fit the input of %4 bytes")
                          .arg(e.path).arg(e.offset).arg(e.size).arg(bytes.size()));
        previousEnd = e.offset + e.size;
        if (e.path != QLatin1String("Temp"))
            expected.insert(e.path, bytes.mid(e.offset, e.size));
    }
    return expected;
}

void checkUnpacked(const Sandbox& s, const QHash<QString, QByteArray>& expected)
{
    QSet<QString> seen;
    QDirIterator it(s.target, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo fi = it.fileInfo();
        const QString rel = QDir(s.target).relativeFilePath(path);
        if (fi.isSymLink())
            violation(QStringLiteral("unpacking made a symbolic link %1").arg(rel));
        if (fi.isDir()) {
            if (!kFolders.contains(rel))
                violation(QStringLiteral("unpacking made the folder %1").arg(rel));
            continue;
        }
        const auto want = expected.constFind(rel);
        if (want == expected.constEnd())
            violation(QStringLiteral("unpacking made the file %1, which no entry names").arg(rel));
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly) || f.readAll() != *want)
            violation(QStringLiteral("%1 does not hold the bytes of its entry").arg(rel));
        seen.insert(rel);
    }
    for (auto i = expected.constBegin(); i != expected.constEnd(); ++i)
        if (!seen.contains(i.key()))
            violation(QStringLiteral("entry %1 was not unpacked").arg(i.key()));
    for (const QString& folder : {QStringLiteral("Image"), QStringLiteral("Animation"), QStringLiteral("Sound")})
        if (!QFileInfo(s.target + QLatin1Char('/') + folder).isDir())
            violation(QStringLiteral("the folder %1 was not made").arg(folder));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Sandbox& s = sandbox();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile f(s.input);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            violation(QStringLiteral("cannot write %1").arg(s.input));
    }

    bool readable = false;
    const QHash<QString, QByteArray> expected = checkDirectory(s, bytes, readable);

    bool unpacked = false;
    qint64 lastDone = 0;
    try {
        ProjectContainer::Unpack(
            s.input, s.target,
            [&](qint64 done, qint64 total) {
                if (done < lastDone || done > total || total != qint64(size))
                    violation(QStringLiteral("progress %1 of %2 after %3").arg(done).arg(total).arg(lastDone));
                lastDone = done;
            },
            true);
        unpacked = true;
    } catch (const UserError&) {
    }

    checkSurroundings(s, true);
    if (unpacked && !readable)
        violation(QStringLiteral("Unpack accepted a file that ReadDirectory refuses"));
    if (unpacked)
        checkUnpacked(s, expected);
    if (!readable && QFileInfo::exists(s.target))
        violation(QStringLiteral("something was written for a file that is not a readable project"));
    // Every entry is checked before the first file: a refusal leaves nothing behind.
    if (!unpacked && QFileInfo::exists(s.target))
        violation(QStringLiteral("a refused unpack wrote into the target"));

    QDir(s.target).removeRecursively();
    return 0;
}
