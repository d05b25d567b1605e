#pragma once
#include "core/baseobject.h"

#include <QPainter>
#include <QRect>

namespace kav {

class TMaskedBitmap;

enum TTileStyle : int32_t { tsTile = 0, tsBackground = 1 };

// A scene's background: colour, optional image tiled or centred, optional border.
class TStage : public TBaseObject {
public:
    KAV_CLASS_NAME(TStage)
    explicit TStage(TBaseObject* owner = nullptr);
    ~TStage() override;

    uint32_t Color;
    QString BackgroundImage;
    int32_t TileStyle;
    uint32_t BorderColor;
    int32_t BorderWidth;
    bool BorderVisible;
    TMaskedBitmap* Bitmap = nullptr;  // shared through the media cache
    bool HideBackground = false;
    uint32_t CurrentColor;

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

    void SetTileStyle(int32_t style);  // also the default for new stages
    // An empty name removes the image. The image comes from folder + name + ".bmp".
    void SetBackground(const QString& folder, const QString& name);
    void RemoveBackground() { SetBackground(QString(), QString()); }
    void ResetPlayback();

    // Paints the clip rectangle; W x H is the stage.
    void DrawBackground(QPainter& p, const QRect& clip, int stageWidth, int stageHeight) const;
    void DrawBorder(QPainter& p, const QRect& clip) const;
    // The area inside the border (the whole stage without a visible border).
    QRect InnerArea(int stageWidth, int stageHeight) const;

private:
    // The background counted as a use of the image magazine (see NoteMediaUse).
    QString m_usedFolder;
    QString m_usedName;
};

} // namespace kav
