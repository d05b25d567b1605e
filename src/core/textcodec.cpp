#include "core/textcodec.h"

#include <QStringDecoder>

namespace kav {

namespace {
QString g_language = QStringLiteral("ENGLISH");

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

void SetCurrentLanguage(const QString& name) { g_language = name.trimmed().toUpper(); }
QString CurrentLanguage() { return g_language; }
bool IsJapanese() { return g_language == QLatin1String("JAPANESE"); }

bool IsValidUtf8(const QByteArray& bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = dec(bytes);
    return !dec.hasError();
}

QString DecodeWindows1252(const QByteArray& bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        d[i] = (c >= 0x80 && c < 0xA0) ? QChar(kCp1252High[c - 0x80]) : QChar(c);
    }
    return out;
}

QString DecodeShiftJis(const QByteArray& bytes)
{
    // Qt reaches Shift-JIS through ICU; without it the bytes read as Windows-1252.
    QStringDecoder d("Shift_JIS");
    if (!d.isValid())
        return DecodeWindows1252(bytes);
    return d(bytes);
}

QString DecodeText(const QByteArray& bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = dec(bytes);
    if (!dec.hasError()) {
        if (s.startsWith(QChar(0xFEFF)))
            s.remove(0, 1);
        return s;
    }
    return IsJapanese() ? DecodeShiftJis(bytes) : DecodeWindows1252(bytes);
}

} // namespace kav
