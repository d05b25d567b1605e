#pragma once
#include "document/gfxitem.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace kav {

void RegisterTextClasses();

// ---------------------------------------------------------------------------------------------
// Text metrics shared by the editor, the snapshot and the export.

// Nearest integer, halves to the even neighbour.
int RoundHalfEven(double v);
// num / den to the nearest integer, halves to even; den > 0.
int64_t RoundDivHalfEven(int64_t num, int64_t den);
// Font sizes are points at 96 pixels per inch, whatever the device: the pixel size nearest to
// points x 96 / 72.
int FontPixelSize(int points);
// The characters a text is drawn and counted by: whole code points, so a character outside the
// Basic Multilingual Plane is never split into two unpaintable halves.
QStringList TextCharacters(const QString& line);
int TextCharacterCount(const QString& line);

// The font a platform font name draws with. Names of fonts that are not installed are mapped
// to installed metric twins (Times New Roman to Liberation Serif, Arial to Liberation Sans,
// Courier New to Liberation Mono, the Japanese system fonts to Noto CJK), and a Japanese
// family follows, so text measures the same on every machine. Unhinted, so advances are the
// fonts' own widths at any resolution.
QFont MakeTextFont(const QString& platformName, int points, int style);

// A font of MakeTextFont with the metrics layout and drawing use, rounded as they use them.
// Fonts are made once and kept (a few thousand at most), so asking again is a table look-up.
struct TextFace {
    explicit TextFace(const QFont& font);
    QFont font;
    QFontMetricsF metrics;
    int ascent;
    int lineHeight;
    // The advance of one character (one code point) written on its own, rounded half to even.
    int Advance(const QString& ch);
    // One character as the painter writes it on its own (in the fonts that have its glyphs),
    // placed for the pen at 0 on the baseline.
    const QList<QGlyphRun>& Glyphs(const QString& ch);

private:
    QHash<char32_t, int> advances;
    QHash<char32_t, QList<QGlyphRun>> glyphs;
};
std::shared_ptr<TextFace> KeptTextFace(const QString& platformName, int points, int style);
// The families MakeTextFont asks for, in order.
QStringList TextFontFamilies(const QString& platformName);

// ---------------------------------------------------------------------------------------------
// One entry of the font list: the platform font, the name shown to the user and the name of
// the player's font.
class TFontNames {
public:
    QString FontName;
    QString FontDisplayName;
    QString FontJavaName;

    // "platform:display:applet"; one colon: the rest names both; no colon: one name for all.
    static TFontNames FromLine(const QString& line);
};

// The font list, read on first use from DataDir + "fonts.txt" ("Times New Roman:Times" when
// the file is missing or unreadable).
const QList<TFontNames>& FontList();
void SetFontList(const QList<TFontNames>& fonts);
void ReloadFontList();  // the next use reads the file again
// The first entry with that platform name, or null.
const TFontNames* FindFont(const QString& platformName);

inline const char* const kFallbackFont = "Times New Roman";

// The last used text values (new text items start from them). They live in the settings, so
// they come from the user's preferences and are written back with them.
struct TTextDefaults {
    QString FontName;
    int Size = 18;
    uint32_t Color = 0;
    int Spacing = 0;
    int Style = 0;
    int Align = 0;
};
TTextDefaults TextDefaults();
void StoreTextDefaults(const TTextDefaults& d);

// ---------------------------------------------------------------------------------------------
enum TTextEffect : uint32_t {
    teBlink = 1,
    teNervous = 2,  // not offered to the user and not stored
    teElastic = 4,
    teTypeWriter = 8,
    teShrink = 16,
    TeTolaat = 32,
};
using TTextEffects = uint32_t;

enum TAlignment : uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

enum TFontStyleFlag : int { fsBold = 1, fsItalic = 2 };

struct TFontRec {
    uint32_t TextColor = 0;       // 0x00BBGGRR
    QString FontName;             // platform name, at most 31 characters
    QString FontDisplayName;
    QString FontJavaName;
    int32_t Size = 18;            // points at 96 pixels per inch, 1 .. 200
    int Style = 0;                // fsBold | fsItalic, from TextStyle
};

// Lines of text in one font, colour and size, with optional animated effects.
class TItemText : public TGfxItemBase {
public:
    KAV_CLASS_NAME(TItemText)
    explicit TItemText(TBaseObject* owner = nullptr);

    static constexpr int kMaxFontName = 31;
    static constexpr int kMinSize = 1, kMaxSize = 200;
    static constexpr int kMaxSpacing = 30;
    static constexpr int kMinDelay = 1, kMaxDelay = 20;
    static constexpr int kMaxLines = 65535;  // far beyond what the text dialog allows

    QStringList Lines;
    TFontRec Font;
    int32_t Spacing = 0;          // extra pixels after every character
    int32_t TextStyle = 0;        // bit 0 bold, bit 1 italic
    uint8_t TextAlign = taLeftJustify;
    int32_t EffectDelay = 1;      // frames per effect step
    TTextEffects Effects = 0;
    bool EffectsEnabled = false;

    // Effect state, changed only by Advance.
    int ZoomSize = 18;
    int EffectStep = 1;
    int BungeeStep = 1;
    int EffectTime = 0;           // the time last given to Advance; seeds Blinking

    // Layout, recomputed after every change of lines, font, size, style or spacing.
    int TextWidth = 0;
    int TextHeight = 0;
    int LeftOverhang = 0;         // the item's extra left margin
    int RightOverhang = 0;        // the item's extra right margin

    QString ClassDesc() const override { return QStringLiteral("Text"); }
    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

    QString GetMediaName() const override;
    void SetItemName(const QString& name) override;
    void Draw(QPainter& p, DrawStyle style) const override;
    bool ContainsPoint(int x, int y) const override;
    QRect GetBounds() const override;
    void DrawAt(QPainter& p, QPoint at) const override;
    int Width() const override { return TextWidth; }
    int Height() const override { return TextHeight; }
    void ResetPlayback() override;
    int Advance(int time) override;
    virtual void Layout();

    // Property setters: unchanged values do nothing; a change is laid out and becomes the
    // default for new text items. Out-of-range values are clamped.
    void SetFontName(const QString& name);
    void SetSize(int size);
    void SetSpacing(int spacing);
    void SetTextStyle(int style);
    void SetTextColor(uint32_t color);  // always stored, also as the default
    void SetTextAlign(int align);
    void SetEffectDelay(int delay);
    void SetEffect(TTextEffect effect, bool on);
    // New text: the item is renamed from it and the layout recomputed.
    void SetLines(const QStringList& lines);

    bool EffectActive(TTextEffect e) const { return EffectsEnabled && (Effects & e) != 0; }
    bool AnyEffectActive() const { return EffectsEnabled && Effects != 0; }

    QFont ItemFont(int points) const { return MakeTextFont(Font.FontName, points, Font.Style); }
    std::shared_ptr<TextFace> ItemFace(int points) const { return KeptTextFace(Font.FontName, points, Font.Style); }
    // Width of line i as the layout measures it: the whole line in the item's font plus
    // Spacing between characters.
    int LineWidth(int i) const;
    // Where line i starts right of the text's left edge: 0 with effects on (Zoom centres its
    // lines as they grow), else by the alignment, centring to the nearest pixel, halves to even.
    int LineOffset(int i) const;
    // Draws the text with its top-left corner at (left, top), effects as they stand now.
    void DrawText(QPainter& p, int left, int top, DrawStyle style) const;
    // The colour Blinking gives the n-th character (1-based over the whole text) at a time.
    uint32_t BlinkColor(int time, int n) const;

protected:
    void ApplyDefaults();
    void StoreAsDefaults() const;
    // Sets the font names; true when the platform name changed.
    bool ApplyFontName(const QString& name);
    uint32_t TextHash() const;
    uint32_t EffectRandom(int time, int n, uint32_t salt) const;
};

// The text graphic of the Japanese interface: without a given name its item is called "Text".
class TItemJapText : public TItemText {
public:
    KAV_CLASS_NAME(TItemJapText)
    explicit TItemJapText(TBaseObject* owner = nullptr) : TItemText(owner) {}
    void SetItemName(const QString& name) override;
};

} // namespace kav
