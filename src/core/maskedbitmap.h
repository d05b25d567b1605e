#pragma once
#include "core/baseobject.h"

#include <QImage>
#include <QList>
#include <QPainter>

#include <functional>

namespace kav {

// How a bitmap is drawn: the frame with its transparent colour left out, the frame in silver
// where it is opaque (items greyed out in the editor), or its mask alone.
enum class DrawStyle { Transparent, Greyed, Mask };

// One image or animation strip cut into frames of one size. Pixels of the transparent colour
// become fully transparent, so drawing composes the frame over whatever lies below.
class TMaskedBitmap : public TBaseObject {
public:
    KAV_CLASS_NAME(TMaskedBitmap)
    explicit TMaskedBitmap(TBaseObject* owner = nullptr) : TBaseObject(owner) {}

    // Cuts the image into frames of the given size (the first call fixes the size).
    void AddFrames(const QImage& image, int frameWidth, int frameHeight, uint32_t transparentColor);
    // A still image from a file or a library reference; the placeholder when nothing can be read.
    void LoadImage(const QString& path, uint32_t transparentColor);
    // folder + name + ".bmp" cut into frameCount frames; the placeholder as one frame on failure.
    void LoadAnimation(const QString& folder, const QString& name, int frameCount, uint32_t transparentColor);

    int FrameWidth() const { return m_frameWidth; }
    int FrameHeight() const { return m_frameHeight; }
    int FrameCount() const { return int(m_frames.size()); }
    bool IsPlaceholder() const { return m_placeholder; }
    const QImage& Frame(int i) const { return m_frames.at(i); }

    void Draw(QPainter& p, int x, int y, DrawStyle style = DrawStyle::Transparent) const { DrawFrame(p, x, y, 0, style); }
    void DrawFrame(QPainter& p, int x, int y, int frame, DrawStyle style = DrawStyle::Transparent) const;
    // The colour at (x, y) of a frame drawn over the transparent colour (document colour form).
    uint32_t PixelAt(int frame, int x, int y) const;

    // The program's placeholder image (Data/dummy.bmp, or a drawn one when that is missing).
    static QImage Placeholder();

    // Media named by a library reference rather than a file ("deflib/cursors/00"): the media
    // layer sets the reader. Without one, or when it finds nothing, the picture is null.
    using LibraryReader = std::function<QImage(const QString& reference)>;
    static void SetLibraryReader(LibraryReader reader);
    static QImage ReadLibraryImage(const QString& reference);

private:
    void UsePlaceholder(uint32_t transparentColor);

    QList<QImage> m_frames;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    uint32_t m_transparent = 0x00FF00;
    bool m_placeholder = false;
};

// Reads an image file; formats by content (BMP, GIF, JPEG, PNG). Null when unreadable.
QImage ReadImageFile(const QString& path);

} // namespace kav
