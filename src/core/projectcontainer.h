#pragma once
#include <QIODevice>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace kav {

// The project file: a 9-byte tag, then for each file of the working folder a 525-byte header
// ("Image\sun.bmp;1234;" padded with spaces) followed by the file's bytes. No count, no end mark.
namespace ProjectContainer {

constexpr int kTagSize = 9;
constexpr int kHeaderSize = 525;
inline const char* const kWriteTag = "Ver970609";

struct Entry {
    QString path;    // relative, '/'-separated, folder spelled as the working folder spells it
    qint64 offset;   // of the content in the file
    qint64 size;
};

// Progress of long work: bytes done and bytes in all.
using Progress = std::function<void(qint64 done, qint64 total)>;
// Something skipped that the user should hear about; the work goes on.
using Warn = std::function<void(const QString& message)>;

// True when the file starts with one of the two project tags.
bool HasProjectTag(const QString& file);

// The one place that decides what a stored path may name: a file in the working folder itself
// or in one of its folders Image, Animation, Sound and Preview. Anything else (absolute paths,
// drive letters, "..", empty names, deeper folders) gives nothing.
std::optional<QString> SafeEntryPath(const QString& stored);

// Reads and checks every header. Throws kav::UserError naming the file and the reason for a
// missing tag, a header that is cut short, a size that is not a number or runs past the end,
// or a path that SafeEntryPath refuses. Nothing is written.
QList<Entry> ReadDirectory(const QString& file);

// Checks the whole file and the target first (names too long for the file system, an entry
// named like a media folder, links or folders in the way), then writes each entry below
// targetDir (whose folders are created as needed), replacing existing files. A symbolic link
// in the target is never followed: a link where a file goes is replaced, a link where a folder
// goes is refused. `scratch` skips syncing to the disk, for a working folder made for editing.
void Unpack(const QString& file, const QString& targetDir, const Progress& progress = {}, bool scratch = false);

// Walks workDir and writes the container to `file` through a temporary file beside it that
// replaces the target only when complete. Empty files are not stored; files the reader would
// refuse are skipped with a warning; a file that vanished while listing is reported and skipped.
void Pack(const QString& workDir, const QString& file, const Warn& warn = {}, const Progress& progress = {});
void Write(QIODevice& out, const QString& workDir, const Warn& warn = {}, const Progress& progress = {});

} // namespace ProjectContainer
} // namespace kav
