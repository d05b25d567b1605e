#include "platform/namedlock.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kav {

namespace {

// A folder in /tmp is only trusted when it is ours and closed to others; anyone could have
// made it first.
bool EnsurePrivateDir(const QString& dir)
{
    const QByteArray path = QFile::encodeName(dir);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           (st.st_mode & 077) == 0;
}

} // namespace

QString NamedLock::RuntimeDir()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg) && QDir().mkpath(xdg))
        return xdg;
    const QString qt = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!qt.isEmpty() && QDir().mkpath(qt))
        return qt;
    const QString own = QStringLiteral("/tmp/kavelins-%1").arg(geteuid());
    return EnsurePrivateDir(own) ? own : QString();
}

NamedLock::NamedLock(const QString& name)
{
    const QString dir = RuntimeDir();
    if (!dir.isEmpty())
        m_path = dir + QLatin1Char('/') + name + QStringLiteral(".lock");
}

NamedLock::~NamedLock()
{
    if (m_fd >= 0)
        close(m_fd); // closing releases the lock
}

bool NamedLock::Open()
{
    if (m_fd >= 0)
        return true;
    if (m_path.isEmpty())
        return false;
    m_fd = open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    return m_fd >= 0;
}

bool NamedLock::TryLock()
{
    if (m_locked)
        return true;
    if (!Open())
        return false;
    m_locked = flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    return m_locked;
}

void NamedLock::Lock()
{
    if (m_locked)
        return;
    if (!Open())
        throw UserError(QStringLiteral("%1: the lock file cannot be opened: %2")
                            .arg(m_path.isEmpty() ? QStringLiteral("(no runtime folder)") : m_path,
                                 QString::fromLocal8Bit(std::strerror(errno))));
    while (flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            throw UserError(QStringLiteral("%1: the lock cannot be taken: %2")
                                .arg(m_path, QString::fromLocal8Bit(std::strerror(errno))));
    }
    m_locked = true;
}

void NamedLock::Unlock()
{
    if (!m_locked)
        return;
    flock(m_fd, LOCK_UN);
    m_locked = false;
}

} // namespace kav
