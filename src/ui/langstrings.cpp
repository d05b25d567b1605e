#include "ui/langstrings.h"

#include "core/errors.h"
#include "core/textcodec.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <mutex>

namespace kav {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr qsizetype kMaxMessageLength = 255;

// Fields after the text: font name;font size;font style.
QFont ParseFont(QStringView fontPart)
{
    QFont font;
    const qsizetype nameEnd = fontPart.indexOf(u';');
    const QStringView name = nameEnd < 0 ? fontPart : fontPart.left(nameEnd);
    QStringView size, style;
    if (nameEnd >= 0) {
        const QStringView afterName = fontPart.mid(nameEnd + 1);
        const qsizetype sizeEnd = afterName.indexOf(u';');
        size = sizeEnd < 0 ? afterName : afterName.left(sizeEnd);
        if (sizeEnd >= 0)
            style = afterName.mid(sizeEnd + 1);
    }
    if (!name.isEmpty())
        font.setFamily(name.toString());
    bool ok = false;
    const int points = size.trimmed().toInt(&ok);
    // A negative size is a height in pixels, as in the tables' original font records; text
    // that is not a number keeps the default instead of failing the whole table.
    if (ok && points > 0)
        font.setPointSize(points);
    else if (ok && points < 0)
        font.setPixelSize(-points);
    font.setBold(style.contains(u"Bold", Qt::CaseInsensitive));
    font.setItalic(style.contains(u"Italic", Qt::CaseInsensitive));
    font.setUnderline(style.contains(u"Underline", Qt::CaseInsensitive));
    font.setStrikeOut(style.contains(u"Strikeout", Qt::CaseInsensitive));
    return font;
}

bool IsTrailingJunk(QChar c)
{
    return c.unicode() <= u' ' || c == u'.' || c.category() == QChar::Other_Control;
}

// Process-wide tables; the first one is current. Tables are never freed before exit, so the
// pointers handed out stay valid.
struct LanguageRegistry {
    std::mutex lock;
    std::vector<std::unique_ptr<TLangStringList>> languages;
};

LanguageRegistry& Registry()
{
    static LanguageRegistry registry;
    return registry;
}

QString NormalisedLanguageName(const QString& name) { return name.trimmed().toUpper(); }

// Brings the named table to the front, loading it when needed. Caller holds the lock.
const TLangStringList* MakeCurrentLocked(LanguageRegistry& reg, const QString& name)
{
    auto it = std::find_if(reg.languages.begin(), reg.languages.end(),
                           [&](const auto& l) { return l->LanguageName() == name; });
    if (it == reg.languages.end()) {
        reg.languages.insert(reg.languages.begin(), TLangStringList::FromResource(name));
    } else if (it != reg.languages.begin()) {
        auto table = std::move(*it);
        reg.languages.erase(it);
        reg.languages.insert(reg.languages.begin(), std::move(table));
    }
    return reg.languages.front().get();
}

} // namespace

std::unique_ptr<TLangStringList> TLangStringList::FromBytes(const QString& languageName, const QByteArray& bytes)
{
    auto list = std::make_unique<TLangStringList>();
    list->m_languageName = languageName;
    const QString all = DecodeText(bytes);
    qsizetype pos = 0;
    while (pos < all.size()) {
        const qsizetype eol = all.indexOf(u'\n', pos);
        QStringView line = QStringView(all).mid(pos, (eol < 0 ? all.size() : eol) - pos);
        pos = eol < 0 ? all.size() : eol + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty())
            break; // the table ends at the first empty line
        const qsizetype keyEnd = line.indexOf(u';');
        if (keyEnd < 0)
            continue; // not an entry
        TLangStringItem item;
        const QStringView rest = line.mid(keyEnd + 1);
        const qsizetype textEnd = rest.indexOf(u';');
        if (textEnd >= 0) {
            item.Text = rest.left(textEnd).toString();
            item.Font = ParseFont(rest.mid(textEnd + 1));
        } else {
            item.Text = rest.toString();
        }
        item.Text.replace(u'\\', kCrLf);
        list->m_entries.emplace_back(line.left(keyEnd).toString(), std::move(item));
    }
    return list;
}

std::unique_ptr<TLangStringList> TLangStringList::FromResource(const QString& languageName)
{
    const QString name = NormalisedLanguageName(languageName);
    // The name comes from the settings file: keep it to a plain resource name so that it can
    // never reach another resource or a file.
    static const QRegularExpression plainName(QStringLiteral("^[A-Z0-9_]+$"));
    QFile file(QStringLiteral(":/lang/") + name);
    if (!plainName.match(name).hasMatch() || !file.open(QIODevice::ReadOnly)) {
        const QStringList known = QDir(QStringLiteral(":/lang")).entryList(QDir::Files, QDir::Name);
        throw UserError(QStringLiteral("Unknown language \"%1\": the available languages are %2")
                            .arg(languageName, known.join(QStringLiteral(", "))));
    }
    return FromBytes(name, file.readAll());
}

const TLangStringItem* TLangStringList::Find(const QString& key) const
{
    for (const auto& [k, item] : m_entries)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return &item;
    return nullptr;
}

QStringList TLangStringList::Keys() const
{
    QStringList keys;
    keys.reserve(Count());
    for (const auto& entry : m_entries)
        keys << entry.first;
    return keys;
}

void LoadLanguage(const QString& name)
{
    const QString normalised = NormalisedLanguageName(name);
    LanguageRegistry& reg = Registry();
    {
        std::lock_guard guard(reg.lock);
        MakeCurrentLocked(reg, normalised);
    }
    SetCurrentLanguage(normalised);
}

const TLangStringList* CurrentStrings()
{
    LanguageRegistry& reg = Registry();
    std::lock_guard guard(reg.lock);
    if (!reg.languages.empty())
        return reg.languages.front().get();
    try {
        return MakeCurrentLocked(reg, CurrentLanguage());
    } catch (const UserError&) {
        return MakeCurrentLocked(reg, QStringLiteral("ENGLISH"));
    }
}

QString TLangStringList::GetString(const QString& key, const QString& t1, const QString& t2,
                                   const QString& t3) const
{
    const TLangStringItem* item = Find(key);
    if (!item)
        return QStringLiteral("String not found!");

    // The escapes of the platform message formatter that the tables were written for:
    // %1..%99 insert arguments (beyond the third they are empty), %% is '%', %n a line break,
    // %0 ends the text, %. and %! the character itself. Anything else stays as written.
    const QString* args[] = {&t1, &t2, &t3};
    const QString& text = item->Text;
    QString out;
    out.reserve(text.size() + t1.size() + t2.size() + t3.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'%' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[i + 1];
        if (next >= u'1' && next <= u'9') {
            int index = next.digitValue();
            ++i;
            if (i + 1 < text.size() && text[i + 1].isDigit() && text[i + 1].unicode() < 128) {
                index = index * 10 + text[i + 1].digitValue();
                ++i;
            }
            if (index <= 3)
                out += *args[index - 1];
        } else if (next == u'0') {
            break;
        } else if (next == u'n') {
            out += kCrLf;
            ++i;
        } else if (next == u'%' || next == u'.' || next == u'!') {
            out += next;
            ++i;
        } else {
            out += c;
        }
    }

    if (out.size() > kMaxMessageLength) {
        out.truncate(kMaxMessageLength);
        if (out.back().isHighSurrogate())
            out.chop(1);
    }
    qsizetype end = out.size();
    while (end > 0 && IsTrailingJunk(out[end - 1]))
        --end;
    out.truncate(end);
    return out;
}

QString GetString(const QString& key, const QString& t1, const QString& t2, const QString& t3)
{
    return CurrentStrings()->GetString(key, t1, t2, t3);
}

QString GetText(const QString& key) { return CurrentStrings()->GetString(key); }

QString WithoutMnemonic(const QString& caption)
{
    static const QRegularExpression marker(QStringLiteral("\\s?\\(&[^&\\s]\\)"));
    QString text = caption;
    text.remove(marker);
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&')
                plain += text[++i];
            continue;
        }
        plain += text[i];
    }
    return plain;
}

QString TableText(const QString& key, const QString& fallback)
{
    const TLangStringItem* entry = CurrentStrings()->Find(key);
    if (!entry)
        return fallback;
    return QString(entry->Text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString ToQtFileFilter(const QString& pairs)
{
    static const QRegularExpression patternSeparators(QStringLiteral("[;\\s]+"));
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(patternSeparators, Qt::SkipEmptyParts);
        if (patterns.isEmpty())
            continue;
        for (QString& p : patterns)
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        QString label = parts[i].trimmed();
        if (label.endsWith(u')')) {
            const qsizetype open = label.lastIndexOf(u'(');
            if (open >= 0)
                label = label.left(open).trimmed();
        }
        const QString joined = patterns.join(u' ');
        filters << (label.isEmpty() ? joined : label) + QStringLiteral(" (") + joined + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace kav
