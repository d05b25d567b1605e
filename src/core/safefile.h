#pragma once
#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cerrno>

namespace kav {

// The one way the program puts a file on disk. The bytes go to a new file beside the target;
// Commit checks every write, flushes, syncs the data to the disk, compares the size on disk with
// what was written and only then renames the new file over the target. Whatever fails, the
// target keeps its previous contents and the new file is removed.
//
// QSaveFile is not enough here: Qt 6.4 can report a successful commit after its last buffered
// write failed on a full disk, which left truncated projects that looked saved.
//
// Failures throw WriteError: "Not enough disk space for saving FILE" when the disk (or the
// user's quota) is full, otherwise "Cannot write FILE: reason". A target that exists and is not
// a regular file (a folder, a device, a named pipe) is refused before anything is written.
class TSafeFile : public QIODevice {
public:
    enum class Links {
        Follow,   // a symbolic link is written through to the file it names (the user's own links)
        Replace,  // the link itself is replaced by the new file; nothing outside is touched
    };

    explicit TSafeFile(const QString& path, Links links = Links::Follow);
    ~TSafeFile() override;

    // Scratch files (a working folder unpacked for editing) need not survive a power cut: their
    // data is not synced to the disk, every other check stays.
    void SetScratch(bool scratch) { m_scratch = scratch; }

    // Checks the target and creates the new file beside it; throws WriteError.
    void Open();
    // Everything written so far becomes the target; throws WriteError. The device is closed after.
    void Commit();
    // Drops what was written; the target stays as it was.
    void Cancel();

    // True once a write failed; later writes are refused and Commit reports the first failure.
    bool Failed() const { return m_error != 0; }
    // Throws the WriteError of the first failed write (Commit would throw the same).
    [[noreturn]] void ThrowFailure() { fail(m_error ? m_error : EIO); }
    qint64 BytesWritten() const { return m_written + m_buffer.size(); }
    const QString& FileName() const { return m_path; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    [[noreturn]] void fail(int error, const QString& detail = {});
    bool drain();
    void removeTemporary();

    QString m_path;        // as the caller named it, for messages
    QString m_target;      // the file that is replaced (the end of a followed link)
    QString m_temporary;
    Links m_links;
    int m_fd = -1;
    int m_error = 0;       // errno of the first failed write
    bool m_targetExists = false;
    bool m_scratch = false;
    unsigned m_targetMode = 0;
    qint64 m_written = 0;  // bytes handed to the system
    QByteArray m_buffer;
};

// Writes the whole file through TSafeFile.
void WriteFileSafely(const QString& path, const QByteArray& bytes, TSafeFile::Links links = TSafeFile::Links::Follow);

// Why a path cannot be written as a regular file ("it is a folder", "it is a device, not a
// file", ...), or an empty string when it is a regular file or does not exist. Links are followed.
QString NotARegularFile(const QString& path);

} // namespace kav
