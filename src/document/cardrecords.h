#pragma once
// What every record needs to write itself into the card string: the registration of the media
// it names under their export names, and the token helpers. The export builds the card from the
// records (export/cardstring.h).
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

namespace kav {

class TTextStr;

// ---------------------------------------------------------------------------------------------
// Media registration. While a card string is written, every medium it names is registered under
// a key and given an export name ("Item-1", "Item0", ...); the export then converts each entry
// once, however many records name it.

struct TExportEntry {
    QString Key;         // "Image\sun", "Animation\bird" or, in the sound list, the sound's name
    QString ExportName;  // the file name in the export folder without ".gif" or ".au"
};

// A list of keys sorted without regard to letter case. A key added a second time keeps the
// export name it got first.
class TExportList {
public:
    // The export name registered under the key, or null.
    const QString* Find(const QString& key) const;
    void Add(const QString& key, const QString& exportName);
    int Count() const { return int(m_entries.size()); }
    void Clear() { m_entries.clear(); }
    // In key order, letter case ignored.
    std::vector<TExportEntry> Entries() const;

private:
    struct Caseless {
        bool operator()(const QString& a, const QString& b) const
        {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        }
    };
    std::map<QString, QString, Caseless> m_entries;  // key, spelled as first added -> export name
};

// The two lists of the export in progress: images, animation strips and backgrounds; sounds.
TExportList& ExportImageList();
TExportList& ExportSoundList();
void ClearExportLists();

// What the player needs beyond the original records, for each item in the order its record is
// written. After the last scene the card carries "X", the format number 1, the item count and
// each item's group: path type, repeat count, end pause, animation play count (0 for ever),
// the number of timed events and their exact 16.16 times in record order. Players that do not
// know the group ignore it.
void AddCardItemExtras(QStringList tokens);
const QList<QStringList>& CardItemExtras();
// What the card had to leave out or change, for the export to tell the author.
void AddCardWarning(const QString& warning);
// Set while an ad package writes its card: timed Go to URL actions are written opening nothing.
bool& CardDropsTimedUrls();
const QStringList& CardWarnings();

// Media names become file names of the export: the characters "=;/#?: %()" become "_".
QString FilterMediaName(QString name);
// The name the next registered medium gets: "Item" followed by the number of entries of both
// lists minus one, so the first medium of an export is Item-1, the second Item0.
QString MakeExportName();

inline const QString kImageKeyPrefix = QStringLiteral("Image\\");
inline const QString kAnimationKeyPrefix = QStringLiteral("Animation\\");

// An image or animation strip named by an item. Only a strip already registered as a strip, or an
// image as an image, shares its export name: an image and a strip may carry the same media name
// and still be two different pictures.
QString RegisterExportImage(const QString& mediaName, bool animation);
// A stage's background (an image). A stage without one registers the key "Image\" with no
// export name, which still takes a place in the numbering; the result is then empty.
QString RegisterExportBackground(const QString& mediaName);
// A sound named by a play-sound or a stop-sound action; both get the same export name, so the
// player can tell which sound a stop-sound action stops.
QString RegisterExportSound(const QString& soundName);

// ---------------------------------------------------------------------------------------------
// Tokens.

// Writes a string value so that flattening gives back exactly the text: a text starting with
// "'" would otherwise lose its first and last character, so it is put in quotes of its own.
// Line breaks become blanks, as everywhere in the stream.
void WriteCardText(TTextStr& s, const QString& indent, const QString& text);
// The text as the stream writes it on one line (CR LF, CR and LF each become one blank).
QString CardLine(const QString& text);

// One token as the card string carries it: an empty token becomes "0"; a token starting with
// "'" loses its first and last character; '"' becomes "/q" and ';' becomes "/c". A '/' that
// would otherwise be read as the start of one of those escapes (a '/' right before 'q', 'c' or
// '!') is written "/!", so "/cart" in a URL does not come back as ";art".
QString FlattenCardToken(const QString& token);
// The tokens joined with ';'.
QString FlattenCardTokens(const QStringList& tokens);
// The reverse of the escapes, as the player undoes them (left to right: "/q", "/c", "/!").
QString UnescapeCardToken(const QString& token);

inline const QString kCardVersion = QStringLiteral("/ver970815");

} // namespace kav
