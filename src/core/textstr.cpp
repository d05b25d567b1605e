#include "core/textstr.h"

#include "core/errors.h"
#include "core/textcodec.h"
#include "core/safefile.h"

#include <QFile>

namespace kav {

namespace {
// A value must stay on its line: a line break inside it would shift every later line.
QString oneLine(QString s)
{
    if (s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'))) {
        s.replace(QLatin1String("\r\n"), QLatin1String(" "));
        s.replace(QLatin1Char('\r'), QLatin1Char(' '));
        s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    return s;
}

QString valueText(const TValue& v)
{
    switch (v.index()) {
    case 0: return QString::number(std::get<int64_t>(v));
    case 1: return std::get<bool>(v) ? QStringLiteral("1") : QStringLiteral("0");
    case 2: return oneLine(QString(std::get<QChar>(v)));
    case 3: return oneLine(std::get<QString>(v));
    case 4: return QString::number(std::get<double>(v), 'g', 15);
    }
    return QString();
}
} // namespace

QString QuotedWhenNeeded(const QString& value)
{
    if (value.isEmpty())
        return value;
    qsizetype first = 0;
    while (first < value.size() && value[first].unicode() <= 32)
        ++first;
    const bool keeps = value[0] != QLatin1Char(' ') && first < value.size() && value[first] != QLatin1Char('\'');
    return keeps ? value : QLatin1Char('\'') + value + QLatin1Char('\'');
}

void TTextStr::Fail(const QString& reason) const { throw ReadError(SourceName(), LineNumber(), reason); }

QString TTextStr::ReadString()
{
    const QString line = ReadLine();
    qsizetype first = 0;
    while (first < line.size() && line[first].unicode() <= 32)
        ++first;
    if (first == line.size())
        return QString();
    if (line[first] == QLatin1Char('\'')) {
        // The quoted text without its first and its last character, whatever that last one is.
        const qsizetype len = line.size() - first;
        return len >= 2 ? line.mid(first + 1, len - 2) : QString();
    }
    qsizetype start = 0;
    while (start < line.size() && line[start] == QLatin1Char(' '))
        ++start;
    return line.mid(start);
}

bool TTextStr::ConvertInteger(qsizetype& pos, const QString& line, int32_t& out) const
{
    bool negative = false;
    if (pos < line.size() && line[pos] == QLatin1Char('-')) {
        negative = true;
        ++pos;
    }
    const qsizetype digitsStart = pos;
    uint64_t value = 0;
    while (pos < line.size() && line[pos] >= QLatin1Char('0') && line[pos] <= QLatin1Char('9')) {
        value = value * 10 + static_cast<uint64_t>(line[pos].unicode() - '0');
        if (value > 0xFFFFFFFFull)
            Fail(QStringLiteral("number out of range: '%1'").arg(line.trimmed()));
        ++pos;
    }
    if (pos == digitsStart)
        return false;
    if (negative) {
        if (value > 0x80000000ull)
            Fail(QStringLiteral("number out of range: '%1'").arg(line.trimmed()));
        out = static_cast<int32_t>(-static_cast<int64_t>(value));
    } else {
        out = static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
TTextStrFile::TTextStrFile(const QString& fileName) : m_fileName(fileName) {}

TTextStrFile::~TTextStrFile() = default;

void TTextStrFile::OpenRead()
{
    QFile f(m_fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot read %1: %2").arg(m_fileName, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("Cannot read %1: %2").arg(m_fileName, f.errorString()));
    m_text = DecodeText(bytes);
    m_pos = 0;
    m_line = 0;
    m_writing = false;
}

void TTextStrFile::OpenWrite()
{
    m_out.clear();
    m_writing = true;
}

QString TTextStrFile::ReadLine()
{
    if (m_pos >= m_text.size())
        Fail(QStringLiteral("unexpected end of file"));
    const QChar* d = m_text.constData();
    const qsizetype n = m_text.size();
    qsizetype end = m_pos;
    while (end < n && d[end] != QLatin1Char('\n') && d[end] != QLatin1Char('\r'))
        ++end;
    QString line = m_text.mid(m_pos, end - m_pos);
    if (end < n && d[end] == QLatin1Char('\r'))
        ++end;
    if (end < n && d[end] == QLatin1Char('\n'))
        ++end;
    m_pos = end;
    ++m_line;
    return line;
}

int32_t TTextStrFile::ReadInteger()
{
    const QString line = ReadLine();
    qsizetype pos = 0;
    while (pos < line.size() && line[pos].unicode() <= 32)
        ++pos;
    int32_t v = 0;
    if (!ConvertInteger(pos, line, v))
        Fail(QStringLiteral("a number was expected, found '%1'").arg(line.trimmed()));
    return v;
}

void TTextStrFile::WriteValue(const QString& indent, const TValue& value)
{
    m_out += indent.toUtf8();
    m_out += valueText(value).toUtf8();
    m_out += "\r\n";
}

void TTextStrFile::Commit()
{
    WriteFileSafely(m_fileName, m_out);
    m_writing = false;
}

// ---------------------------------------------------------------------------------------------
QString TTextStrMem::ReadLine()
{
    if (Position < 0 || Position >= Lines.size())
        return QString();
    return Lines[Position++];
}

QString TTextStrMem::ReadString()
{
    const QString line = ReadLine();
    if (line.startsWith(QLatin1Char('\'')))
        return line.size() >= 2 ? line.mid(1, line.size() - 2) : QString();
    return line;
}

void TTextStrMem::WriteValue(const QString&, const TValue& value) { Lines.append(valueText(value)); }

int32_t TTextStrMem::ReadInteger()
{
    const QString line = ReadLine();
    qsizetype pos = 0;
    while (pos < line.size() && line[pos] == QLatin1Char(' '))
        ++pos;
    int32_t v = 0;
    if (!ConvertInteger(pos, line, v) || pos != line.size())
        Fail(QStringLiteral("'%1' is not a valid integer value").arg(line));
    return v;
}

} // namespace kav
