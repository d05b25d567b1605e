#include "document/stage.h"

#include "config/settings.h"
#include "core/colors.h"
#include "core/maskedbitmap.h"
#include "core/mediacache.h"
#include "core/textstr.h"
#include "document/document.h"
#include "core/limits.h"
#include "document/scene.h"
#include "document/cardrecords.h"

namespace kav {

TStage::TStage(TBaseObject* owner)
    : TBaseObject(owner),
      Color(settings().StageColor),
      TileStyle(settings().TileStyle),
      BorderColor(settings().BorderColor),
      BorderWidth(settings().BorderWidth),
      BorderVisible(settings().BorderVisible),
      CurrentColor(settings().StageColor)
{
}

TStage::~TStage()
{
    MediaCache().Release(Bitmap);
    NoteMediaUse(m_usedFolder, m_usedName, -1);
}

void TStage::Load(TTextStr& s)
{
    if (!s.OldFormat)
        Doc().TransparentColor = s.ReadCardinal();
    Color = s.ReadCardinal();
    CurrentColor = Color;
    const QString background = s.ReadString();
    TileStyle = s.ReadInteger();
    BorderColor = s.ReadCardinal();
    BorderWidth = s.ReadInteger();
    BorderVisible = s.ReadBoolean();
    if (!background.isEmpty() && !Limits::IsPlainMediaName(background)) {
        const auto* scene = dynamic_cast<const TScene*>(Owner);
        s.Fail(QStringLiteral("scene '%1': the background '%2' does not name a file of the project's Image folder")
                   .arg(scene ? scene->Name.left(80) : QString(), background.left(200)));
    }
    if (!background.isEmpty())
        SetBackground(Doc().ImageFolder(), background);
}

void TStage::Save(TTextStr& s, const QString& indent)
{
    if (s.Mode == smApplet) {
        const QString in = Deeper(indent);
        s.WriteInteger(in, ToCardRgb(Color));
        const QString exportName = RegisterExportBackground(BackgroundImage);
        if (BackgroundImage.isEmpty())
            s.WriteInteger(in, 0);
        else
            WriteCardText(s, in, exportName + QStringLiteral(".gif"));
        // Any style but the centred one tiles, as the editor draws it.
        s.WriteInteger(in, TileStyle == tsBackground ? 0 : 1);
        s.WriteInteger(in, ToCardRgb(BorderColor));
        s.WriteInteger(in, BorderVisible ? Limits::BorderWidth(BorderWidth) : 0);
        return;
    }
    TBaseObject::Save(s, indent);
    const QString in = Deeper(indent);
    s.WriteInteger(in, Doc().TransparentColor);
    s.WriteInteger(in, Color);
    s.WriteString(in, QuotedWhenNeeded(BackgroundImage));
    s.WriteInteger(in, TileStyle);
    s.WriteInteger(in, BorderColor);
    s.WriteInteger(in, BorderWidth);
    s.WriteBoolean(in, BorderVisible);
}

void TStage::SetTileStyle(int32_t style)
{
    TileStyle = style;
    settings().TileStyle = style;
}

void TStage::SetBackground(const QString& folder, const QString& name)
{
    MediaCache().Release(Bitmap);
    Bitmap = nullptr;
    NoteMediaUse(m_usedFolder, m_usedName, -1);
    BackgroundImage = name;
    m_usedFolder = folder;
    m_usedName = name;
    if (name.isEmpty())
        return;
    NoteMediaUse(folder, name, +1);
    // The key an image item of the same file uses: the two share the bitmap.
    Bitmap = MediaCache().Acquire(QStringLiteral("Image|") + folder + name, [&] {
        auto bmp = std::make_unique<TMaskedBitmap>();
        bmp->LoadImage(folder + name + QStringLiteral(".bmp"), Doc().TransparentColor);
        return bmp;
    });
}

void TStage::ResetPlayback()
{
    CurrentColor = Color;
    HideBackground = false;
}

void TStage::DrawBackground(QPainter& p, const QRect& clip, int w, int h) const
{
    p.fillRect(clip, ToQColor(CurrentColor));
    if (HideBackground || !Bitmap || Bitmap->FrameCount() == 0)
        return;
    const int bw = Bitmap->FrameWidth(), bh = Bitmap->FrameHeight();
    p.save();
    p.setClipRect(clip);
    if (TileStyle == tsBackground) {
        Bitmap->Draw(p, (w - bw) / 2, (h - bh) / 2);
    } else if (bw > 0 && bh > 0) {
        for (int y = 0; y < h; y += bh)
            for (int x = 0; x < w; x += bw)
                Bitmap->Draw(p, x, y);
    }
    p.restore();
}

void TStage::DrawBorder(QPainter& p, const QRect& clip) const
{
    if (!BorderVisible)
        return;
    const QColor c = ToQColor(BorderColor);
    const int width = Limits::BorderWidth(BorderWidth);
    if (clip.width() / 2 >= width && clip.height() / 2 >= width) {
        for (int k = 0; k < width; ++k) {
            const QRect r = clip.adjusted(k, k, -k, -k);
            p.fillRect(r.left(), r.top(), r.width(), 1, c);
            p.fillRect(r.left(), r.bottom(), r.width(), 1, c);
            p.fillRect(r.left(), r.top(), 1, r.height(), c);
            p.fillRect(r.right(), r.top(), 1, r.height(), c);
        }
    } else {
        p.fillRect(clip, c);
    }
}

QRect TStage::InnerArea(int w, int h) const
{
    QRect area(0, 0, w, h);
    if (BorderVisible) {
        const int b = Limits::BorderWidth(BorderWidth);
        area.adjust(b, b, -b, -b);
    }
    return area;
}

} // namespace kav
