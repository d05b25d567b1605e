#include "core/maskedbitmap.h"

#include "core/colors.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>

namespace kav {

QImage ReadImageFile(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    // A hostile header must not make us allocate gigabytes.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > 64LL * 1024 * 1024)
        return QImage();
    QImage img = reader.read();
    return img;
}

QImage TMaskedBitmap::Placeholder()
{
    static const QImage placeholder = [] {
        const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/Data/dummy.bmp");
        QImage img = ReadImageFile(file);
        if (!img.isNull())
            return img.convertToFormat(QImage::Format_RGB32);
        // Without the installed file: a grey box with a cross, the same picture the build makes.
        QImage drawn(32, 32, QImage::Format_RGB32);
        drawn.fill(QColor(192, 192, 192));
        QPainter p(&drawn);
        p.setPen(QColor(128, 128, 128));
        p.drawRect(0, 0, 31, 31);
        p.drawLine(0, 0, 31, 31);
        p.drawLine(31, 0, 0, 31);
        return drawn;
    }();
    return placeholder;
}

void TMaskedBitmap::AddFrames(const QImage& image, int frameWidth, int frameHeight, uint32_t transparentColor)
{
    if (image.isNull() || frameWidth <= 0 || frameHeight <= 0)
        return;
    if (m_frames.isEmpty()) {
        m_frameWidth = frameWidth;
        m_frameHeight = frameHeight;
        m_transparent = transparentColor;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const QRgb key = ToArgb(m_transparent) & 0x00FFFFFF;
    for (int x = 0; x + m_frameWidth <= rgb.width(); x += m_frameWidth) {
        QImage frame = rgb.copy(x, 0, m_frameWidth, std::min(m_frameHeight, rgb.height()))
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (frame.height() < m_frameHeight) {
            QImage padded(m_frameWidth, m_frameHeight, QImage::Format_ARGB32_Premultiplied);
            padded.fill(Qt::transparent);
            QPainter(&padded).drawImage(0, 0, frame);
            frame = padded;
        }
        for (int y = 0; y < frame.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int i = 0; i < frame.width(); ++i)
                if ((line[i] & 0x00FFFFFF) == key)
                    line[i] = 0;
        }
        m_frames.append(frame);
    }
}

void TMaskedBitmap::UsePlaceholder(uint32_t transparentColor)
{
    m_frames.clear();
    // Every new image item shows the placeholder until its media is set, and the cache lets
    // it go again when the media arrives: cut it once for each transparent colour.
    static QHash<uint32_t, QList<QImage>> cut;
    const auto it = cut.constFind(transparentColor);
    if (it != cut.constEnd() && !it->isEmpty()) {
        m_frames = *it;
        m_frameWidth = m_frames.first().width();
        m_frameHeight = m_frames.first().height();
        m_transparent = transparentColor;
    } else {
        const QImage ph = Placeholder();
        AddFrames(ph, ph.width(), ph.height(), transparentColor);
        cut.insert(transparentColor, m_frames);
    }
    m_placeholder = true;
}

namespace {
TMaskedBitmap::LibraryReader& libraryReader()
{
    static TMaskedBitmap::LibraryReader reader;
    return reader;
}
} // namespace

void TMaskedBitmap::SetLibraryReader(LibraryReader reader) { libraryReader() = std::move(reader); }

QImage TMaskedBitmap::ReadLibraryImage(const QString& reference)
{
    return libraryReader() && !reference.isEmpty() ? libraryReader()(reference) : QImage();
}

void TMaskedBitmap::LoadImage(const QString& path, uint32_t transparentColor)
{
    m_frames.clear();
    m_placeholder = false;
    QImage img = QFileInfo(path).isFile() ? ReadImageFile(path) : ReadLibraryImage(path);
    if (img.isNull()) {
        UsePlaceholder(transparentColor);
        return;
    }
    AddFrames(img, img.width(), img.height(), transparentColor);
}

void TMaskedBitmap::LoadAnimation(const QString& folder, const QString& name, int frameCount, uint32_t transparentColor)
{
    m_frames.clear();
    m_placeholder = false;
    const QString path = folder + name + QStringLiteral(".bmp");
    QImage img = QFileInfo(path).isFile() ? ReadImageFile(path) : QImage();
    if (img.isNull() || frameCount <= 0 || img.width() / frameCount <= 0) {
        UsePlaceholder(transparentColor);
        return;
    }
    AddFrames(img, img.width() / frameCount, img.height(), transparentColor);
    while (m_frames.size() > frameCount)
        m_frames.removeLast();
}

void TMaskedBitmap::DrawFrame(QPainter& p, int x, int y, int frame, DrawStyle style) const
{
    if (frame < 0 || frame >= m_frames.size())
        return;
    const QImage& img = m_frames[frame];
    if (style == DrawStyle::Transparent) {
        p.drawImage(x, y, img);
        return;
    }
    // Greyed and mask drawing keep the shape and paint it in one colour.
    QImage shape = img;
    QPainter sp(&shape);
    sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
    sp.fillRect(shape.rect(), style == DrawStyle::Greyed ? QColor(192, 192, 192) : QColor(0, 0, 0));
    sp.end();
    p.drawImage(x, y, shape);
}

uint32_t TMaskedBitmap::PixelAt(int frame, int x, int y) const
{
    if (frame < 0 || frame >= m_frames.size())
        return m_transparent;
    const QImage& img = m_frames[frame];
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height())
        return m_transparent;
    const QRgb px = img.pixel(x, y);
    if (qAlpha(px) == 0)
        return m_transparent;
    return FromQColor(QColor(px));
}

} // namespace kav
