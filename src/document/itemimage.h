#pragma once
#include "document/gfxitem.h"

namespace kav {

// A still image from the project's image folder.
class TItemImage : public TGfxItemBase {
public:
    KAV_CLASS_NAME(TItemImage)
    explicit TItemImage(TBaseObject* owner = nullptr);
    ~TItemImage() override;

    QString MediaName;
    TMaskedBitmap* Bitmap = nullptr;

    QString ClassDesc() const override { return QStringLiteral("Image"); }
    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

    void CollectMedia(TMediaList& list) const override;
    QString GetMediaName() const override { return MediaName; }
    void SetItemName(const QString& name) override;
    void Draw(QPainter& p, DrawStyle style) const override;
    bool ContainsPoint(int x, int y) const override;
    void DrawAt(QPainter& p, QPoint at) const override;
    bool HitPixel(int x, int y) const override;
    int Width() const override { return Bitmap ? Bitmap->FrameWidth() : 0; }
    int Height() const override { return Bitmap ? Bitmap->FrameHeight() : 0; }
    void SetMedia(const QString& folder, const QString& name, int frameCount) override;

    virtual int CurrentFrame() const { return 0; }
    // Shows the mirrored copy of the media: "name_flip" beside "name" (made when missing), and
    // back again from "name_flip" to "name". Throws UserError when the copy cannot be written.
    void Flip();
    // The folder the media comes from.
    virtual QString MediaFolder() const;
    virtual int FrameCountForFlip() const { return 1; }

protected:
    // Cache key: the file's folder and kind, so that images and animations may share a media
    // name and two projects never share a picture by its name alone.
    virtual QString CacheKey(const QString& folder, const QString& name) const
    {
        return QStringLiteral("Image|") + folder + name;
    }
    void ApplyStoredName(TTextStr& s, const QString& stored, const QString& folder, int frameCount);
    QString StoredName() const;
    void ReleaseBitmap();
    // The media this item counts as a use of (see NoteMediaUse), given up by ReleaseBitmap.
    void NoteUse(const QString& folder, const QString& name);

private:
    QString m_usedFolder;
    QString m_usedName;
};

// An animation strip from the project's animation folder.
class TItemAnim : public TItemImage {
public:
    KAV_CLASS_NAME(TItemAnim)
    explicit TItemAnim(TBaseObject* owner = nullptr);

    int32_t Tempo;
    int32_t AnimTempoLoop;
    int FrameIndex = 0;
    int FrameCountStored = 1;

    QString ClassDesc() const override { return QStringLiteral("Animation"); }
    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

    void SetMedia(const QString& folder, const QString& name, int frameCount) override;
    void SetTempo(int32_t tempo);  // also the default for new animations
    int CurrentFrame() const override { return FrameIndex; }
    QString MediaFolder() const override;
    int FrameCountForFlip() const override { return FrameCountStored; }
    void ResetPlayback() override;
    void Rewind() override { FrameIndex = 0; }
    int Advance(int time) override;

protected:
    QString CacheKey(const QString& folder, const QString& name) const override
    {
        return QStringLiteral("Animation|%1|%2%3").arg(FrameCountStored).arg(folder, name);
    }
};

} // namespace kav
