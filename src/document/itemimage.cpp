#include "document/itemimage.h"

#include "config/settings.h"
#include "core/mediacache.h"
#include "core/textstr.h"
#include "document/document.h"
#include "document/item.h"
#include "core/limits.h"
#include "document/scene.h"
#include "document/cardrecords.h"
#include "core/errors.h"
#include "core/safefile.h"
#include "ui/langstrings.h"

#include <QFileInfo>
#include <QPainter>

namespace kav {

TItemImage::TItemImage(TBaseObject* owner) : TGfxItemBase(owner)
{
    // A new image shows the placeholder until media is chosen.
    MediaName = QStringLiteral("Dummy");
    Bitmap = MediaCache().Acquire(QStringLiteral("DummyBmp"), [] {
        auto bmp = std::make_unique<TMaskedBitmap>();
        bmp->LoadImage(QString(), Doc().TransparentColor);
        return bmp;
    });
}

TItemImage::~TItemImage() { ReleaseBitmap(); }

void TItemImage::ReleaseBitmap()
{
    MediaCache().Release(Bitmap);
    Bitmap = nullptr;
    if (!m_usedName.isEmpty())
        NoteMediaUse(m_usedFolder, m_usedName, -1);
    m_usedFolder.clear();
    m_usedName.clear();
}

void TItemImage::NoteUse(const QString& folder, const QString& name)
{
    m_usedFolder = folder;
    m_usedName = name;
    NoteMediaUse(folder, name, +1);
}

QString TItemImage::StoredName() const
{
    const TItemBase* item = Item();
    return MediaName + QLatin1Char(';') + (item ? item->Name : QString());
}

void TItemImage::ApplyStoredName(TTextStr& s, const QString& stored, const QString& folder, int frameCount)
{
    const qsizetype semi = stored.indexOf(QLatin1Char(';'));
    const QString media = semi < 0 ? stored : stored.left(semi);
    const QString name = semi < 0 ? QString() : stored.mid(semi + 1);
    // The file must lie in the project's own folder: a name that leaves it would read (and the
    // export would publish) any picture of the disk.
    if (!media.isEmpty() && !Limits::IsPlainMediaName(media))
        s.Fail(QStringLiteral("item '%1': the media name '%2' does not name a file of the project's %3 folder")
                   .arg((name.isEmpty() ? media : name).left(80), media.left(200), ClassDesc()));
    SetMedia(folder, media, frameCount);
    if (!name.isEmpty())
        SetItemName(name);
}

void TItemImage::Load(TTextStr& s)
{
    LoadGraphicPart(s);
    ApplyStoredName(s, s.ReadString(), Doc().ImageFolder(), 1);
}

void TItemImage::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        WriteCardText(s, in, RegisterExportImage(MediaName, false) + QStringLiteral(".gif"));
        s.WriteInteger(in, 0);
        s.WriteInteger(in, 0);
        s.WriteInteger(in, Width());
        s.WriteInteger(in, Height());
        s.WriteInteger(in, 1);
        return;
    }
    SaveGraphicPart(s, indent);
    s.WriteString(Deeper(indent), QuotedWhenNeeded(StoredName()));
}

void TItemImage::SetMedia(const QString& folder, const QString& name, int)
{
    if (name == MediaName && Bitmap && !Bitmap->IsPlaceholder())
        return;
    ReleaseBitmap();
    MediaName = name;
    Bitmap = MediaCache().Acquire(CacheKey(folder, name), [&] {
        auto bmp = std::make_unique<TMaskedBitmap>();
        bmp->LoadImage(folder + name + QStringLiteral(".bmp"), Doc().TransparentColor);
        return bmp;
    });
    NoteUse(folder, name);
    SetItemName(QString());
    if (TItemBase* item = Item())
        if (TScene* scene = item->Scene())
            scene->NumberItem(item);
}

void TItemImage::CollectMedia(TMediaList& list) const
{
    TGfxItemBase::CollectMedia(list);
    list.append({MediaName, 0});
}

void TItemImage::SetItemName(const QString& name)
{
    if (TItemBase* item = Item())
        item->Name = name.isEmpty() ? MediaName : name;
}

void TItemImage::Draw(QPainter& p, DrawStyle style) const
{
    const TItemBase* item = Item();
    if (!Bitmap || !item)
        return;
    Bitmap->DrawFrame(p, item->X - item->HotSpotX, item->Y - item->HotSpotY, CurrentFrame(), style);
}

bool TItemImage::ContainsPoint(int x, int y) const
{
    const TItemBase* item = Item();
    if (!Bitmap || !item)
        return false;
    const int dx = x - (item->X - item->HotSpotX), dy = y - (item->Y - item->HotSpotY);
    return dx >= 0 && dy >= 0 && dx < Bitmap->FrameWidth() && dy < Bitmap->FrameHeight();
}

void TItemImage::DrawAt(QPainter& p, QPoint at) const
{
    if (Bitmap)
        Bitmap->Draw(p, at.x(), at.y());
}

bool TItemImage::HitPixel(int x, int y) const
{
    if (!Bitmap)
        return false;
    if (x < 0 || y < 0 || x >= Bitmap->FrameWidth() || y >= Bitmap->FrameHeight())
        return false;
    return (Bitmap->PixelAt(CurrentFrame(), x, y) & 0xFFFFFF) != (Doc().TransparentColor & 0xFFFFFF);
}

QString TItemImage::MediaFolder() const { return Doc().ImageFolder(); }
QString TItemAnim::MediaFolder() const { return Doc().AnimFolder(); }

void TItemImage::Flip()
{
    static const QString kSuffix = QStringLiteral("_flip");
    const bool flipped = MediaName.endsWith(kSuffix);
    const QString target = flipped ? MediaName.chopped(kSuffix.size()) : MediaName + kSuffix;
    const QString folder = MediaFolder();
    const QString targetFile = folder + target + QStringLiteral(".bmp");
    if (!QFileInfo::exists(targetFile)) {
        const QImage source = ReadImageFile(folder + MediaName + QStringLiteral(".bmp"));
        if (source.isNull())
            throw UserError(GetString(QStringLiteral("Error.OpenImage"), folder + MediaName + QStringLiteral(".bmp")));
        // Each frame of a strip is mirrored in its place, so the frames keep their order.
        const int frames = std::max(1, FrameCountForFlip());
        const int fw = source.width() / frames;
        QImage out(source.size(), QImage::Format_RGB32);
        out.fill(Qt::black);
        QPainter p(&out);
        for (int f = 0; f < frames; ++f)
            p.drawImage(f * fw, 0, source.copy(f * fw, 0, fw, source.height()).mirrored(true, false));
        p.end();
        TSafeFile file(targetFile);
        file.Open();
        if (!out.save(&file, "BMP") && !file.Failed())
            throw UserError(GetString(QStringLiteral("Error.SaveImage"), targetFile));
        file.Commit();
    }
    SetMedia(folder, target, FrameCountForFlip());
}

// ---------------------------------------------------------------------------------------------
TItemAnim::TItemAnim(TBaseObject* owner)
    : TItemImage(owner), Tempo(std::max(1, settings().AnimTempo)), AnimTempoLoop(settings().AnimLoop)
{
}

void TItemAnim::Load(TTextStr& s)
{
    LoadGraphicPart(s);
    Tempo = s.ReadInteger();
    if (Tempo < 1)
        Tempo = 1;  // the frame formula divides by it
    AnimTempoLoop = s.ReadInteger();
    if (AnimTempoLoop < 0)
        AnimTempoLoop = 0;
    int frames = s.ReadInteger();
    if (frames < 1 || frames > 10000)
        s.Fail(QStringLiteral("an animation needs 1 to 10000 frames, not %1").arg(frames));
    ApplyStoredName(s, s.ReadString(), Doc().AnimFolder(), frames);
}

void TItemAnim::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        WriteCardText(s, in, RegisterExportImage(MediaName, true) + QStringLiteral(".gif"));
        s.WriteInteger(in, 0);
        s.WriteInteger(in, 0);
        s.WriteInteger(in, Width());
        s.WriteInteger(in, Height());
        // A strip that could not be read is exported as the placeholder, one frame, as the editor
        // shows it. The tenth marks a strip that plays once.
        const int frames = Bitmap && Bitmap->IsPlaceholder() ? 1 : FrameCountStored;
        s.WriteFloat(in, frames + (AnimTempoLoop == 1 ? 0.1 : 0.0));
        return;
    }
    SaveGraphicPart(s, indent);
    const QString in = Deeper(indent);
    s.WriteInteger(in, Tempo);
    s.WriteInteger(in, AnimTempoLoop);
    s.WriteInteger(in, FrameCountStored);
    s.WriteString(in, QuotedWhenNeeded(StoredName()));
}

void TItemAnim::SetMedia(const QString& folder, const QString& name, int frameCount)
{
    if (name == MediaName && frameCount == FrameCountStored && Bitmap && !Bitmap->IsPlaceholder())
        return;
    ReleaseBitmap();
    MediaName = name;
    FrameCountStored = std::max(1, frameCount);
    Bitmap = MediaCache().Acquire(CacheKey(folder, name), [&] {
        auto bmp = std::make_unique<TMaskedBitmap>();
        bmp->LoadAnimation(folder, name, FrameCountStored, Doc().TransparentColor);
        return bmp;
    });
    NoteUse(folder, name);
    FrameIndex = 0;
    SetItemName(QString());
    if (TItemBase* item = Item())
        if (TScene* scene = item->Scene())
            scene->NumberItem(item);
}

void TItemAnim::SetTempo(int32_t tempo)
{
    Tempo = std::max(1, tempo);
    settings().AnimTempo = Tempo;
}

void TItemAnim::ResetPlayback()
{
    TGfxItemBase::ResetPlayback();
    FrameIndex = 0;
}

int TItemAnim::Advance(int time)
{
    const int frames = Bitmap ? Bitmap->FrameCount() : 0;
    if (frames == 0)
        return 0;
    const TItemBase* item = Item();
    int t = time;
    if (item)
        t = item->Frozen ? item->FreezeFrame : time - item->AnimOffset;
    const int steps = std::max(0, t) / Tempo;
    if (AnimTempoLoop != 0 && steps / frames >= AnimTempoLoop) {
        FrameIndex = frames - 1;
        return frames;
    }
    FrameIndex = steps % frames;
    return steps / frames;
}

} // namespace kav
