// Draws the default media library "deflib" that ships with the program: images in variants of
// orientation, size and colour (shapes, arrows, badges, buttons, sale tags, weather, icons,
// gifts, awards, money, characters...), backgrounds (gradients, tiling patterns, bokeh, rays,
// confetti, paper, skies), short animation strips and sounds. Each type is packed into an index
// "<type>.rif" and a data file "<type>.rdf" in three folders: Media (the bitmaps and WAV files),
// Preview (small previews; an animation's frames each fit 64 x 64) and Java (the GIF forms the
// exported ad uses).
//
// Variant entries are named topic\oNsNcN.bmp. Entries of earlier versions of this library that
// had no variant part keep their names, as second index lines for the same bytes.
//
// Into the data folder go the sound catalogue "sound.txt" and, per category (animations,
// images, backgrounds), what the associative search reads: the topic records "anim.txt",
// "image.txt", "bkd.txt", the word lists "animK.txt", "imageK.txt", "BkdK.txt", and the topic
// captions "AnimTL.dat", "ImageTL.dat", "BkdTL.dat" sorted by caption, with the topic names on the
// same lines of "AnimIL.dat", "ImageIL.dat", "BkdIL.dat".
//
// Usage: kav-makedeflib APPDIR
#include "deflibart.h"
#include "platform/gifwriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QTemporaryDir>
#include <QTransform>
#include <QtMath>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>

using namespace deflib;

namespace {
const QRgb kKey = qRgb(0, 255, 0);  // the default transparent colour

// One index and data file being filled.
struct Pack {
    QByteArray data;
    QByteArray index;
    QHash<QString, std::pair<qint64, qint64>> places;
    void add(const QString& name, const QByteArray& bytes)
    {
        line(name, data.size(), bytes.size());
        data += bytes;
    }
    // A second name for bytes already in the pack.
    void alias(const QString& name, const QString& existing)
    {
        const auto it = places.constFind(existing.toLower());
        if (it != places.constEnd())
            line(name, it->first, it->second);
    }
    void line(const QString& name, qint64 offset, qint64 size)
    {
        index += name.toLower().toUtf8() + ';' + QByteArray::number(offset) + ';' + QByteArray::number(size) + "\r\n";
        places.insert(name.toLower(), {offset, size});
    }
    bool write(const QString& dir, const QString& type) const
    {
        QDir().mkpath(dir);
        QFile rif(dir + "/" + type + ".rif"), rdf(dir + "/" + type + ".rdf");
        return rif.open(QIODevice::WriteOnly) && rif.write(index) == index.size() && rdf.open(QIODevice::WriteOnly) &&
               rdf.write(data) == data.size();
    }
};

QByteArray bmpBytes(const QImage& img)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    img.convertToFormat(QImage::Format_RGB888).save(&b, "BMP");
    return out;
}

// The edge pixels of an antialiased picture are made either opaque or the key colour, so no
// green fringe shows over other colours; a drawn pixel of the key colour itself is moved off it.
QImage flatten(const QImage& argb)
{
    QImage out(argb.size(), QImage::Format_RGB32);
    const QImage src = argb.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            QRgb c = qAlpha(in[x]) < 110 ? kKey : (in[x] | 0xFF000000);
            if (c != kKey && (c & 0xFFFFFF) == (kKey & 0xFFFFFF))
                c = qRgb(0, 254, 0);
            o[x] = c;
        }
    }
    return out;
}

// One topic as the associative search knows it.
struct Topic {
    QString name;      // deflib/<type>/<path>, lower case, slashes
    QString caption;
    int frames = 1;
    QString essence;
    QStringList keywords;
};

struct Category {
    const char* type;
    const char* engine;  // the topic records
    const char* words;
    const char* topics;
    const char* items;
};
const Category kCategories[] = {{"anim", "anim.txt", "animK.txt", "AnimTL.dat", "AnimIL.dat"},
                                {"image", "image.txt", "imageK.txt", "ImageTL.dat", "ImageIL.dat"},
                                {"bkd", "bkd.txt", "BkdK.txt", "BkdTL.dat", "BkdIL.dat"}};

class Builder {
public:
    explicit Builder(const QString& scratch) : m_scratch(scratch) {}

    // A new topic of a type ("image", "anim", "bkd") under the entry folder path; keywords
    // separated by spaces.
    void topic(const QString& type, const QString& path, const QString& caption, const QString& essence,
               const QString& keywords, int frames = 1)
    {
        m_type = type;
        m_path = path;
        m_frames = frames;
        Topic t;
        t.name = ("deflib/" + type + "/" + path).toLower().replace('\\', '/');
        t.caption = caption;
        t.frames = frames;
        t.essence = essence.toLower();
        t.keywords = keywords.toLower().split(' ', Qt::SkipEmptyParts);
        m_topics[type].push_back(t);
    }
    // A variant of the current topic, drawn on a transparent canvas (backgrounds: opaque).
    void variant(int o, int s, int c, const QImage& picture)
    {
        picture_(m_type, QStringLiteral("%1\\o%2s%3c%4").arg(m_path).arg(o).arg(s).arg(c), picture, m_frames);
    }
    // Images: orientation 2 is the mirror picture, 3 and 4 the picture turned to point up and down.
    void oriented(int orientations, int s, int c, const QImage& picture)
    {
        for (int o = 1; o <= orientations; ++o) {
            QImage img = picture;
            if (o == 2)
                img = picture.mirrored(true, false);
            else if (o > 2)
                img = picture.transformed(QTransform().rotate(o == 3 ? -90 : 90));
            variant(o, s, c, img);
        }
    }
    // An entry name of an earlier version of the library for an existing entry.
    void alias(const QString& type, const QString& name, const QString& existing)
    {
        for (int k = 0; k < 3; ++k) {
            const QString ext = k == 2 ? QStringLiteral(".gif") : QStringLiteral(".bmp");
            m_packs[type][k].alias(name + ext, existing + ext);
        }
    }
    void sound(const QString& name, const QByteArray& wav) { m_packs["sound"][0].add(name + ".wav", wav); }

    bool write(const QString& appDir) const;
    int count(const QString& type) const { return m_count.value(type); }
    bool ok = true;

private:
    void picture_(const QString& type, const QString& name, const QImage& argb, int frames);

    QString m_scratch;
    QString m_type, m_path;
    int m_frames = 1;
    std::map<QString, std::array<Pack, 3>> m_packs;  // type -> media, preview, java
    std::map<QString, std::vector<Topic>> m_topics;
    QHash<QString, int> m_count;
};

void Builder::picture_(const QString& type, const QString& name, const QImage& argb, int frames)
{
    const bool opaque = type == "bkd";
    const QImage media = opaque ? argb.convertToFormat(QImage::Format_RGB32) : flatten(argb);
    m_packs[type][0].add(name + ".bmp", bmpBytes(media));
    // The preview: each frame scaled smoothly to fit 64 x 64, then keyed. A background is a wide
    // banner strip that would shrink to a line: its preview is a 4:3 piece from its middle.
    QImage source = argb;
    if (opaque && source.width() * 3 > source.height() * 4) {
        const int w = source.height() * 4 / 3;
        source = source.copy((source.width() - w) / 2, 0, w, source.height());
    }
    const int frameWidth = source.width() / std::max(1, frames);
    const double scale = std::min({1.0, 64.0 / frameWidth, 64.0 / source.height()});
    QImage preview = opaque ? source.convertToFormat(QImage::Format_RGB32) : media;
    if (scale < 1) {
        const QSize size(std::max(frames, int(std::lround(frameWidth * scale)) * frames), std::max(1, int(std::lround(source.height() * scale))));
        const QImage small = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        preview = opaque ? small.convertToFormat(QImage::Format_RGB32) : flatten(small);
    }
    m_packs[type][1].add(name + ".bmp", bmpBytes(preview));
    const QString gif = m_scratch + "/entry.gif";
    try {
        kav::WriteGif(media, gif, opaque ? std::nullopt : std::optional<uint32_t>(0x0000FF00));
    } catch (...) {
        ok = false;
    }
    QFile f(gif);
    if (f.open(QIODevice::ReadOnly))
        m_packs[type][2].add(name + ".gif", f.readAll());
    else
        ok = false;
    f.close();
    QFile::remove(gif);
    ++m_count[type];
}

bool writeLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& l : lines)
        bytes += l.toUtf8() + "\r\n";
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool Builder::write(const QString& appDir) const
{
    bool good = ok;
    const QString root = appDir + "/Libraries/deflib/";
    const char* kinds[3] = {"Media", "Preview", "Java"};
    for (const auto& [type, pack] : m_packs)
        for (int k = 0; k < 3; ++k)
            if (!pack[k].index.isEmpty())
                good &= pack[k].write(root + kinds[k], type);

    const QString data = appDir + "/Data/";
    QDir().mkpath(data);
    for (const Category& cat : kCategories) {
        const auto it = m_topics.find(QString::fromLatin1(cat.type));
        if (it == m_topics.end())
            continue;
        QStringList records, captions, names;
        std::set<QString> words;
        std::vector<const Topic*> byCaption;
        for (const Topic& t : it->second) {
            records << t.name << t.caption << QString::number(t.frames) << QStringLiteral("0") << t.essence
                    << QString::number(t.keywords.size());
            records += t.keywords;
            words.insert(t.essence);
            words.insert(t.keywords.begin(), t.keywords.end());
            byCaption.push_back(&t);
        }
        std::sort(byCaption.begin(), byCaption.end(), [](const Topic* a, const Topic* b) {
            const int c = a->caption.compare(b->caption, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a->name < b->name;
        });
        for (const Topic* t : byCaption) {
            captions << t->caption;
            names << t->name;
        }
        good &= writeLines(data + cat.engine, records);
        good &= writeLines(data + cat.words, QStringList(words.begin(), words.end()));
        good &= writeLines(data + cat.topics, captions);
        good &= writeLines(data + cat.items, names);
    }
    return good;
}

// ---- the topics -------------------------------------------------------------------------------
const int kSizes[3] = {32, 48, 64};
const Colour kFour[4] = {Red, Blue, Teal, Gold};

void images(Builder& b)
{
    // Shapes and signs in four colours and three sizes.
    struct Shape {
        const char* path;
        const char* caption;
        const char* essence;
        const char* keywords;
        QImage (*draw)(int, const Palette&);
        int orientations;
        std::array<Colour, 4> colours;
    };
    const Shape shapes[] = {
        {"shapes\\star", "Star", "star", "shape sky night gold award favourite rating christmas", star, 1, {Red, Blue, Teal, Gold}},
        {"shapes\\heart", "Heart", "heart", "love valentine like favourite romance wedding shape", heart, 1, {Red, Blue, Teal, Gold}},
        {"shapes\\circle", "Ball", "ball", "circle round dot shape button sport", circle, 1, {Red, Blue, Teal, Gold}},
        {"badges\\approved", "Approved badge", "badge", "check quality award seal guarantee trust ok", badge, 1, {Red, Blue, Teal, Gold}},
        {"arrows\\arrow", "Arrow", "arrow", "direction pointer next right left up down click go", arrow, 4, {Red, Blue, Teal, Gold}},
        {"shapes\\gem", "Gem", "gem", "diamond jewel jewellery luxury precious shine shape", gem, 1, {Blue, Red, Green, Purple}},
        {"arrows\\chevron", "Double chevron", "arrow", "direction next forward fast more go click", chevron, 4, {Red, Blue, Green, Orange}},
        {"gifts\\gift", "Gift", "gift", "present birthday christmas party surprise free bonus box", gift, 1, {Red, Blue, Green, Gold}},
        {"shapes\\lightning", "Lightning bolt", "lightning", "energy power flash fast electric storm thunder", lightning, 2, {Gold, Orange, Blue, Purple}},
        {"time\\clock", "Clock", "clock", "time hour watch deadline hurry countdown limited", [](int s, const Palette& p) { return clockFace(s, p); }, 1, {Red, Blue, Teal, Silver}},
        {"devices\\phone", "Smartphone", "phone", "mobile call contact app device cellphone", phone, 1, {Silver, Blue, Red, Gold}},
        {"places\\pin", "Location pin", "pin", "location map place address marker travel find", pin, 1, {Red, Blue, Green, Orange}},
        {"talk\\bubble", "Speech bubble", "bubble", "speech talk chat message comment say", bubble, 2, {Blue, Green, Orange, Pink}},
        {"awards\\ribbon", "Award ribbon", "ribbon", "award prize winner rosette first quality badge", ribbon, 1, {Blue, Red, Gold, Green}},
        {"shopping\\bag", "Shopping bag", "bag", "shopping buy shop sale store gift fashion", shoppingBag, 1, {Pink, Blue, Orange, Green}},
        {"fireworks\\firework", "Firework", "firework", "celebration party newyear festival night sky", [](int s, const Palette& p) { return firework(s, p); }, 1, {Red, Gold, Blue, Green}},
        {"party\\balloon", "Balloon", "balloon", "party birthday celebration fun festival", balloon, 1, {Red, Blue, Green, Pink}},
        {"characters\\smile", "Smiley", "face", "smiley happy smile emoticon character fun", [](int s, const Palette& p) { return face("smile", s, p); }, 1, {Gold, Orange, Green, Pink}},
        {"characters\\wink", "Winking smiley", "face", "smiley wink fun emoticon character happy", [](int s, const Palette& p) { return face("wink", s, p); }, 1, {Gold, Orange, Green, Pink}},
        {"characters\\surprised", "Surprised smiley", "face", "smiley surprise wow emoticon character", [](int s, const Palette& p) { return face("surprised", s, p); }, 1, {Gold, Orange, Green, Pink}},
        {"characters\\cool", "Cool smiley", "face", "smiley cool sunglasses summer emoticon character", [](int s, const Palette& p) { return face("cool", s, p); }, 1, {Gold, Orange, Green, Pink}},
        {"characters\\person", "Waving person", "person", "people man character wave hello figure", [](int s, const Palette& p) { return figure(s, p); }, 2, {Red, Blue, Green, Purple}},
        {"hands\\thumbsup", "Thumbs up", "thumb", "like ok good approve yes hand", thumbsUp, 2, {Skin1, Skin2, Skin3, Skin4}},
    };
    for (const Shape& sh : shapes) {
        b.topic("image", sh.path, sh.caption, sh.essence, sh.keywords);
        for (int si = 0; si < 3; ++si)
            for (int ci = 0; ci < 4; ++ci)
                b.oriented(sh.orientations, si + 1, ci + 1, sh.draw(kSizes[si], colour(sh.colours[ci])));
    }
    // Three metals.
    struct Metal {
        const char* path;
        const char* caption;
        const char* essence;
        const char* keywords;
        QImage (*draw)(int, const Palette&);
    };
    const Metal metals[] = {
        {"awards\\trophy", "Trophy", "trophy", "award winner prize cup champion sport gold first", trophy},
        {"money\\coin", "Coin", "coin", "money gold sale price cash dollar save pay", [](int s, const Palette& p) { return coin(s, p); }},
        {"awards\\crown", "Crown", "crown", "king queen royal gold luxury best premium winner", crown},
    };
    for (const Metal& m : metals) {
        b.topic("image", m.path, m.caption, m.essence, m.keywords);
        for (int si = 0; si < 3; ++si)
            for (int ci = 0; ci < 3; ++ci)
                b.variant(1, si + 1, ci + 1, m.draw(kSizes[si], colour(std::array{Gold, Silver, Bronze}[ci])));
    }

    struct Icon {
        const char* kind;
        const char* caption;
        const char* keywords;
    };
    const Icon icons[] = {
        {"check", "Check mark icon", "ok yes done correct tick approved icon"},
        {"cross", "Cross icon", "no close cancel wrong delete icon"},
        {"mail", "Mail icon", "email letter message contact newsletter icon"},
        {"cart", "Cart icon", "shopping buy shop store sale basket icon"},
        {"home", "Home icon", "house start website icon"},
        {"info", "Info icon", "information help question icon"},
        {"bell", "Bell icon", "notification alert ring reminder icon"},
        {"play", "Play icon", "video music start media button icon"},
        {"search", "Search icon", "find magnifier look zoom icon"},
        {"plus", "Plus icon", "add more new icon"},
    };
    for (const Icon& ic : icons) {
        b.topic("image", QStringLiteral("icons\\") + ic.kind, ic.caption, ic.kind, ic.keywords);
        for (int si = 0; si < 3; ++si)
            for (int ci = 0; ci < 4; ++ci)
                b.variant(1, si + 1, ci + 1, icon(ic.kind, kSizes[si], colour(kFour[ci])));
    }

    struct Text {
        const char* text;
        const char* caption;
        const char* keywords;
    };
    const Text buttons[] = {
        {"Buy now", "Buy now button", "buy shop sale order purchase click"},
        {"Learn more", "Learn more button", "more info information read click"},
        {"Sign up", "Sign up button", "register join subscribe account click"},
        {"Click here", "Click here button", "click link go press"},
        {"Shop now", "Shop now button", "shop buy sale store shopping click"},
        {"Download", "Download button", "download get free app software click"},
        {"Order now", "Order now button", "order buy sale shop purchase click"},
        {"Get started", "Get started button", "start begin join go click"},
        {"Subscribe", "Subscribe button", "subscribe newsletter join mail click"},
        {"Play now", "Play now button", "play game start fun click"},
    };
    for (const Text& t : buttons) {
        const QString topic = QString::fromLatin1(t.text).toLower().remove(' ');
        b.topic("image", "buttons\\" + topic, t.caption, "button", t.keywords);
        for (int si = 0; si < 2; ++si)
            for (int ci = 0; ci < 4; ++ci)
                b.variant(1, si + 1, ci + 1, button(t.text, si == 0 ? 26 : 36, colour(kFour[ci])));
    }
    const Text tags[] = {
        {"SALE", "Sale tag", "sale discount price offer shop bargain"},
        {"50% OFF", "50% off tag", "sale discount percent half price offer"},
        {"FREE", "Free tag", "free gift offer bonus price"},
        {"HOT DEAL", "Hot deal tag", "sale deal offer hot discount price"},
        {"20% OFF", "20% off tag", "sale discount percent price offer"},
        {"70% OFF", "70% off tag", "sale discount percent clearance price offer"},
        {"LIMITED", "Limited offer tag", "limited offer sale hurry exclusive"},
    };
    for (const Text& t : tags) {
        const QString topic = QString::fromLatin1(t.text).toLower().remove(' ').remove('%');
        b.topic("image", "tags\\" + topic, t.caption, "tag", t.keywords);
        for (int si = 0; si < 2; ++si)
            for (int ci = 0; ci < 4; ++ci)
                b.variant(1, si + 1, ci + 1, saleTag(t.text, si == 0 ? 28 : 40, colour(kFour[ci])));
    }
    const Text bursts[] = {{"NEW", "New burst", "new fresh launch announcement sale star"},
                           {"HOT", "Hot burst", "hot sale deal popular trend star"},
                           {"TOP", "Top burst", "top best popular winner rating star"}};
    for (const Text& t : bursts) {
        b.topic("image", "tags\\" + QString::fromLatin1(t.text).toLower(), t.caption, "burst", t.keywords);
        for (int si = 0; si < 3; ++si)
            for (int ci = 0; ci < 4; ++ci)
                b.variant(1, si + 1, ci + 1, burst(t.text, kSizes[si] + 8, colour(kFour[ci])));
    }
    const Text weathers[] = {
        {"sunny", "Sun", "sun weather sky summer hot day holiday"},
        {"cloudy", "Sun and cloud", "cloud weather sky sun day"},
        {"rain", "Rain cloud", "rain weather cloud wet autumn"},
        {"snow", "Snow cloud", "snow weather cloud winter cold"},
        {"storm", "Thunderstorm", "storm weather cloud lightning thunder"},
        {"moon", "Moon", "moon night sky sleep star"},
        {"rainbow", "Rainbow", "rainbow weather sky colour spring happy"},
        {"umbrella", "Umbrella", "umbrella rain weather autumn protection"},
        {"snowflake", "Snowflake", "snowflake snow winter cold christmas ice"},
    };
    for (const Text& t : weathers) {
        b.topic("image", QStringLiteral("weather\\") + t.text, t.caption, QString::fromLatin1(t.keywords).section(' ', 0, 0),
                QString::fromLatin1(t.keywords).section(' ', 1));
        for (int si = 0; si < 3; ++si)
            b.variant(1, si + 1, 1, weather(t.text, kSizes[si]));
    }
}

void backgrounds(Builder& b)
{
    // Three banner sizes: full banner, tall banner (the size of the first version), leaderboard.
    const QSize sizes[3] = {{468, 60}, {468, 120}, {728, 90}};
    struct Gradient {
        const char* topic;
        const char* caption;
        const char* essence;
        const char* keywords;
        QColor top, bottom;
    };
    const Gradient gradients[] = {
        {"sky", "Sky gradient", "sky", "blue gradient day air calm summer", QColor(70, 140, 230), QColor(200, 230, 255)},
        {"sunset", "Sunset gradient", "sunset", "evening orange warm gradient summer sky", QColor(250, 120, 60), QColor(255, 215, 120)},
        {"ocean", "Ocean gradient", "sea", "ocean water blue gradient summer travel", QColor(0, 90, 140), QColor(60, 190, 210)},
        {"mint", "Mint gradient", "mint", "green fresh gradient spring calm", QColor(200, 245, 225), QColor(110, 205, 170)},
        {"night", "Night gradient", "night", "dark sky gradient evening", QColor(10, 16, 50), QColor(60, 50, 120)},
        {"silver", "Silver gradient", "silver", "grey metal gradient business clean", QColor(250, 250, 252), QColor(190, 196, 206)},
    };
    for (const Gradient& g : gradients) {
        b.topic("bkd", QStringLiteral("gradients\\") + g.topic, g.caption, g.essence, g.keywords);
        for (int si = 0; si < 3; ++si)
            b.variant(1, si + 1, 1, gradient(g.top, g.bottom, sizes[si].width(), sizes[si].height()));
        b.alias("bkd", QStringLiteral("gradients\\") + g.topic, QStringLiteral("gradients\\%1\\o1s2c1").arg(g.topic));
    }
    const std::pair<QColor, QColor> tints[] = {{QColor(255, 250, 235), QColor(250, 215, 160)},
                                               {QColor(235, 245, 255), QColor(170, 205, 245)},
                                               {QColor(240, 240, 240), QColor(210, 210, 214)}};
    for (const char* kind : {"stripes", "dots", "checks", "diamonds", "grid"}) {
        b.topic("bkd", QStringLiteral("patterns\\") + kind, QString::fromLatin1(kind).at(0).toUpper() + QString::fromLatin1(kind).mid(1) + " pattern",
                "pattern", QStringLiteral("tile texture %1 simple wallpaper").arg(kind == QStringLiteral("checks") ? "check" : kind));
        for (int si = 0; si < 2; ++si)
            for (int t = 0; t < 3; ++t)
                b.variant(1, si + 1, t + 1, pattern(kind, tints[t].first, tints[t].second, si == 0 ? 32 : 64));
        for (int t = 0; t < 3; ++t)
            b.alias("bkd", QStringLiteral("patterns\\%1%2").arg(kind).arg(t + 1), QStringLiteral("patterns\\%1\\o1s1c%2").arg(kind).arg(t + 1));
    }
    b.topic("bkd", "soft\\bokeh", "Bokeh lights", "bokeh", "lights glow party night soft blur festive");
    for (int si = 0; si < 3; ++si)
        for (int ci = 0; ci < 3; ++ci)
            b.variant(1, si + 1, ci + 1, bokeh(sizes[si].width(), sizes[si].height(), colour(std::array{Blue, Purple, Gold}[ci])));
    b.topic("bkd", "soft\\rays", "Sun rays", "rays", "sunburst sun retro shine light summer sale");
    for (int si = 0; si < 3; ++si)
        for (int ci = 0; ci < 3; ++ci)
            b.variant(1, si + 1, ci + 1, rays(sizes[si].width(), sizes[si].height(), colour(std::array{Gold, Red, Blue}[ci])));
    b.topic("bkd", "party\\confetti", "Confetti", "confetti", "party celebration birthday festival fun newyear");
    for (int si = 0; si < 3; ++si)
        for (int ci = 0; ci < 3; ++ci)
            b.variant(1, si + 1, ci + 1, confetti(sizes[si].width(), sizes[si].height(), std::array{QColor(255, 255, 255), QColor(255, 246, 220), QColor(30, 34, 60)}[ci]));
    b.topic("bkd", "paper\\paper", "Paper", "paper", "note sheet texture craft notebook letter school");
    for (int si = 0; si < 3; ++si)
        for (int ci = 0; ci < 3; ++ci)
            b.variant(1, si + 1, ci + 1, paper(sizes[si].width(), sizes[si].height(), ci));
    b.topic("bkd", "sky\\stars", "Starry night", "stars", "night sky space dark star christmas");
    for (int si = 0; si < 3; ++si)
        b.variant(1, si + 1, 1, starrySky(sizes[si].width(), sizes[si].height()));
    b.topic("bkd", "sky\\clouds", "Clouds", "clouds", "sky day weather blue summer air");
    for (int si = 0; si < 3; ++si)
        b.variant(1, si + 1, 1, cloudySky(sizes[si].width(), sizes[si].height()));
}

void animations(Builder& b)
{
    // Each topic: its frames, the frame size, orientations, colours; the first colour is the one
    // of the first version, whose entry name is kept.
    b.topic("anim", "spinstar", "Spinning star", "star", "spin rotate gold shine award sky", 8);
    for (int ci = 0; ci < 4; ++ci)
        b.variant(1, 1, ci + 1, strip(8, 48, 48, false, [&](QPainter& p, int f) {
                      p.translate(24, 24);
                      p.rotate(f * 9);
                      p.translate(-24, -24);
                      shaded(p, starPath(QPointF(24, 24), 22, 9), colour(std::array{Gold, Red, Blue, Teal}[ci]), 48);
                  }));
    b.topic("anim", "bounce", "Bouncing ball", "ball", "bounce jump play sport fun game", 8);
    for (int ci = 0; ci < 4; ++ci)
        b.variant(1, 1, ci + 1, strip(8, 40, 56, false, [&](QPainter& p, int f) {
                      const Palette& pal = colour(std::array{Red, Blue, Green, Orange}[ci]);
                      // Height above the ground follows |cos|: slow at the top, a sharp turn at
                      // the bottom, where the ball is squashed a little. The whole ball stays in
                      // the frame.
                      const double height = std::abs(std::cos(f * M_PI / 8));
                      const bool down = height < 0.01;
                      const QRectF ball = down ? QRectF(4, 56 - 25, 32, 25) : QRectF(6, 28 * (1 - height), 28, 28);
                      QRadialGradient g(ball.left() + 10, ball.top() + 8, 18);
                      g.setColorAt(0, pal.light);
                      g.setColorAt(1, pal.dark);
                      p.setPen(Qt::NoPen);
                      p.setBrush(g);
                      p.drawEllipse(ball);
                  }));
    b.topic("anim", "blinknew", "Blinking new", "new", "blink flash announcement burst sale fresh", 4);
    for (int ci = 0; ci < 3; ++ci)
        b.variant(1, 1, ci + 1, strip(4, 56, 56, false, [&](QPainter& p, int f) {
                      const Colour pair[3][2] = {{Gold, Red}, {Blue, Teal}, {Green, Gold}};
                      const double s = f % 2 ? 52 : 46;
                      p.translate((56 - s) / 2, (56 - s) / 2);
                      place(p, burst(QStringLiteral("NEW"), int(s), colour(pair[ci][f % 2])), 0, 0);
                  }));
    b.topic("anim", "arrowpulse", "Pulsing arrow", "arrow", "pointer direction next click move right", 6);
    for (int o = 1; o <= 2; ++o)
        for (int ci = 0; ci < 4; ++ci)
            b.variant(o, 1, ci + 1, strip(6, 48, 32, o == 2, [&](QPainter& p, int f) {
                          p.translate(2 + 3 * std::sin(f * M_PI / 3), 0);
                          QPainterPath path;
                          path.moveTo(1, 10);
                          path.lineTo(24, 10);
                          path.lineTo(24, 2);
                          path.lineTo(42, 16);
                          path.lineTo(24, 30);
                          path.lineTo(24, 22);
                          path.lineTo(1, 22);
                          path.closeSubpath();
                          shaded(p, path, colour(std::array{Blue, Red, Green, Orange}[ci]), 32);
                      }));
    b.topic("anim", "loading", "Loading wheel", "loading", "wait spinner progress busy download", 8);
    for (int ci = 0; ci < 3; ++ci)
        b.variant(1, 1, ci + 1, strip(8, 40, 40, false, [&](QPainter& p, int f) {
                      const QColor base = colour(std::array{Blue, Red, Green}[ci]).main;
                      p.setPen(Qt::NoPen);
                      for (int i = 0; i < 8; ++i) {
                          const double a = i * M_PI / 4;
                          const int age = (f - i + 8) % 8;
                          // Older dots fade towards white (solid colours: the key colour shows through nothing).
                          const double fade = age / 8.0;
                          p.setBrush(QColor(int(base.red() + (255 - base.red()) * fade), int(base.green() + (255 - base.green()) * fade),
                                            int(base.blue() + (255 - base.blue()) * fade)));
                          p.drawEllipse(QPointF(20 + 14 * std::cos(a), 20 + 14 * std::sin(a)), 4, 4);
                      }
                  }));
    for (const char* old : {"spinstar", "bounce", "blinknew", "arrowpulse", "loading"})
        b.alias("anim", old, QStringLiteral("%1\\o1s1c1").arg(old));

    b.topic("anim", "spincoin", "Spinning coin", "coin", "money gold sale price cash spin dollar", 8);
    for (int si = 0; si < 2; ++si)
        for (int ci = 0; ci < 3; ++ci) {
            const int s = si == 0 ? 40 : 56;
            b.variant(1, si + 1, ci + 1, strip(8, s, s, false, [&](QPainter& p, int f) {
                          place(p, coin(s, colour(std::array{Gold, Silver, Bronze}[ci]), f / 8.0), 0, 0);
                      }));
        }
    b.topic("anim", "blinkarrow", "Blinking arrow", "arrow", "blink click here pointer attention direction", 4);
    for (int o = 1; o <= 2; ++o)
        for (int ci = 0; ci < 4; ++ci)
            b.variant(o, 1, ci + 1, strip(4, 48, 32, o == 2, [&](QPainter& p, int f) {
                          const Palette& pal = colour(kFour[ci]);
                          place(p, arrow(48, f % 2 ? Palette{pal.light, pal.main, QColor(Qt::white)} : pal), 0, 0);
                      }));
    b.topic("anim", "flag", "Waving flag", "flag", "wave wind finish goal country celebration", 8);
    for (int o = 1; o <= 2; ++o)
        for (int ci = 0; ci < 4; ++ci)
            b.variant(o, 1, ci + 1, strip(8, 48, 48, o == 2, [&](QPainter& p, int f) {
                          const Palette& pal = colour(std::array{Red, Blue, Green, Gold}[ci]);
                          p.setPen(QPen(QColor(90, 80, 70), 3, Qt::SolidLine, Qt::RoundCap));
                          p.drawLine(QPointF(6, 4), QPointF(6, 46));
                          QPainterPath cloth;
                          const double phase = f * M_PI / 4;
                          auto wave = [&](double x) { return 3 * std::sin(x / 9 + phase) * (x - 7) / 36; };
                          cloth.moveTo(7, 6 + wave(7));
                          for (double x = 7; x <= 44; x += 1)
                              cloth.lineTo(x, 6 + wave(x));
                          for (double x = 44; x >= 7; x -= 1)
                              cloth.lineTo(x, 28 + wave(x));
                          cloth.closeSubpath();
                          shaded(p, cloth, pal, 28);
                          p.setPen(Qt::NoPen);
                          p.setBrush(QColor(255, 255, 255, 230));
                          p.drawPath(starPath(QPointF(25, 17 + wave(25)), 6, 2.5));
                      }));
    b.topic("anim", "heartbeat", "Pulsing heart", "heart", "love beat pulse valentine like romance", 6);
    for (int ci = 0; ci < 3; ++ci)
        b.variant(1, 1, ci + 1, strip(6, 48, 48, false, [&](QPainter& p, int f) {
                      const int s = int(34 + 12 * std::sin(f * M_PI / 6) * (f < 3 ? 1 : 0.5));
                      place(p, heart(s, colour(std::array{Red, Pink, Purple}[ci])), (48 - s) / 2.0, (48 - s) / 2.0);
                  }));
    b.topic("anim", "sparkles", "Sparkles", "sparkle", "shine glitter magic star twinkle new", 6);
    for (int ci = 0; ci < 3; ++ci)
        b.variant(1, 1, ci + 1, strip(6, 48, 48, false, [&](QPainter& p, int f) {
                      const Palette& pal = colour(std::array{Gold, Blue, Pink}[ci]);
                      const QPointF spots[3] = {{16, 16}, {33, 26}, {18, 36}};
                      p.setPen(Qt::NoPen);
                      for (int i = 0; i < 3; ++i) {
                          const double grow = std::sin(((f + i * 2) % 6) * M_PI / 6);
                          if (grow < 0.05)
                              continue;
                          p.setBrush(i == 1 ? pal.main : pal.light);
                          p.drawPath(starPath(spots[i], 12 * grow, 3 * grow, 4));
                          p.setBrush(QColor(255, 255, 255));
                          p.drawEllipse(spots[i], 1.6 * grow, 1.6 * grow);
                      }
                  }));
    b.topic("anim", "tickclock", "Ticking clock", "clock", "time tick countdown hurry deadline limited", 8);
    for (int ci = 0; ci < 3; ++ci)
        b.variant(1, 1, ci + 1, strip(8, 48, 48, false, [&](QPainter& p, int f) {
                      place(p, clockFace(48, colour(std::array{Red, Blue, Silver}[ci]), 3 + f / 8.0), 0, 0);
                  }));
    b.topic("anim", "walker", "Walking person", "person", "walk man character people figure move", 8);
    for (int o = 1; o <= 2; ++o)
        for (int ci = 0; ci < 3; ++ci)
            b.variant(o, 1, ci + 1, strip(8, 48, 48, o == 2, [&](QPainter& p, int f) {
                          place(p, figure(48, colour(std::array{Red, Blue, Green}[ci]), f + 1), 0, 0);
                      }));
    b.topic("anim", "fireworks", "Firework burst", "firework", "celebration party newyear festival night", 6);
    for (int ci = 0; ci < 3; ++ci)
        b.variant(1, 1, ci + 1, strip(6, 56, 56, false, [&](QPainter& p, int f) {
                      place(p, firework(56, colour(std::array{Red, Gold, Blue}[ci]), 0.25 + f * 0.15), 0, 0);
                  }));
}

// ---- sounds -----------------------------------------------------------------------------------
double tone(double t, double hz) { return std::sin(2 * M_PI * hz * t); }
double noise()
{
    static quint32 seed = 12345;
    seed = seed * 1664525u + 1013904223u;
    return double(seed >> 8) / double(1 << 24) * 2 - 1;
}
// Notes one after another, each with its bell-like decay.
double notes(double t, std::initializer_list<double> hz, double step, double ring)
{
    double v = 0;
    int i = 0;
    for (double f : hz) {
        const double u = t - i++ * step;
        if (u >= 0)
            v += envelope(u, 0.004, ring) * (tone(u, f) + 0.3 * tone(u, f * 2));
    }
    return 0.45 * v;
}

QByteArray sounds(Builder& b)
{
    struct Sound {
        const char* name;
        const char* title;
        const char* category;
        const char* sub;
        double seconds;
        std::function<double(double)> signal;
    };
    const Sound list[] = {
        {"click", "Click", "EFFECTS", "Clicks", 0.06, [](double t) { return tone(t, 2200) * std::exp(-t * 90); }},
        {"pop", "Pop", "EFFECTS", "Clicks", 0.12, [](double t) { return std::sin(2 * M_PI * (600 - 3000 * t) * t) * std::exp(-t * 40); }},
        {"chime", "Chime", "EFFECTS", "Chimes", 1.2, [](double t) { return 0.5 * envelope(t, 0.005, 1.2) * (tone(t, 880) + 0.5 * tone(t, 1320)); }},
        {"ding", "Ding", "EFFECTS", "Chimes", 0.8, [](double t) { return envelope(t, 0.003, 0.8) * tone(t, 1568); }},
        {"whoosh", "Whoosh", "EFFECTS", "Whooshes", 0.7, [](double t) { return 0.6 * noise() * std::sin(M_PI * t / 0.7); }},
        {"tick", "Tick", "EFFECTS", "Clicks", 0.04, [](double t) { return (0.6 * noise() + 0.4 * tone(t, 3500)) * std::exp(-t * 160); }},
        {"doubleclick", "Double click", "EFFECTS", "Clicks", 0.16, [](double t) {
             const double u = t < 0.08 ? t : t - 0.08;
             return tone(u, 2000) * std::exp(-u * 100);
         }},
        {"bubblepop", "Bubble pop", "EFFECTS", "Clicks", 0.1, [](double t) { return std::sin(2 * M_PI * (300 + 9000 * t) * t) * std::exp(-t * 45); }},
        {"twinkle", "Twinkle", "EFFECTS", "Chimes", 1.0, [](double t) { return notes(t, {1568, 2093, 2637, 3136}, 0.07, 0.5); }},
        {"bell", "Bell", "EFFECTS", "Bells", 2.0, [](double t) {
             return 0.4 * envelope(t, 0.002, 2.0) * (tone(t, 523) + 0.6 * tone(t, 1046 * 1.003) + 0.4 * tone(t, 1569 * 1.01) + 0.25 * tone(t, 2490));
         }},
        {"doorbell", "Door bell", "EFFECTS", "Bells", 1.4, [](double t) { return notes(t, {659, 523}, 0.45, 0.9); }},
        {"coin", "Coin", "EFFECTS", "Coins", 0.5, [](double t) { return 0.7 * (t < 0.07 ? tone(t, 988) : tone(t, 1319) * envelope(t - 0.07, 0.002, 0.4)); }},
        {"cashregister", "Cash register", "EFFECTS", "Coins", 0.9, [](double t) {
             const double clack = t < 0.05 ? noise() * std::exp(-t * 80) : 0;
             return 0.5 * clack + notes(t - 0.06, {2093, 2637}, 0.03, 0.8) * (t > 0.06);
         }},
        {"swoosh", "Swoosh", "EFFECTS", "Whooshes", 0.45, [](double t) {
             // Noise through a moving resonance: rising, then falling away.
             static double lp = 0, band = 0;
             const double f = 0.02 + 0.25 * std::sin(M_PI * t / 0.45);
             lp += f * (noise() - lp);
             band += f * (lp - band);
             return 3.0 * (lp - band) * std::sin(M_PI * t / 0.45);
         }},
        {"zoom", "Zoom", "EFFECTS", "Whooshes", 0.5, [](double t) { return 0.5 * std::sin(2 * M_PI * (200 + 1600 * t) * t) * std::sin(M_PI * t / 0.5); }},
        {"beep", "Beep", "EFFECTS", "Beeps", 0.25, [](double t) { return 0.5 * tone(t, 1000) * std::min(1.0, t / 0.005); }},
        {"alert", "Alert", "EFFECTS", "Beeps", 0.6, [](double t) { return 0.45 * tone(t, std::fmod(t, 0.2) < 0.1 ? 880 : 660) * (std::fmod(t, 0.2) < 0.17); }},
        {"boing", "Boing", "EFFECTS", "Cartoon", 0.7, [](double t) { return envelope(t, 0.005, 0.7) * std::sin(2 * M_PI * (220 * t + 25 * std::sin(2 * M_PI * 9 * t))); }},
        {"fanfare", "Fanfare", "MUSIC", "Jingles", 1.6, [](double t) {
             // Brass-like: a few harmonics, notes of a major chord and a held top note.
             double v = 0;
             const double starts[4] = {0, 0.15, 0.3, 0.45}, hz[4] = {523, 659, 784, 1046};
             for (int i = 0; i < 4; ++i) {
                 const double u = t - starts[i];
                 const double len = i == 3 ? 1.1 : 0.14;
                 if (u >= 0 && u < len)
                     v += std::min(1.0, u / 0.02) * std::min(1.0, (len - u) / 0.03) *
                          (tone(u, hz[i]) + 0.5 * tone(u, hz[i] * 2) + 0.3 * tone(u, hz[i] * 3));
             }
             return 0.35 * v;
         }},
        {"success", "Success", "MUSIC", "Jingles", 1.1, [](double t) { return notes(t, {523, 659, 784, 1046}, 0.09, 0.6); }},
        {"jingle", "Jingle", "MUSIC", "Jingles", 1.5, [](double t) { return notes(t, {784, 659, 784, 1046, 988, 1046}, 0.12, 0.35); }},
    };
    QByteArray catalogue;
    for (const Sound& s : list) {
        b.sound(QString::fromLatin1(s.name), wavBytes(s.signal, s.seconds));
        catalogue += QByteArray("deflib\\sound\\") + s.name + '\t' + s.title + '\t' + s.category + '\t' + s.sub + "\r\n";
    }
    return catalogue;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kav-makedeflib APPDIR\n");
        return 2;
    }
    const QString appDir = QString::fromLocal8Bit(argv[1]);
    // The GIF forms pass through a scratch file; in memory when the system has such a folder,
    // since every file the GIF writer finishes is synced to the disk.
    QTemporaryDir scratch((QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
                          QStringLiteral("/kav-deflib-XXXXXX"));
    if (!scratch.isValid()) {
        std::fprintf(stderr, "kav-makedeflib: no scratch folder\n");
        return 1;
    }
    Builder b(scratch.path());
    images(b);
    backgrounds(b);
    animations(b);
    const QByteArray catalogue = sounds(b);

    bool ok = b.write(appDir);
    QFile cat(appDir + "/Data/sound.txt");
    ok &= cat.open(QIODevice::WriteOnly) && cat.write(catalogue) == catalogue.size();
    if (!ok) {
        std::fprintf(stderr, "kav-makedeflib: cannot write the library in %s\n", qPrintable(appDir));
        return 1;
    }
    std::printf("deflib: %d images, %d backgrounds, %d animations\n", b.count("image"), b.count("bkd"), b.count("anim"));
    return 0;
}
