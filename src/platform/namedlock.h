#pragma once
#include <QString>

namespace kav {

// A lock shared by every process of the user, named like a system-wide mutex: an exclusive
// flock on a file of that name in the user's runtime folder. The lock belongs to this object's
// open file, so two NamedLock objects exclude each other even within one process (unlike a
// recursive mutex): share one object where one thread may lock twice.
class NamedLock {
public:
    explicit NamedLock(const QString& name = QStringLiteral("PELTO999"));
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    // True when the lock is (now) held by this object; false when another holder has it or the
    // lock file cannot be opened.
    bool TryLock();
    // Waits for the lock; throws UserError naming the lock file when it cannot be used.
    void Lock();
    void Unlock();
    bool IsLocked() const { return m_locked; }

    QString FilePath() const { return m_path; }

    // $XDG_RUNTIME_DIR, else Qt's runtime location, else /tmp/kavelins-<uid>.
    static QString RuntimeDir();

private:
    bool Open();

    QString m_path;
    int m_fd = -1;
    bool m_locked = false;
};

} // namespace kav
