#include "config/workdir.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kav {

namespace {

const char kLockName[] = "Temp";

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

QString WithSlash(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString ErrnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Only names this program makes are swept, so a user's own "Tmp..." folder is never deleted.
bool IsWorkDirName(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^Tmp[0-9A-Fa-f]+$"));
    return re.match(name).hasMatch();
}

bool RemoveEntryAt(int dirFd, const char* name);

// Deletes what the directory open as fd holds, except an entry named keep; closes fd.
bool RemoveContents(int fd, const char* keep)
{
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return false;
    }
    // Names are collected first: deleting while a directory stream is read may skip entries.
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const char* n = entry->d_name;
        if (std::strcmp(n, ".") == 0 || std::strcmp(n, "..") == 0 || (keep && std::strcmp(n, keep) == 0))
            continue;
        names.emplace_back(n);
    }
    bool ok = true;
    for (const std::string& n : names)
        ok = RemoveEntryAt(dirfd(dir), n.c_str()) && ok;
    closedir(dir);
    return ok;
}

// Removes one entry of the directory dirFd. Links are unlinked, never followed; a file needs no
// write permission of its own to be deleted here, only its folder does.
bool RemoveEntryAt(int dirFd, const char* name)
{
    struct stat st {};
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return unlinkat(dirFd, name, 0) == 0 || errno == ENOENT;

    int fd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        fchmodat(dirFd, name, S_IRWXU, 0);
        fd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0)
        return false;
    if ((st.st_mode & S_IRWXU) != S_IRWXU)
        fchmod(fd, (st.st_mode & 07777) | S_IRWXU); // a read-only folder cannot be emptied
    const bool emptied = RemoveContents(fd, nullptr);
    return (unlinkat(dirFd, name, AT_REMOVEDIR) == 0 || errno == ENOENT) && emptied;
}

// Serialises sweeping and creating in one parent folder between processes, so a sweep never
// sees a new folder in the moment before its lock file is locked. Where the file system cannot
// lock a folder the work goes on unguarded rather than not at all.
class ParentLock {
public:
    explicit ParentLock(const QString& dir)
    {
        m_fd = open(Native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        while (m_fd >= 0 && flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~ParentLock()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    ParentLock(const ParentLock&) = delete;
    ParentLock& operator=(const ParentLock&) = delete;
    bool DirOpened() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

void SweepLocked(const QString& parent)
{
    const QStringList names =
        QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!IsWorkDirName(name))
            continue;
        const QString path = parent + name;
        const int fd = open(Native(path + QLatin1Char('/') + QLatin1String(kLockName)).constData(),
                            O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
                close(fd); // in use by a running working folder
                continue;
            }
        } else if (errno != ENOENT) {
            continue; // cannot tell whether it is in use: leave it
        }
        // Unsaved work of a program that ended without closing: kept until the user decides.
        if (QFileInfo::exists(path + QLatin1Char('/') + QLatin1String(kRecoveryFile))) {
            if (fd >= 0)
                close(fd);
            continue;
        }
        TWorkDir::RemoveTree(path); // deleted while its lock is ours
        if (fd >= 0)
            close(fd);
    }
}

} // namespace

std::unique_ptr<TWorkDir> TWorkDir::Create(const QString& applicationDir)
{
    QStringList parents;
    if (!applicationDir.isEmpty())
        parents << applicationDir;
    parents << CacheParentDir();

    QStringList reasons;
    for (int i = 0; i < parents.size(); ++i) {
        const QString parent = WithSlash(QDir::cleanPath(QFileInfo(parents[i]).absoluteFilePath()));
        if (i == parents.size() - 1)
            QDir().mkpath(parent); // the cache folder may not exist yet; the installation must
        ParentLock lock(parent);
        if (!lock.DirOpened()) {
            reasons << QStringLiteral("%1: %2").arg(parent, ErrnoText());
            continue;
        }
        SweepLocked(parent);

        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString path =
                parent + QStringLiteral("Tmp") + QString::number(QRandomGenerator::global()->generate(), 16).toUpper() +
                QLatin1Char('/');
            if (mkdir(Native(path).constData(), 0777) != 0) {
                if (errno == EEXIST)
                    continue;
                reasons << QStringLiteral("%1: %2").arg(parent, ErrnoText());
                break;
            }
            const int fd = open(Native(path + QLatin1String(kLockName)).constData(),
                                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
                reasons << QStringLiteral("%1: %2").arg(path, ErrnoText());
                if (fd >= 0)
                    close(fd);
                RemoveTree(path);
                break;
            }
            std::unique_ptr<TWorkDir> workDir(new TWorkDir(path, fd));
            try {
                workDir->EnsureSubfolders(false);
            } catch (const UserError& e) {
                reasons << e.message();
                break; // workDir deletes itself
            }
            return workDir;
        }
    }
    throw UserError(QStringLiteral("No working folder can be created: %1").arg(reasons.join(QLatin1String("; "))));
}

TWorkDir::~TWorkDir()
{
    Release();
}

void TWorkDir::Release()
{
    if (m_lockFd < 0)
        return;
    RemoveTree(m_path); // still locked, so no sweep races us
    close(m_lockFd);
    m_lockFd = -1;
}

void TWorkDir::Clear()
{
    const int fd = open(Native(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || !RemoveContents(fd, kLockName))
        throw UserError(QStringLiteral("%1: the working folder cannot be emptied").arg(m_path));
    EnsureSubfolders(false);
}

void TWorkDir::EnsureSubfolders(bool withPreview) const
{
    QStringList names{QStringLiteral("Animation"), QStringLiteral("Sound"), QStringLiteral("Image")};
    if (withPreview)
        names << QStringLiteral("Preview");
    for (const QString& name : names) {
        const QString path = m_path + name;
        if (mkdir(Native(path).constData(), 0777) == 0)
            continue;
        const int err = errno;
        struct stat st {};
        if (err == EEXIST && lstat(Native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        throw UserError(QStringLiteral("%1: the folder cannot be created: %2")
                            .arg(path, QString::fromLocal8Bit(std::strerror(err))));
    }
}

void TWorkDir::SweepStale(const QString& parentDir)
{
    const QString parent = WithSlash(QDir::cleanPath(QFileInfo(parentDir).absoluteFilePath()));
    ParentLock lock(parent);
    if (lock.DirOpened())
        SweepLocked(parent);
}

QStringList TWorkDir::FindRecoverable(const QString& parentDir)
{
    const QString parent = WithSlash(QDir::cleanPath(QFileInfo(parentDir).absoluteFilePath()));
    QList<QPair<qint64, QString>> found;
    const QStringList names =
        QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!IsWorkDirName(name))
            continue;
        const QString path = parent + name + QLatin1Char('/');
        const QFileInfo copy(path + QLatin1String(kRecoveryFile));
        if (!copy.isFile())
            continue;
        const int fd = open(Native(path + QLatin1String(kLockName)).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            const bool inUse = flock(fd, LOCK_EX | LOCK_NB) != 0;
            close(fd);
            if (inUse)
                continue;  // a running program's own folder
        }
        found.append({copy.lastModified().toMSecsSinceEpoch(), path});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList out;
    for (const auto& f : found)
        out << f.second;
    return out;
}

bool TWorkDir::RemoveTree(const QString& dir)
{
    const QFileInfo info(QDir::cleanPath(QFileInfo(dir).absoluteFilePath()));
    const QString name = info.fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false; // never the root
    const int parentFd = open(Native(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0)
        return errno == ENOENT;
    const QByteArray nativeName = Native(name);
    const bool removed = RemoveEntryAt(parentFd, nativeName.constData());
    struct stat st {};
    const bool gone = fstatat(parentFd, nativeName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
    close(parentFd);
    return removed && gone;
}

QString TWorkDir::CacheParentDir()
{
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return WithSlash(base) + QStringLiteral("kavelins/");
}

} // namespace kav
