#pragma once
#include <QByteArray>
#include <QFont>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kav {

// One entry of a language table: its text (line breaks already expanded to CR LF) and, when the
// entry line carried a font part, the font that goes with it.
struct TLangStringItem {
    QString Text;
    std::optional<QFont> Font;
};

// A language table: every user-visible text of the program by key.
//
// Table text, one entry per line, lines ending in CR LF, the table ending at the first empty line:
//     key;text
//     key;text;font name;font size;font style
// The key runs to the first ';'. A font part exists only when a second ';' follows; an empty font
// name or size keeps the default, the style field adds each of the words Bold, Italic, Underline
// and Strikeout it contains. Every '\' in the text is a line break.
class TLangStringList {
public:
    // Parses table text. The bytes are decoded as our text files are (UTF-8, else the legacy code
    // page of the current language), so an old Shift-JIS table loads as well.
    static std::unique_ptr<TLangStringList> FromBytes(const QString& languageName, const QByteArray& bytes);
    // Loads the table compiled into the program as ":/lang/" + NAME; throws UserError when the
    // program carries no table of that name.
    static std::unique_ptr<TLangStringList> FromResource(const QString& languageName);

    const QString& LanguageName() const { return m_languageName; }
    // Letter case is ignored; when a key occurs twice the first entry wins.
    const TLangStringItem* Find(const QString& key) const;
    qsizetype Count() const { return qsizetype(m_entries.size()); }
    // Keys in load order.
    QStringList Keys() const;
    // The entry's text formatted as GetString below describes.
    QString GetString(const QString& key, const QString& t1 = {}, const QString& t2 = {},
                      const QString& t3 = {}) const;

private:
    QString m_languageName;
    std::vector<std::pair<QString, TLangStringItem>> m_entries;
};

// Loads a compiled-in table (once per run) and makes it the current one; also switches the
// language that decides the code page of legacy files. Throws UserError for an unknown name.
void LoadLanguage(const QString& name);
// The current table. When none was loaded yet, the table of CurrentLanguage() (ENGLISH by
// default) is loaded on first use, so tools and tests work without the program's start-up.
// Never null.
const TLangStringList* CurrentStrings();

// The current table's entry text with %1..%3 replaced by t1..t3 (in one pass: an inserted text is never
// expanded again), %% giving a single '%', %n a line break and %0 ending the text. The result is
// cut to 255 characters and loses trailing spaces, control characters and periods.
// A missing key gives "String not found!".
QString GetString(const QString& key, const QString& t1 = {}, const QString& t2 = {}, const QString& t3 = {});
QString GetText(const QString& key);
// The current table's entry text as it stands (line breaks as '\n', nothing cut), or the
// fallback when the table has no such entry: for texts whose dots and spaces belong to them.
QString TableText(const QString& key, const QString& fallback = {});
// A caption without its mnemonic, for a place that cannot underline: "&Save" gives "Save",
// "保存(&S)..." gives "保存...", and "&&" stays a single '&'.
QString WithoutMnemonic(const QString& caption);

// Turns a file-dialog filter of the tables ("description|pattern|description|pattern", the
// separator the tables use because ';' would start a font part) into Qt's form
// ("description (pattern);;description (pattern)"). A parenthesised tail of a description is
// replaced by the real patterns, and "*.*" becomes "*" so files without an extension show too.
QString ToQtFileFilter(const QString& pairs);

} // namespace kav
