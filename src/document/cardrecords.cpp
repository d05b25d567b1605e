#include "document/cardrecords.h"

#include "core/textstr.h"

namespace kav {

// ---------------------------------------------------------------------------------------------
const QString* TExportList::Find(const QString& key) const
{
    const auto it = m_entries.find(key);
    return it == m_entries.end() ? nullptr : &it->second;
}

void TExportList::Add(const QString& key, const QString& exportName) { m_entries.emplace(key, exportName); }

std::vector<TExportEntry> TExportList::Entries() const
{
    std::vector<TExportEntry> out;
    out.reserve(m_entries.size());
    for (const auto& [key, name] : m_entries)
        out.push_back({key, name});
    return out;
}

TExportList& ExportImageList()
{
    static TExportList list;
    return list;
}

TExportList& ExportSoundList()
{
    static TExportList list;
    return list;
}

namespace {
QList<QStringList>& itemExtras()
{
    static QList<QStringList> extras;
    return extras;
}

QStringList& cardWarnings()
{
    static QStringList warnings;
    return warnings;
}
} // namespace

bool& CardDropsTimedUrls()
{
    static bool drop = false;
    return drop;
}

void AddCardWarning(const QString& warning) { cardWarnings().append(warning); }
const QStringList& CardWarnings() { return cardWarnings(); }

void AddCardItemExtras(QStringList tokens) { itemExtras().append(std::move(tokens)); }
const QList<QStringList>& CardItemExtras() { return itemExtras(); }

void ClearExportLists()
{
    ExportImageList().Clear();
    ExportSoundList().Clear();
    itemExtras().clear();
    cardWarnings().clear();
}

QString FilterMediaName(QString name)
{
    static const QString bad = QStringLiteral("=;/#?: %()");
    for (QChar& c : name)
        if (bad.contains(c))
            c = QLatin1Char('_');
    return name;
}

QString MakeExportName()
{
    return FilterMediaName(QStringLiteral("Item%1").arg(ExportImageList().Count() + ExportSoundList().Count() - 1));
}

QString RegisterExportImage(const QString& mediaName, bool animation)
{
    // A graphic without a media name shows the placeholder, and so does its export.
    const QString media = mediaName.isEmpty() ? QStringLiteral("Dummy") : mediaName;
    const QString key = (animation ? kAnimationKeyPrefix : kImageKeyPrefix) + media;
    if (const QString* found = ExportImageList().Find(key))
        return *found;
    const QString name = MakeExportName();
    ExportImageList().Add(key, name);
    return name;
}

QString RegisterExportBackground(const QString& mediaName)
{
    if (mediaName.isEmpty()) {
        ExportImageList().Add(kImageKeyPrefix, QString());
        return QString();
    }
    return RegisterExportImage(mediaName, false);
}

QString RegisterExportSound(const QString& soundName)
{
    if (const QString* found = ExportSoundList().Find(soundName))
        return *found;
    const QString name = MakeExportName();
    ExportSoundList().Add(soundName, name);
    return name;
}

// ---------------------------------------------------------------------------------------------
QString CardLine(const QString& text)
{
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s;
}

void WriteCardText(TTextStr& s, const QString& indent, const QString& text)
{
    const QString line = CardLine(text);
    s.WriteString(indent, line.startsWith(QLatin1Char('\'')) ? QLatin1Char('\'') + line + QLatin1Char('\'') : line);
}

QString FlattenCardToken(const QString& token)
{
    QString t = token;
    if (t.startsWith(QLatin1Char('\'')))
        t = t.size() >= 2 ? t.mid(1, t.size() - 2) : QString();
    // Never an empty token: the player splits at ';' and counts on a value in every place.
    if (t.isEmpty())
        return QStringLiteral("0");
    QString out;
    out.reserve(t.size() + 8);
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == QLatin1Char('"')) {
            out += QLatin1String("/q");
        } else if (c == QLatin1Char(';')) {
            out += QLatin1String("/c");
        } else if (c == QLatin1Char('/') && i + 1 < t.size() &&
                   (t[i + 1] == QLatin1Char('q') || t[i + 1] == QLatin1Char('c') || t[i + 1] == QLatin1Char('!'))) {
            out += QLatin1String("/!");
        } else {
            out += c;
        }
    }
    return out;
}

QString FlattenCardTokens(const QStringList& tokens)
{
    QString out;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(';');
        out += FlattenCardToken(tokens[i]);
    }
    return out;
}

QString UnescapeCardToken(const QString& token)
{
    QString out;
    out.reserve(token.size());
    for (qsizetype i = 0; i < token.size(); ++i) {
        if (token[i] == QLatin1Char('/') && i + 1 < token.size()) {
            const QChar next = token[i + 1];
            if (next == QLatin1Char('q') || next == QLatin1Char('c') || next == QLatin1Char('!')) {
                out += next == QLatin1Char('q') ? QLatin1Char('"') : next == QLatin1Char('c') ? QLatin1Char(';') : QLatin1Char('/');
                ++i;
                continue;
            }
        }
        out += token[i];
    }
    return out;
}

} // namespace kav
