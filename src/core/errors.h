#pragma once
#include <QString>
#include <stdexcept>

namespace kav {

// An error the user must see: the message names the file and the reason. Engine operations
// throw it; windows show it in a message box, the CLI prints it on stderr and exits with 1.
class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// A read error inside a data stream (a malformed number, reading past the end, an unknown
// class name). It carries the stream's name and the 1-based line where reading failed.
class ReadError : public UserError {
public:
    ReadError(const QString& source, int line, const QString& reason)
        : UserError(line > 0 ? QStringLiteral("%1, line %2: %3").arg(source).arg(line).arg(reason)
                             : QStringLiteral("%1: %2").arg(source, reason)),
          m_source(source), m_line(line), m_reason(reason) {}
    const QString& source() const { return m_source; }
    int line() const { return m_line; }
    const QString& reason() const { return m_reason; }

private:
    QString m_source;
    int m_line;
    QString m_reason;
};

// A file that could not be written. diskFull tells the caller to use its disk-space message.
class WriteError : public UserError {
public:
    WriteError(const QString& message, bool diskFull) : UserError(message), m_diskFull(diskFull) {}
    bool diskFull() const { return m_diskFull; }

private:
    bool m_diskFull;
};

} // namespace kav
