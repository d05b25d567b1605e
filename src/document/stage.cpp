#include "document/stage.h"

#include "app/settings.h"
#include "core/colors.h"
#include "core/maskedbitmap.h"
#include "core/mediacache.h"
#include "core/textstr.h"
#include "document/document.h"
#include "export/cardstring.h"

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

TStage::~TStage() { MediaCache().Release(Bitmap); }

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
        s.WriteInteger(in, 1 - TileStyle);
        s.WriteInteger(in, ToCardRgb(BorderColor));
        s.WriteInteger(in, BorderVisible ? BorderWidth : 0);
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
    BackgroundImage = name;
    if (name.isEmpty())
        return;
    // Keyed by folder and name: an image and an animation may share a name.
    Bitmap = MediaCache().Acquire(QStringLiteral("Image/") + name, [&] {
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
    if (clip.width() / 2 >= BorderWidth && clip.height() / 2 >= BorderWidth) {
        for (int k = 0; k < BorderWidth; ++k) {
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
    if (BorderVisible)
        area.adjust(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth);
    return area;
}

} // namespace kav
