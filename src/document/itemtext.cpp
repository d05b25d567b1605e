#include "document/itemtext.h"

#include "config/datafiles.h"
#include "config/settings.h"
#include "core/colors.h"
#include "core/errors.h"
#include "core/textstr.h"
#include "document/item.h"
#include "core/limits.h"
#include "document/cardrecords.h"
#include "document/fonttables.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace kav {

void RegisterTextClasses()
{
    ClassRegistry().Register<TItemText>();
    ClassRegistry().Register<TItemJapText>();
}

// ---------------------------------------------------------------------------------------------
int RoundHalfEven(double v)
{
    const double f = std::floor(v);
    const double diff = v - f;
    double r = f;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0.0))
        r = f + 1.0;
    return static_cast<int>(r);
}

int64_t RoundDivHalfEven(int64_t num, int64_t den)
{
    int64_t q = num / den, r = num % den;
    if (r < 0) {  // floor division, remainder in [0, den)
        q -= 1;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0))
        ++q;
    return q;
}

int FontPixelSize(int points) { return int(RoundDivHalfEven(int64_t(points) * 96, 72)); }

QStringList TextCharacters(const QString& line)
{
    QStringList chars;
    chars.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate()) {
            chars.append(line.mid(i, 2));
            ++i;
        } else {
            chars.append(QString(line[i]));
        }
    }
    return chars;
}

int TextCharacterCount(const QString& line)
{
    int n = 0;
    for (qsizetype i = 0; i < line.size(); ++i, ++n)
        if (line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate())
            ++i;
    return n;
}

namespace {
// The first n characters of a text (whole code points).
QString LeftCharacters(const QString& s, int n)
{
    qsizetype i = 0;
    for (int k = 0; k < n && i < s.size(); ++k)
        i += (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ? 2 : 1;
    return s.left(i);
}

struct Twin {
    const char* name;
    const char* twin;
    const char* japanese;
};
// Metric twins of the fonts the data files name, and the Japanese family of the same look.
const Twin kTwins[] = {
    {"Times New Roman", "Liberation Serif", "Noto Serif CJK JP"},
    {"Times", "Liberation Serif", "Noto Serif CJK JP"},
    {"TimesRoman", "Liberation Serif", "Noto Serif CJK JP"},
    {"Arial", "Liberation Sans", "Noto Sans CJK JP"},
    {"Helvetica", "Liberation Sans", "Noto Sans CJK JP"},
    {"Arial Narrow", "Liberation Sans Narrow", "Noto Sans CJK JP"},
    {"Courier New", "Liberation Mono", "Noto Sans Mono CJK JP"},
    {"Courier", "Liberation Mono", "Noto Sans Mono CJK JP"},
    {"MS Gothic", "Noto Sans Mono CJK JP", "Noto Sans Mono CJK JP"},
    {"MS PGothic", "Noto Sans CJK JP", "Noto Sans CJK JP"},
    {"MS Mincho", "Noto Serif CJK JP", "Noto Serif CJK JP"},
    {"MS PMincho", "Noto Serif CJK JP", "Noto Serif CJK JP"},
    {"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF", "Noto Sans Mono CJK JP", "Noto Sans Mono CJK JP"},   // MS Gothic
    {"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF", "Noto Sans CJK JP", "Noto Sans CJK JP"},       // MS PGothic
    {"\uFF2D\uFF33 \u660E\u671D", "Noto Serif CJK JP", "Noto Serif CJK JP"},                      // MS Mincho
    {"\uFF2D\uFF33 \uFF30\u660E\u671D", "Noto Serif CJK JP", "Noto Serif CJK JP"},                // MS PMincho
};

bool Installed(const QString& family)
{
    static QHash<QString, bool> known;
    auto it = known.constFind(family);
    if (it == known.constEnd())
        it = known.insert(family, QFontDatabase::hasFamily(family));
    return *it;
}
} // namespace

QStringList TextFontFamilies(const QString& platformName)
{
    for (const Twin& t : kTwins)
        if (platformName.compare(QString::fromUtf8(t.name), Qt::CaseInsensitive) == 0) {
            const QString japanese = QString::fromUtf8(t.japanese);
            QStringList families{Installed(platformName) ? platformName : QString::fromUtf8(t.twin)};
            if (families.first() != japanese)
                families.append(japanese);
            return families;
        }
    return {platformName, QStringLiteral("Noto Sans CJK JP")};
}

namespace {
QFont NewTextFont(const QString& platformName, int points, int style)
{
    QFont f;
    f.setFamilies(TextFontFamilies(platformName));
    f.setPixelSize(std::max(1, FontPixelSize(points)));
    f.setBold((style & fsBold) != 0);
    f.setItalic((style & fsItalic) != 0);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::NoSubpixelAntialias);  // grey edges, as a browser canvas draws them
    return f;
}

// Qt keeps the engines of only a limited number of fonts (in the low hundreds); past that every
// font it dropped is matched through fontconfig again, 0.2 to 0.8 ms for each metric or drawn
// character. Texts with effects run through many sizes and a project through many fonts, so
// the fonts made here stay alive: a QFont holds its resolved engines, and Qt keeps the engines
// of fonts still in use. Each keeps the metrics that layout and drawing ask for again and again.
constexpr int kMaxKeptFonts = 4096;

struct KeptFonts {
    QHash<QString, QHash<qint64, std::shared_ptr<TextFace>>> byName;  // then by points * 4 + style
    int count = 0;
    bool dropOnExit = false;
};

KeptFonts& keptFonts()
{
    static KeptFonts kept;
    return kept;
}

// Fonts must go while the application still exists.
void DropKeptFonts()
{
    keptFonts() = KeptFonts();
}
} // namespace

TextFace::TextFace(const QFont& f)
    : font(f), metrics(f), ascent(RoundHalfEven(metrics.ascent())), lineHeight(RoundHalfEven(metrics.height()))
{
}

namespace {
char32_t CodeOf(const QString& ch)
{
    return ch.size() == 2 ? QChar::surrogateToUcs4(ch[0], ch[1]) : (ch.isEmpty() ? 0 : ch[0].unicode());
}
} // namespace

int TextFace::Advance(const QString& ch)
{
    const char32_t code = CodeOf(ch);
    const auto it = advances.constFind(code);
    if (it != advances.constEnd())
        return *it;
    return *advances.insert(code, RoundHalfEven(metrics.horizontalAdvance(ch)));
}

// Shaped once: writing a character through QPainter::drawText shapes it again every time.
const QList<QGlyphRun>& TextFace::Glyphs(const QString& ch)
{
    const char32_t code = CodeOf(ch);
    const auto it = glyphs.constFind(code);
    if (it != glyphs.constEnd())
        return *it;
    QTextLayout layout(ch, font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    QList<QGlyphRun> runs = layout.glyphRuns();
    for (QGlyphRun& run : runs) {
        QList<QPointF> at = run.positions();
        for (QPointF& p : at)
            p.ry() -= line.ascent();
        run.setPositions(at);
    }
    return *glyphs.insert(code, runs);
}

std::shared_ptr<TextFace> KeptTextFace(const QString& platformName, int points, int style)
{
    KeptFonts& kept = keptFonts();
    const qint64 key = qint64(points) * 4 + (style & (fsBold | fsItalic));
    auto family = kept.byName.find(platformName);
    if (family != kept.byName.end()) {
        const auto it = family->constFind(key);
        if (it != family->constEnd())
            return *it;
    }
    if (kept.count >= kMaxKeptFonts) {
        kept.byName.clear();
        kept.count = 0;
        family = kept.byName.end();
    }
    if (!kept.dropOnExit) {
        qAddPostRoutine(DropKeptFonts);
        kept.dropOnExit = true;
    }
    if (family == kept.byName.end())
        family = kept.byName.insert(platformName, {});
    ++kept.count;
    return *family->insert(key, std::make_shared<TextFace>(NewTextFont(platformName, points, style)));
}

QFont MakeTextFont(const QString& platformName, int points, int style)
{
    return KeptTextFace(platformName, points, style)->font;
}

// ---------------------------------------------------------------------------------------------
TFontNames TFontNames::FromLine(const QString& line)
{
    TFontNames n;
    const qsizetype first = line.indexOf(QLatin1Char(':'));
    if (first < 0) {
        n.FontName = n.FontDisplayName = n.FontJavaName = line.trimmed();
        return n;
    }
    n.FontName = line.left(first).trimmed();
    const QString rest = line.mid(first + 1);
    const qsizetype second = rest.indexOf(QLatin1Char(':'));
    if (second < 0) {
        n.FontDisplayName = n.FontJavaName = rest.trimmed();
    } else {
        n.FontDisplayName = rest.left(second).trimmed();
        n.FontJavaName = rest.mid(second + 1).trimmed();
    }
    return n;
}

namespace {
std::optional<QList<TFontNames>>& fontListStore()
{
    static std::optional<QList<TFontNames>> list;
    return list;
}
} // namespace

const QList<TFontNames>& FontList()
{
    auto& store = fontListStore();
    if (!store) {
        QStringList lines;
        try {
            lines = LoadFontList(settings().DataDir + QStringLiteral("fonts.txt"));
        } catch (const UserError&) {
            lines.clear();
        }
        QList<TFontNames> fonts;
        for (const QString& line : lines)
            if (!line.trimmed().isEmpty())
                fonts.append(TFontNames::FromLine(line));
        if (fonts.isEmpty())
            fonts.append(TFontNames::FromLine(QStringLiteral("Times New Roman:Times")));
        store = fonts;
    }
    return *store;
}

void SetFontList(const QList<TFontNames>& fonts) { fontListStore() = fonts; }
void ReloadFontList() { fontListStore().reset(); }

const TFontNames* FindFont(const QString& platformName)
{
    for (const TFontNames& f : FontList())
        if (f.FontName == platformName)
            return &f;
    return nullptr;
}

TTextDefaults TextDefaults()
{
    const Settings& s = settings();
    return {s.FontName, s.FontSize, s.FontColor, s.FontSpacing, s.FontStyle, s.FontAlign};
}

void StoreTextDefaults(const TTextDefaults& d)
{
    Settings& s = settings();
    s.FontName = d.FontName;
    s.FontSize = d.Size;
    s.FontColor = d.Color;
    s.FontSpacing = d.Spacing;
    s.FontStyle = d.Style;
    s.FontAlign = d.Align;
}

// ---------------------------------------------------------------------------------------------
namespace {
constexpr uint32_t fmix32(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

const QColor kSilver(192, 192, 192);

// Old text records nested deeper than this inside each other mean a damaged or hostile file.
constexpr int kMaxEmbeddedDepth = 8;
thread_local int g_embeddedDepth = 0;
} // namespace

TItemText::TItemText(TBaseObject* owner) : TGfxItemBase(owner)
{
    ApplyDefaults();
    ZoomSize = Font.Size;
    Layout();
}

void TItemText::ApplyDefaults()
{
    const TTextDefaults d = TextDefaults();
    ApplyFontName(d.FontName);
    Font.Size = std::clamp(d.Size, kMinSize, kMaxSize);
    Font.TextColor = d.Color;
    Spacing = std::clamp(d.Spacing, 0, kMaxSpacing);
    TextStyle = d.Style & (fsBold | fsItalic);
    Font.Style = TextStyle;
    TextAlign = uint8_t(std::clamp(d.Align, 0, 2));
}

void TItemText::StoreAsDefaults() const
{
    StoreTextDefaults({Font.FontName, Font.Size, Font.TextColor, Spacing, TextStyle, TextAlign});
}

bool TItemText::ApplyFontName(const QString& name)
{
    QString platform = name.left(kMaxFontName);
    if (!FindFont(platform))
        platform = QLatin1String(kFallbackFont);
    const TFontNames* entry = FindFont(platform);
    Font.FontDisplayName = entry ? entry->FontDisplayName : platform;
    Font.FontJavaName = entry ? entry->FontJavaName : platform;
    if (platform == Font.FontName)
        return false;
    Font.FontName = platform;
    return true;
}

void TItemText::SetFontName(const QString& name)
{
    if (ApplyFontName(name)) {
        Layout();
        StoreAsDefaults();
    }
}

void TItemText::SetSize(int size)
{
    size = std::clamp(size, kMinSize, kMaxSize);
    if (size == Font.Size)
        return;
    Font.Size = size;
    Layout();
    StoreAsDefaults();
}

void TItemText::SetSpacing(int spacing)
{
    spacing = std::clamp(spacing, 0, kMaxSpacing);
    if (spacing == Spacing)
        return;
    Spacing = spacing;
    Layout();
    StoreAsDefaults();
}

void TItemText::SetTextStyle(int style)
{
    style &= fsBold | fsItalic;
    if (style == TextStyle)
        return;
    TextStyle = style;
    Font.Style = style;
    Layout();
    StoreAsDefaults();
}

void TItemText::SetTextColor(uint32_t color)
{
    Font.TextColor = color;
    StoreAsDefaults();
}

void TItemText::SetTextAlign(int align)
{
    TextAlign = uint8_t(std::clamp(align, 0, 2));
    StoreAsDefaults();
}

void TItemText::SetEffectDelay(int delay) { EffectDelay = std::clamp(delay, kMinDelay, kMaxDelay); }

void TItemText::SetEffect(TTextEffect effect, bool on)
{
    if (on)
        Effects |= effect;
    else
        Effects &= ~TTextEffects(effect);
}

void TItemText::SetLines(const QStringList& lines)
{
    Lines = lines;
    SetItemName(QString());
    Layout();
}

// ---------------------------------------------------------------------------------------------
void TItemText::Load(TTextStr& s)
{
    LoadGraphicPart(s);
    const int32_t count = s.ReadInteger();
    if (count < 0 || count > kMaxLines)
        s.Fail(QStringLiteral("a text cannot have %1 lines").arg(count));
    Lines.clear();
    for (int32_t i = 0; i < count; ++i) {
        Lines.append(s.ReadString());
        if (Lines.last().size() > Limits::kMaxTextLineLength)
            s.Fail(QStringLiteral("a text line of %1 characters is longer than the %2 a line may have")
                       .arg(Lines.last().size()).arg(Limits::kMaxTextLineLength));
    }
    Font.TextColor = s.ReadCardinal();

    const QString fontAndName = s.ReadString();
    const qsizetype semi = fontAndName.indexOf(QLatin1Char(';'));
    const QString name = semi < 0 ? QString() : fontAndName.mid(semi + 1);
    // Reading a project does not change the user's defaults.
    ApplyFontName(semi < 0 ? fontAndName : fontAndName.left(semi));

    const int32_t size = s.ReadInteger();
    if (size < kMinSize || size > kMaxSize)
        s.Fail(QStringLiteral("a text size must be %1 to %2, not %3").arg(kMinSize).arg(kMaxSize).arg(size));
    Font.Size = size;
    // Only bold and italic mean anything; other bits are kept as found.
    TextStyle = s.ReadInteger();
    Font.Style = TextStyle & (fsBold | fsItalic);
    const int32_t align = s.ReadInteger();
    if (align < 0 || align > 2)
        s.Fail(QStringLiteral("unknown text alignment %1").arg(align));
    TextAlign = uint8_t(align);
    const int32_t spacing = s.ReadInteger();
    if (spacing < 0 || spacing > kMaxSpacing)
        s.Fail(QStringLiteral("a character spacing must be 0 to %1, not %2").arg(kMaxSpacing).arg(spacing));
    Spacing = spacing;

    if (s.OldFormat) {
        // The oldest files keep one more object here, which nothing uses any more.
        if (g_embeddedDepth >= kMaxEmbeddedDepth)
            s.Fail(QStringLiteral("text records nested too deeply"));
        ++g_embeddedDepth;
        try {
            TBaseObject::LoadClass(s, nullptr);
        } catch (...) {
            --g_embeddedDepth;
            throw;
        }
        --g_embeddedDepth;
        Effects = 0;
        EffectsEnabled = false;
        EffectDelay = 1;
    } else {
        static const TTextEffect stored[5] = {teBlink, TeTolaat, teElastic, teTypeWriter, teShrink};
        Effects = 0;
        for (TTextEffect e : stored)
            if (s.ReadBoolean())
                Effects |= e;
        EffectsEnabled = s.ReadBoolean();
        const int32_t delay = s.ReadInteger();
        if (delay < kMinDelay || delay > kMaxDelay)
            s.Fail(QStringLiteral("an effect delay must be %1 to %2, not %3").arg(kMinDelay).arg(kMaxDelay).arg(delay));
        EffectDelay = delay;
    }

    ZoomSize = Font.Size;
    EffectStep = BungeeStep = 1;
    EffectTime = 0;
    SetItemName(name);
    Layout();
}

void TItemText::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        s.WriteInteger(in, Lines.size());
        for (int i = 0; i < int(Lines.size()); ++i) {
            // An empty line would read as "0": a blank draws the same nothing.
            WriteCardText(s, in, Lines[i].isEmpty() ? QStringLiteral(" ") : Lines[i]);
            s.WriteInteger(in, LineOffset(i));
        }
        s.WriteInteger(in, ToCardRgb(Font.TextColor));
        WriteCardText(s, in, Font.FontJavaName);
        const int px = FontPixelSize(Font.Size);
        s.WriteInteger(in, px);
        s.WriteInteger(in, TextStyle);
        s.WriteInteger(in, Spacing);
        for (TTextEffect e : {teBlink, TeTolaat, teElastic, teTypeWriter, teShrink})
            s.WriteBoolean(in, EffectsEnabled && (Effects & e) != 0);
        const TIntArray* heights = FontHeightTable(Font.FontJavaName);
        s.WriteInteger(in, heights && px >= 1 && px <= 270 ? (*heights)[px] - 1 : -1);
        return;
    }
    SaveGraphicPart(s, indent);
    const QString in = Deeper(indent);
    s.WriteInteger(in, Lines.size());
    for (const QString& line : Lines)
        s.WriteString(in, QLatin1Char('\'') + line + QLatin1Char('\''));
    s.WriteInteger(in, Font.TextColor);
    const TItemBase* item = Item();
    s.WriteString(in, QuotedWhenNeeded(Font.FontName + QLatin1Char(';') + (item ? item->Name : QString())));
    s.WriteInteger(in, Font.Size);
    s.WriteInteger(in, TextStyle);
    s.WriteInteger(in, TextAlign);
    s.WriteInteger(in, Spacing);
    for (TTextEffect e : {teBlink, TeTolaat, teElastic, teTypeWriter, teShrink})
        s.WriteBoolean(in, (Effects & e) != 0);
    s.WriteBoolean(in, EffectsEnabled);
    s.WriteInteger(in, EffectDelay);
}

// ---------------------------------------------------------------------------------------------
QString TItemText::GetMediaName() const
{
    if (Lines.isEmpty())
        return QStringLiteral("None");
    return LeftCharacters(Lines.first().trimmed(), 25);
}

void TItemText::SetItemName(const QString& name)
{
    TItemBase* item = Item();
    if (!item)
        return;
    if (!name.isEmpty())
        item->Name = name;
    else if (Lines.isEmpty())
        item->Name = QStringLiteral("NoName");
    else
        item->Name = LeftCharacters(Lines.first().trimmed(), 10);
}

void TItemJapText::SetItemName(const QString& name)
{
    // A given name is kept: a project read in a Japanese session keeps the names it was saved with.
    if (TItemBase* item = Item())
        item->Name = name.isEmpty() ? QStringLiteral("Text") : name;
}

void TItemText::ResetPlayback()
{
    TGfxItemBase::ResetPlayback();
    if (TItemBase* item = Item()) {
        item->ExtraLeft = LeftOverhang;
        item->ExtraRight = RightOverhang;
    }
}

namespace {
int LineWidthIn(const QFontMetricsF& fm, const QString& line, int spacing)
{
    return RoundHalfEven(fm.horizontalAdvance(line)) + (TextCharacterCount(line) - 1) * spacing;
}

// How far a character's ink reaches left of where it is written.
int LeftOverhangOf(const QFontMetricsF& fm, const QString& ch)
{
    if (ch.size() != 1)
        return 0;
    return std::max(0, RoundHalfEven(-fm.leftBearing(ch[0])));
}
} // namespace

void TItemText::Layout()
{
    const std::shared_ptr<TextFace> face = ItemFace(Font.Size);
    const QFontMetricsF& fm = face->metrics;
    const int lineHeight = face->lineHeight;
    int width = 0, height = 0, left = 0, widestSum = 0;
    for (const QString& line : Lines) {
        height += lineHeight;
        if (line.isEmpty())
            continue;
        const QStringList chars = TextCharacters(line);
        width = std::max(width, LineWidthIn(fm, line, Spacing));
        int sum = (int(chars.size()) - 1) * Spacing;
        for (const QString& ch : chars)
            sum += face->Advance(ch);
        widestSum = std::max(widestSum, sum);
        left = std::max(left, LeftOverhangOf(fm, chars.first()));
    }
    TextWidth = width;
    TextHeight = height;
    LeftOverhang = left;
    RightOverhang = std::max(0, widestSum - width);
    if (TItemBase* item = Item()) {
        item->ExtraLeft = LeftOverhang;
        item->ExtraRight = RightOverhang;
    }
}

int TItemText::LineWidth(int i) const
{
    if (i < 0 || i >= Lines.size() || Lines[i].isEmpty())
        return 0;
    return LineWidthIn(ItemFace(Font.Size)->metrics, Lines[i], Spacing);
}

namespace {
// The offset of a line of width w at rest: the player is given the same number.
int RestingOffset(const TItemText& t, int w)
{
    if (t.AnyEffectActive())
        return 0;
    if (t.TextAlign == taCenter)
        return int(RoundDivHalfEven(t.TextWidth - w, 2));
    return t.TextAlign == taRightJustify ? t.TextWidth - w : 0;
}
} // namespace

int TItemText::LineOffset(int i) const { return RestingOffset(*this, LineWidth(i)); }

bool TItemText::ContainsPoint(int x, int y) const
{
    const TItemBase* item = Item();
    if (!item)
        return false;
    const int dx = x - (item->X - item->HotSpotX), dy = y - (item->Y - item->HotSpotY);
    return dx >= 0 && dy >= 0 && dx < TextWidth && dy < TextHeight;
}

int TItemText::Advance(int time)
{
    EffectTime = std::max(0, time);
    if (!EffectsEnabled)
        return 0;
    const int a = EffectTime;
    const int delay = std::max(1, EffectDelay);
    if (Effects & teElastic) {
        const int c = (a / delay) % 60;
        BungeeStep = c <= 29 ? c + 1 : 61 - c;
    }
    if (Effects & (teTypeWriter | TeTolaat))
        EffectStep = a / delay + 1;
    if (Effects & teShrink) {
        // Up from nothing to full size and back in 10 x delay frames: 2m/T of the size, where
        // m counts frames into the cycle, mirrored in its second half.
        const int64_t period = 10 * int64_t(delay);
        int64_t m = a % period;
        if (2 * m > period)
            m = period - m;
        ZoomSize = std::max(1, int(RoundDivHalfEven(2 * m * Font.Size, period)));
    }
    return 0;
}

uint32_t TItemText::TextHash() const
{
    uint32_t h = 2166136261u;  // FNV-1a over the UTF-16 units, each line ended by a line feed
    for (const QString& line : Lines) {
        for (QChar c : line)
            h = (h ^ c.unicode()) * 16777619u;
        h = (h ^ 10u) * 16777619u;
    }
    return h;
}

namespace {
uint32_t MixEffectRandom(uint32_t textHash, int time, int n, uint32_t salt)
{
    return fmix32(textHash ^ (uint32_t(time) * 0x9E3779B1u) ^ (uint32_t(n) * 0x85EBCA77u) ^ (salt * 0xC2B2AE3Du));
}

uint32_t MixBlinkColor(uint32_t textHash, int time, int n) { return MixEffectRandom(textHash, time, n, 0) & 0x00FFFFFFu; }
} // namespace

uint32_t TItemText::EffectRandom(int time, int n, uint32_t salt) const
{
    return MixEffectRandom(TextHash(), time, n, salt);
}

uint32_t TItemText::BlinkColor(int time, int n) const { return MixBlinkColor(TextHash(), time, n); }

void TItemText::Draw(QPainter& p, DrawStyle style) const
{
    if (const TItemBase* item = Item())
        DrawText(p, item->X - item->HotSpotX, item->Y - item->HotSpotY, style);
}

// Each character is written on its own, with its baseline at the top of its line plus the
// ascent of the font it is written in, and the pen moves on by its advance rounded to whole
// pixels; the line width used for alignment is the whole line's, kerning included.
void TItemText::DrawText(QPainter& p, int left, int top, DrawStyle style) const
{
    if (Lines.isEmpty())
        return;
    const bool zoom = EffectActive(teShrink), wave = EffectActive(TeTolaat);
    const bool bungee = EffectActive(teElastic), typewriter = EffectActive(teTypeWriter);
    const bool blink = EffectActive(teBlink), nervous = EffectActive(teNervous);

    p.save();
    p.setBrush(Qt::NoBrush);
    const int s = zoom ? ZoomSize : Font.Size;
    const std::shared_ptr<TextFace> base = ItemFace(s);
    const int lineHeight = base->lineHeight;
    const int lines = int(Lines.size());
    // Only Zoom and the resting alignments need a line's width.
    const bool needWidth = zoom || (!AnyEffectActive() && TextAlign != taLeftJustify);
    const uint32_t hash = (blink || nervous) ? TextHash() : 0;

    int y = top;
    if (zoom)
        y += int(RoundDivHalfEven(int64_t(TextHeight / lines - lineHeight) * lines, 2));

    QColor itemColor = ToQColor(Font.TextColor);
    if (style == DrawStyle::Greyed)
        itemColor = kSilver;
    else if (style == DrawStyle::Mask)
        itemColor = Qt::black;

    // The pen changes only when a character needs another colour.
    QColor currentColor;
    int n = 0;
    for (const QString& line : Lines) {
        if (line.isEmpty()) {
            y += lineHeight;
            continue;
        }
        // Zoom keeps every line centred as it grows.
        const int w = needWidth ? LineWidthIn(base->metrics, line, Spacing) : 0;
        const int x = left + (zoom ? int(RoundDivHalfEven(TextWidth - w, 2)) : RestingOffset(*this, w));

        int pen = x;
        int k = 0;
        for (const QString& ch : TextCharacters(line)) {
            ++k;
            ++n;
            if (typewriter && n > EffectStep) {
                p.restore();
                return;
            }
            int dx = 0, dy = 0, size = s;
            if (wave) {
                if (n == EffectStep - 1 || n == EffectStep + 1)
                    size = 2 * s;
                else if (n == EffectStep)
                    size = 3 * s;
                dy = -2 * (size / 2 - s / 2);
            }
            if (bungee)
                dx = k * BungeeStep;
            int jx = 0, jy = 0;
            if (nervous) {
                jx = int(MixEffectRandom(hash, EffectTime, n, 1) % 10);
                jy = int(MixEffectRandom(hash, EffectTime, n, 2) % 10);
            }
            QColor color = itemColor;
            if (blink && style == DrawStyle::Transparent)
                color = ToQColor(MixBlinkColor(hash, EffectTime, n));

            const std::shared_ptr<TextFace> face = size == s ? base : ItemFace(size);
            if (color != currentColor) {
                p.setPen(color);
                currentColor = color;
            }
            const QPointF at(pen + dx + jx, y + dy + jy + face->ascent);
            for (const QGlyphRun& run : face->Glyphs(ch))
                p.drawGlyphRun(at, run);
            pen += dx + face->Advance(ch) + Spacing;
        }
        y += lineHeight;
    }
    p.restore();
}

QRect TItemText::GetBounds() const
{
    const std::shared_ptr<TextFace> face = ItemFace(Font.Size);
    const QFontMetricsF& fm = face->metrics;
    const int lineHeight = face->lineHeight;
    int width = 0;
    for (const QString& line : Lines) {
        if (line.isEmpty())
            continue;
        const QString head = LeftCharacters(line, 5);
        width = std::max(width, LeftOverhangOf(fm, TextCharacters(head).first()) + RoundHalfEven(fm.horizontalAdvance(head)));
    }
    return QRect(0, 0, width, lineHeight * int(Lines.size()));
}

void TItemText::DrawAt(QPainter& p, QPoint at) const
{
    p.save();
    const std::shared_ptr<TextFace> face = ItemFace(Font.Size);
    const QFontMetricsF& fm = face->metrics;
    const int lineHeight = face->lineHeight;
    const int ascent = face->ascent;
    p.setFont(face->font);
    p.setPen(ToQColor(Font.TextColor));
    p.setBrush(Qt::NoBrush);
    int y = at.y();
    for (const QString& line : Lines) {
        if (!line.isEmpty()) {
            const QString head = LeftCharacters(line, 5);
            const int x = at.x() + LeftOverhangOf(fm, TextCharacters(head).first());
            p.drawText(QPoint(x, y + ascent), head);
        }
        y += lineHeight;
    }
    p.restore();
}

} // namespace kav
