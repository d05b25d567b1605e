#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <variant>

namespace kav {

// Which record every class writes or reads: the full project record, the applet record of an
// export, or a project record without timed-event and user-event lists (clipboard copies).
enum TStreamMode : uint8_t { smProject = 0, smApplet = 1, smCopy = 2 };

// One value of a stream line. Integers are 64-bit here so unsigned 32-bit fields (colours,
// 16.16 times) are written as the positive numbers they are.
using TValue = std::variant<int64_t, bool, QChar, QString, double>;

// The line-oriented object stream: one value per line, two spaces of indent per nesting level.
// Read errors (a malformed number, reading past the end) throw kav::ReadError with the line.
class TTextStr {
public:
    virtual ~TTextStr() = default;

    TStreamMode Mode = smProject;
    bool OldFormat = false;

    virtual QString ReadLine() = 0;
    virtual void WriteValue(const QString& indent, const TValue& value) = 0;
    virtual int32_t ReadInteger() = 0;
    virtual bool ReadBoolean() { return ReadInteger() != 0; }
    virtual void OpenRead() = 0;
    virtual void OpenWrite() = 0;

    // One string value: a line, unquoted by the stream's own rules.
    virtual QString ReadString();
    // The same 32 bits as ReadInteger, for fields the data keeps unsigned.
    uint32_t ReadCardinal() { return static_cast<uint32_t>(ReadInteger()); }

    void WriteInteger(const QString& indent, int64_t v) { WriteValue(indent, TValue(v)); }
    void WriteBoolean(const QString& indent, bool v) { WriteValue(indent, TValue(v)); }
    void WriteChar(const QString& indent, QChar v) { WriteValue(indent, TValue(v)); }
    void WriteString(const QString& indent, const QString& v) { WriteValue(indent, TValue(v)); }
    void WriteFloat(const QString& indent, double v) { WriteValue(indent, TValue(v)); }

    // For error messages: what is being read and the 1-based number of the line last read.
    virtual QString SourceName() const = 0;
    virtual int LineNumber() const = 0;
    [[noreturn]] void Fail(const QString& reason) const;

protected:
    // Integer parsing shared by both streams; accepts -2147483648 .. 4294967295 and keeps the low
    // 32 bits, since unsigned fields are written as positive numbers.
    bool ConvertInteger(qsizetype& pos, const QString& line, int32_t& out) const;
};

// A string value as its owner writes it when it must read back unchanged. The streams write
// strings as they are and ReadString drops leading spaces, and a first non-blank quote starts a
// quoted value; such a value (or one of blanks only) comes back wrapped in single quotes, any
// other unchanged, so ordinary names keep their plain lines.
QString QuotedWhenNeeded(const QString& value);

// A text file on disk. Reading loads the whole file at OpenRead; writing collects the text and
// puts it on disk at Commit through a temporary file, so a failed write never leaves half a file.
class TTextStrFile : public TTextStr {
public:
    explicit TTextStrFile(const QString& fileName);
    ~TTextStrFile() override;

    QString ReadLine() override;
    void WriteValue(const QString& indent, const TValue& value) override;
    int32_t ReadInteger() override;
    void OpenRead() override;
    void OpenWrite() override;

    // Writes what was written to the file; throws kav::UserError naming the file on failure.
    void Commit();
    bool AtEnd() const { return m_pos >= m_text.size(); }

    QString SourceName() const override { return m_fileName; }
    int LineNumber() const override { return m_line; }
    const QString& FileName() const { return m_fileName; }

private:
    QString m_fileName;
    QString m_text;      // decoded file while reading
    qsizetype m_pos = 0;
    int m_line = 0;
    QByteArray m_out;    // UTF-8 while writing
    bool m_writing = false;
};

// A stream in memory: one list line per value, without indentation.
class TTextStrMem : public TTextStr {
public:
    TTextStrMem() = default;

    QStringList Lines;
    int Position = 0;

    QString ReadLine() override;
    void WriteValue(const QString& indent, const TValue& value) override;
    int32_t ReadInteger() override;
    QString ReadString() override;
    void OpenRead() override { Position = 0; }
    void OpenWrite() override
    {
        Lines.clear();
        Position = 0;
    }

    QString SourceName() const override { return QStringLiteral("memory stream"); }
    int LineNumber() const override { return Position; }
};

} // namespace kav
