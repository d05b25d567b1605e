#pragma once
#include "core/baseobject.h"
#include "core/maskedbitmap.h"
#include "events/actionbase.h"

#include <QPainter>
#include <QRect>

namespace kav {

class TItemBase;

inline const char* const kDefaultCursor = "deflib/cursors/00";

// The cursor list of the data folder: "deflib/cursors/<file>" with its number.
int CursorNumber(const QString& cursorName);
void SetCursorTable(const QList<QPair<QString, int>>& table);

// The look of an item: what it draws, where it is opaque, its user events and cursor.
class TGfxItemBase : public TBaseObject {
public:
    explicit TGfxItemBase(TBaseObject* owner = nullptr);
    ~TGfxItemBase() override;
    static QString StaticClassName() { return QStringLiteral("graphic"); }

    QString Cursor = QLatin1String(kDefaultCursor);
    int CursorId = 0;
    TMaskedBitmap* CursorBitmap = nullptr;
    TBaseObjectCont UserEvents;      // actions played on a click; their Owner is the item
    TActionBase* ActionOwner = nullptr;
    bool AddedByUserEvent = false;

    TItemBase* Item() const;

    void Load(TTextStr& s) override;
    void Save(TTextStr& s, const QString& indent) override;

    void SetCursor(const QString& name);
    int PropertySpeed() const;
    void SetPropertySpeed(int v);

    virtual void CollectMedia(TMediaList& list) const;
    virtual QString GetMediaName() const { return QString(); }
    virtual void SetItemName(const QString& name);
    virtual void Draw(QPainter& p, DrawStyle style) const { (void)p, (void)style; }
    virtual bool ContainsPoint(int x, int y) const { (void)x, (void)y; return false; }
    virtual QRect GetBounds() const { return QRect(0, 0, Width(), Height()); }
    virtual void DrawAt(QPainter& p, QPoint at) const { (void)p, (void)at; }
    virtual bool HitPixel(int x, int y) const { (void)x, (void)y; return true; }
    virtual int Width() const { return 10; }
    virtual int Height() const { return 10; }
    virtual void SetMedia(const QString& folder, const QString& name, int frameCount) { (void)folder, (void)name, (void)frameCount; }
    virtual void ResetPlayback();
    virtual void Rewind() {}
    // Moves the graphic's own animation to the time (frames since the item started).
    virtual int Advance(int time) { (void)time; return 0; }

protected:
    // Reads the record part shared by every graphic (user events, cursor).
    void LoadGraphicPart(TTextStr& s);
    void SaveGraphicPart(TTextStr& s, const QString& indent);
};

} // namespace kav
