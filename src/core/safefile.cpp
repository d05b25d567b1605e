#include "core/safefile.h"

#include "core/errors.h"
#include "ui/langstrings.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kav {

namespace {
constexpr qsizetype kBufferSize = 1 << 16;

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a named pipe, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    return QStringLiteral("it is not a regular file");
}

QString reasonOf(int error)
{
    switch (error) {
    case EROFS: return QStringLiteral("the disk is read-only");
    case EACCES:
    case EPERM: return QStringLiteral("permission denied");
    default: return QString::fromLocal8Bit(strerror(error));
    }
}

bool writeAll(int fd, const char* data, qint64 length, int& error)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qint64>(length, 1 << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            error = EIO;
            return false;
        }
        data += n;
        length -= n;
    }
    return true;
}
} // namespace

QString NotARegularFile(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    return S_ISREG(st.st_mode) ? QString() : kindOf(st.st_mode);
}

TSafeFile::TSafeFile(const QString& path, Links links) : m_path(path), m_links(links) {}

TSafeFile::~TSafeFile() { removeTemporary(); }

void TSafeFile::fail(int error, const QString& detail)
{
    removeTemporary();
    const bool full = error == ENOSPC || error == EDQUOT;
    if (full)
        throw WriteError(GetString(QStringLiteral("Error.DiskSpaceForSaving"), native(m_path)), true);
    throw WriteError(QStringLiteral("Cannot write %1: %2").arg(native(m_path), detail.isEmpty() ? reasonOf(error) : detail),
                     false);
}

void TSafeFile::Open()
{
    if (m_path.isEmpty())
        throw WriteError(QStringLiteral("Cannot write a file without a name"), false);
    m_target = QFileInfo(m_path).absoluteFilePath();
    const QByteArray given = QFile::encodeName(m_target);
    struct stat st {};
    if (::lstat(given.constData(), &st) == 0) {
        if (S_ISLNK(st.st_mode) && m_links == Links::Follow) {
            // The user's own link: write the file it names, as editors do. A link that names
            // nothing is replaced rather than followed.
            const QString end = QFileInfo(m_target).canonicalFilePath();
            if (!end.isEmpty())
                m_target = end;
        }
        const QByteArray target = QFile::encodeName(m_target);
        const bool replaceLink = m_links == Links::Replace && S_ISLNK(st.st_mode);
        if (!replaceLink && ::stat(target.constData(), &st) == 0) {
            if (!S_ISREG(st.st_mode))
                fail(EINVAL, kindOf(st.st_mode));
            if (::access(target.constData(), W_OK) != 0)
                fail(errno, errno == EACCES ? QStringLiteral("the file is read-only") : QString());
            m_targetExists = true;
            m_targetMode = st.st_mode & 07777;
        }
    }
    const QFileInfo target(m_target);
    const QString folder = target.absolutePath();
    struct stat dir {};
    if (::stat(QFile::encodeName(folder).constData(), &dir) != 0)
        fail(errno, errno == ENOENT ? QStringLiteral("the folder %1 does not exist").arg(native(folder)) : QString());
    if (!S_ISDIR(dir.st_mode))
        fail(ENOTDIR, QStringLiteral("%1 is not a folder").arg(native(folder)));

    // A short fixed name: the target's own name may already be as long as a name can be.
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = folder + QStringLiteral("/.kav-%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        m_fd = ::open(QFile::encodeName(m_temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (m_fd < 0 && errno != EEXIST) {
            const int err = errno;
            m_temporary.clear();
            if (err == EACCES || err == EPERM)
                fail(err, QStringLiteral("the folder %1 cannot be written to").arg(native(folder)));
            fail(err);
        }
    }
    if (m_fd < 0) {
        m_temporary.clear();
        fail(EEXIST);
    }
    // The new file keeps the permissions of the one it replaces.
    if (m_targetExists)
        ::fchmod(m_fd, mode_t(m_targetMode));
    m_buffer.reserve(kBufferSize);
    QIODevice::open(QIODevice::WriteOnly);
}

bool TSafeFile::drain()
{
    if (m_error)
        return false;
    if (m_buffer.isEmpty())
        return true;
    if (!writeAll(m_fd, m_buffer.constData(), m_buffer.size(), m_error))
        return false;
    m_written += m_buffer.size();
    m_buffer.clear();
    return true;
}

qint64 TSafeFile::writeData(const char* data, qint64 length)
{
    if (m_fd < 0 || m_error)
        return -1;
    if (m_buffer.size() + length <= kBufferSize) {
        m_buffer.append(data, qsizetype(length));
        return length;
    }
    if (!drain())
        return -1;
    if (length >= kBufferSize) {
        if (!writeAll(m_fd, data, length, m_error))
            return -1;
        m_written += length;
    } else {
        m_buffer.append(data, qsizetype(length));
    }
    return length;
}

void TSafeFile::Commit()
{
    if (m_fd < 0)
        throw WriteError(QStringLiteral("Cannot write %1: the file was not opened").arg(native(m_path)), false);
    QIODevice::close();
    if (!drain())
        fail(m_error);
    if (!m_scratch && ::fsync(m_fd) != 0 && errno != EINVAL)
        fail(errno);
    // A file system that accepted the writes may still hold less than was given.
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        fail(errno);
    if (qint64(st.st_size) != m_written)
        fail(EIO, QStringLiteral("the disk holds %1 of its %2 bytes").arg(qint64(st.st_size)).arg(m_written));
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_target).constData()) != 0)
        fail(errno);
    m_temporary.clear();
    if (m_scratch)
        return;
    // The rename itself must reach the disk too.
    const int dir = ::open(QFile::encodeName(QFileInfo(m_target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void TSafeFile::Cancel() { removeTemporary(); }

void TSafeFile::removeTemporary()
{
    if (isOpen())
        QIODevice::close();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(QFile::encodeName(m_temporary).constData());
        m_temporary.clear();
    }
    m_buffer.clear();
}

void WriteFileSafely(const QString& path, const QByteArray& bytes, TSafeFile::Links links)
{
    TSafeFile f(path, links);
    f.Open();
    f.write(bytes);
    f.Commit();
}

} // namespace kav
