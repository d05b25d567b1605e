#pragma once
// A small memory file system of its own, so that a test can fill it up or make it read-only.
// Mounting needs root; elsewhere mounted() is false and the test skips itself.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace kavtest {

class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes)
    {
        if (geteuid() != 0 || !m_dir.isValid())
            return;
        const QByteArray options = "size=" + QByteArray::number(bytes);
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString path(const QString& name = {}) const { return name.isEmpty() ? m_dir.path() : m_dir.filePath(name); }

    qint64 freeBytes() const
    {
        struct statvfs st {};
        if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &st) != 0)
            return -1;
        return qint64(st.f_bavail) * qint64(st.f_frsize);
    }

    // Takes all space but about `left` bytes (whole pages) with a file of its own.
    void fillLeaving(qint64 left)
    {
        QFile filler(path(QStringLiteral("filler-%1").arg(m_fillers++)));
        filler.open(QIODevice::WriteOnly);
        const QByteArray block(4096, 'f');
        while (freeBytes() > left + 4096 && filler.write(block) == block.size())
            filler.flush();
        filler.close();
    }

    void setReadOnly(bool readOnly)
    {
        ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_REMOUNT | (readOnly ? MS_RDONLY : 0), nullptr);
    }

    // Whatever a writer left beside its target: half-written scratch files must not stay.
    QStringList leftovers() const
    {
        QStringList found;
        QDir dir(m_dir.path());
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot))
            if (name.startsWith(QLatin1String(".kav-")))
                found << name;
        return found;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    int m_fillers = 0;
};

} // namespace kavtest

#define KAV_NEEDS_SMALL_DISK(disk) \
    if (!(disk).mounted())         \
    GTEST_SKIP() << "a small file system of its own needs root to mount"
