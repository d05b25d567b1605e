#pragma once
#include <QByteArray>
#include <QString>

namespace kav {

// The user-interface language ("ENGLISH" or "JAPANESE"). It picks the table of texts and the
// code page in which old 8-bit files are read, and makes text records load as the Japanese class.
void SetCurrentLanguage(const QString& name);
QString CurrentLanguage();
bool IsJapanese();

// Text of our files: UTF-8 when the bytes are valid UTF-8; otherwise the legacy code page of the
// language (Windows-1252, or Shift-JIS while the language is Japanese), so old files still open.
QString DecodeText(const QByteArray& bytes);
bool IsValidUtf8(const QByteArray& bytes);
QString DecodeWindows1252(const QByteArray& bytes);
QString DecodeShiftJis(const QByteArray& bytes);

} // namespace kav
