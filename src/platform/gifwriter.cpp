#include "platform/gifwriter.h"

#include "core/colors.h"
#include "core/errors.h"
#include "core/safefile.h"

#include <QDir>
#include <QHash>

#include <gif_lib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace kav {

namespace {

constexpr int kMaxColours = 256;
constexpr int kRefineRounds = 4;   // nearly all of the gain comes in the first few

// The picture as giflib takes it: indices row by row and the colours they stand for.
struct IndexedPicture {
    int width = 0, height = 0;
    std::vector<GifColorType> colours;   // the used entries; the table is padded to a power of two
    std::vector<GifPixelType> pixels;
    int transparentIndex = NO_TRANSPARENT_COLOR;
};

GifColorType gifColour(QRgb c) { return GifColorType{GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))}; }

int tableSize(int used)
{
    int size = 2;   // a GIF colour table has at least two entries
    while (size < used)
        size *= 2;
    return size;
}

// Splits pixels into transparent ones and the opaque colour (alpha dropped) of the others.
class Keyer {
public:
    explicit Keyer(std::optional<uint32_t> transparent)
        : m_on(transparent.has_value()), m_key(m_on ? (ToArgb(*transparent) & 0xFFFFFF) : 0) {}
    bool IsTransparent(QRgb px) const { return m_on && (qAlpha(px) < 128 || (px & 0xFFFFFF) == m_key); }
    QRgb KeyColour() const { return 0xFF000000u | m_key; }

private:
    bool m_on;
    QRgb m_key;
};

const QRgb* row(const QImage& img, int y) { return reinterpret_cast<const QRgb*>(img.constScanLine(y)); }

// Every colour its own entry, in order of first appearance. False when there are more than 256.
bool indexExactly(const QImage& img, const Keyer& keyer, IndexedPicture& out)
{
    // Opaque colours are kept with alpha 0xFF, so 0 can stand for the transparent entry.
    constexpr QRgb transparentSlot = 0;
    QHash<QRgb, int> index;
    index.reserve(kMaxColours + 1);
    QRgb last = 1;   // never a key: opaque keys have alpha 0xFF
    int lastIndex = 0;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = row(img, y);
        GifPixelType* dst = out.pixels.data() + size_t(y) * img.width();
        for (int x = 0; x < img.width(); ++x) {
            const QRgb key = keyer.IsTransparent(line[x]) ? transparentSlot : (line[x] | 0xFF000000u);
            if (key != last) {
                auto it = index.constFind(key);
                if (it == index.constEnd()) {
                    if (out.colours.size() == size_t(kMaxColours))
                        return false;
                    it = index.insert(key, int(out.colours.size()));
                    if (key == transparentSlot) {
                        out.transparentIndex = it.value();
                        out.colours.push_back(gifColour(keyer.KeyColour()));
                    } else {
                        out.colours.push_back(gifColour(key));
                    }
                }
                last = key;
                lastIndex = it.value();
            }
            dst[x] = GifPixelType(lastIndex);
        }
    }
    return true;
}

// Median cut over the distinct opaque colours, weighted by how many pixels have them: the box
// with the widest channel is split at its weighted median until there are 256 boxes (255 beside
// a transparent entry); each box becomes the rounded mean of its pixels, refined below. Every
// step is a function of the picture alone, so the same picture always gives the same file.
void indexReduced(const QImage& img, const Keyer& keyer, IndexedPicture& out)
{
    struct Entry {
        QRgb rgb;
        uint32_t count;
    };
    std::vector<QRgb> all;
    all.reserve(size_t(img.width()) * img.height());
    bool anyTransparent = false;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = row(img, y);
        for (int x = 0; x < img.width(); ++x) {
            if (keyer.IsTransparent(line[x]))
                anyTransparent = true;
            else
                all.push_back(line[x] & 0xFFFFFF);
        }
    }
    std::sort(all.begin(), all.end());
    std::vector<Entry> colours;
    for (QRgb c : all) {
        if (colours.empty() || colours.back().rgb != c)
            colours.push_back({c, 0});
        ++colours.back().count;
    }
    all = {};

    auto channel = [](QRgb c, int ch) { return int((c >> (16 - 8 * ch)) & 0xFF); };
    struct Box {
        size_t begin, end;
        int widestChannel = 0, extent = 0;
    };
    auto measure = [&](Box& b) {
        b.extent = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (size_t i = b.begin; i < b.end; ++i) {
                lo = std::min(lo, channel(colours[i].rgb, ch));
                hi = std::max(hi, channel(colours[i].rgb, ch));
            }
            if (hi - lo > b.extent) {
                b.extent = hi - lo;
                b.widestChannel = ch;
            }
        }
    };

    const int room = kMaxColours - (anyTransparent ? 1 : 0);
    std::vector<Box> boxes{Box{0, colours.size()}};
    measure(boxes[0]);
    while (int(boxes.size()) < room) {
        Box* widest = nullptr;
        for (Box& b : boxes)
            if (b.end - b.begin > 1 && (!widest || b.extent > widest->extent))
                widest = &b;
        if (!widest)
            break;
        // The weighted median of the widest channel, from a histogram; values up to it go below.
        const int ch = widest->widestChannel;
        uint64_t histogram[256] = {}, total = 0;
        int lo = 255, hi = 0;
        for (size_t i = widest->begin; i < widest->end; ++i) {
            const int v = channel(colours[i].rgb, ch);
            histogram[v] += colours[i].count;
            total += colours[i].count;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        int median = lo;
        for (uint64_t running = histogram[lo]; 2 * running < total && median + 1 < hi;)
            running += histogram[++median];
        const auto middle = std::partition(colours.begin() + widest->begin, colours.begin() + widest->end,
                                           [&](const Entry& e) { return channel(e.rgb, ch) <= median; });
        const size_t cut = size_t(middle - colours.begin());
        Box upper{cut, widest->end};
        widest->end = cut;
        measure(*widest);
        measure(upper);
        boxes.push_back(upper);
    }

    // Each box's mean, then a few rounds of moving every colour to its nearest entry and taking
    // the means again: cuts along one axis leave colours closer to a neighbour's mean.
    std::vector<int> entryOf(colours.size());
    for (size_t b = 0; b < boxes.size(); ++b)
        for (size_t i = boxes[b].begin; i < boxes[b].end; ++i)
            entryOf[i] = int(b);
    std::vector<QRgb> palette(boxes.size());
    auto takeMeans = [&] {
        std::vector<uint64_t> sums(palette.size() * 4, 0);
        for (size_t i = 0; i < colours.size(); ++i) {
            uint64_t* s = &sums[size_t(entryOf[i]) * 4];
            for (int ch = 0; ch < 3; ++ch)
                s[ch] += uint64_t(channel(colours[i].rgb, ch)) * colours[i].count;
            s[3] += colours[i].count;
        }
        for (size_t e = 0; e < palette.size(); ++e) {
            const uint64_t* s = &sums[e * 4];
            if (s[3])   // an entry that lost all its colours keeps its old value
                palette[e] = qRgb(int((s[0] + s[3] / 2) / s[3]), int((s[1] + s[3] / 2) / s[3]), int((s[2] + s[3] / 2) / s[3]));
        }
    };
    takeMeans();
    auto distance = [](QRgb a, QRgb b) {
        const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
        return dr * dr + dg * dg + db * db;
    };
    std::vector<int> byGreen(palette.size());
    for (int round = 0; round < kRefineRounds; ++round) {
        // The nearest entry, searched outwards from the colour's green in the entries sorted
        // by green: entries further off in green alone cannot be nearer. Ties: the lower entry.
        for (size_t e = 0; e < palette.size(); ++e)
            byGreen[e] = int(e);
        std::sort(byGreen.begin(), byGreen.end(), [&](int a, int b) {
            return qGreen(palette[a]) != qGreen(palette[b]) ? qGreen(palette[a]) < qGreen(palette[b]) : a < b;
        });
        for (size_t i = 0; i < colours.size(); ++i) {
            const QRgb c = colours[i].rgb;
            int best = entryOf[i];
            int bestDistance = distance(c, palette[best]);
            auto consider = [&](int e) {
                const int d = distance(c, palette[e]);
                if (d < bestDistance || (d == bestDistance && e < best)) {
                    bestDistance = d;
                    best = e;
                }
            };
            const auto start = std::partition_point(byGreen.begin(), byGreen.end(),
                                                    [&](int e) { return qGreen(palette[e]) < qGreen(c); });
            for (auto it = start; it != byGreen.end(); ++it) {
                const int dg = qGreen(palette[*it]) - qGreen(c);
                if (dg * dg > bestDistance)
                    break;
                consider(*it);
            }
            for (auto it = start; it != byGreen.begin();) {
                --it;
                const int dg = qGreen(c) - qGreen(palette[*it]);
                if (dg * dg > bestDistance)
                    break;
                consider(*it);
            }
            entryOf[i] = best;
        }
        takeMeans();
    }
    QHash<QRgb, int> entryOfColour;
    entryOfColour.reserve(qsizetype(colours.size()));
    for (size_t i = 0; i < colours.size(); ++i)
        entryOfColour.insert(colours[i].rgb, entryOf[i]);
    for (QRgb c : palette)
        out.colours.push_back(gifColour(c));
    if (anyTransparent) {
        out.transparentIndex = int(out.colours.size());
        out.colours.push_back(gifColour(keyer.KeyColour()));
    }
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = row(img, y);
        GifPixelType* dst = out.pixels.data() + size_t(y) * img.width();
        for (int x = 0; x < img.width(); ++x)
            dst[x] = GifPixelType(keyer.IsTransparent(line[x]) ? out.transparentIndex : entryOfColour.value(line[x] & 0xFFFFFF));
    }
}

IndexedPicture indexPicture(const QImage& image, std::optional<uint32_t> transparent)
{
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const Keyer keyer(transparent);
    IndexedPicture pic;
    pic.width = img.width();
    pic.height = img.height();
    pic.pixels.resize(size_t(pic.width) * pic.height);
    if (!indexExactly(img, keyer, pic)) {
        pic.colours.clear();
        pic.transparentIndex = NO_TRANSPARENT_COLOR;
        indexReduced(img, keyer, pic);
    }
    return pic;
}

struct Sink {
    TSafeFile* file;
};

int writeToSink(GifFileType* gif, const GifByteType* data, int length)
{
    auto* sink = static_cast<Sink*>(gif->UserData);
    if (sink->file->write(reinterpret_cast<const char*>(data), length) != length)
        return 0;
    return length;
}

// Closes the giflib handle on every path; a half-written file is never committed anyway.
struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

void encode(const IndexedPicture& pic, Sink& sink, const QString& shown)
{
    auto fail = [&](int code) {
        // A failed write says why itself (a full disk gets its own message).
        if (sink.file->Failed())
            sink.file->ThrowFailure();
        const char* text = GifErrorString(code);
        const QString reason = QString::fromLocal8Bit(text ? text : "unknown GIF library error");
        throw WriteError(QStringLiteral("Cannot write %1: %2").arg(shown, reason), false);
    };
    int code = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&sink, writeToSink, &code));
    if (!gif)
        fail(code);
    std::unique_ptr<ColorMapObject, MapFreer> map(GifMakeMapObject(tableSize(int(pic.colours.size())), nullptr));
    if (!map)
        fail(E_GIF_ERR_NOT_ENOUGH_MEM);
    std::copy(pic.colours.begin(), pic.colours.end(), map->Colors);

    EGifSetGifVersion(gif.get(), true);
    const int background = pic.transparentIndex != NO_TRANSPARENT_COLOR ? pic.transparentIndex : 0;
    if (EGifPutScreenDesc(gif.get(), pic.width, pic.height, 8, background, map.get()) == GIF_ERROR)
        fail(gif->Error);
    if (pic.transparentIndex != NO_TRANSPARENT_COLOR) {
        const GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, pic.transparentIndex};
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_ERROR)
            fail(gif->Error);
    }
    if (EGifPutImageDesc(gif.get(), 0, 0, pic.width, pic.height, false, nullptr) == GIF_ERROR)
        fail(gif->Error);
    for (int y = 0; y < pic.height; ++y) {
        auto* line = const_cast<GifPixelType*>(pic.pixels.data() + size_t(y) * pic.width);
        if (EGifPutLine(gif.get(), line, pic.width) == GIF_ERROR)
            fail(gif->Error);
    }
    // Closing writes the trailer and frees the handle, whatever it returns.
    if (EGifCloseFile(gif.release(), &code) == GIF_ERROR)
        fail(code);
}

} // namespace

void WriteGif(const QImage& image, const QString& path, std::optional<uint32_t> transparent)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (image.isNull())
        throw UserError(QStringLiteral("Cannot write %1: the picture is empty").arg(shown));
    if (image.width() > 0xFFFF || image.height() > 0xFFFF)
        throw UserError(QStringLiteral("Cannot write %1: a GIF picture is at most 65535 pixels wide and high").arg(shown));

    const IndexedPicture pic = indexPicture(image, transparent);

    TSafeFile out(path);
    out.Open();
    Sink sink{&out};
    encode(pic, sink, shown);
    out.Commit();
}

} // namespace kav
