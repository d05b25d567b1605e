#include "editor/stagerenderer.h"

#include "config/settings.h"
#include "core/colors.h"
#include "core/maskedbitmap.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "core/limits.h"
#include "document/scene.h"
#include "events/actionbase.h"
#include "events/timeactions.h"

#include <QPainter>

namespace kav {

QRect TStageRenderer::InnerStage(const TScene* scene, int w, int h)
{
    const TStage* st = scene->Stage.get();
    if (!st->BorderVisible)
        return QRect(0, 0, w, h);
    const int b = Limits::BorderWidth(st->BorderWidth);
    const QRect inner(b, b, w - 2 * b, h - 2 * b);
    return inner.isEmpty() ? QRect(w / 2, h / 2, 0, 0) : inner;
}

bool TStageRenderer::ItemDrawn(const TItemBase* item, const TStageView& view, bool* greyed)
{
    *greyed = false;
    if (view.playing)
        return item->Visible;
    if (item->KeepShown)
        return true;
    if (item->AddedByUserEvent && item->ActionOwner) {
        const TBaseObject* adder = item->ActionOwner->Owner;
        return item == view.selected || (view.selected && adder == view.selected);
    }
    if (item->Visible)
        return true;
    if (item->Active || item == view.selected) {
        *greyed = true;
        return true;
    }
    return false;
}

void TStageRenderer::DrawOverlay(QPainter& p, TItemBase* item, uint32_t stageColor, bool showMarkers)
{
    if (item->Path.HasCurve())
        DrawPath(p, item->Path, stageColor);
    if (showMarkers) {
        const QColor outline = ToQColor(settings().StdBorderColor);
        for (int i = 0; i < item->EventCount(); ++i) {
            const TTimeActions* e = item->Event(i);
            if (e->MarkerSample < 0)
                continue;
            p.fillRect(e->MarkerX - 4, e->MarkerY - 4, 8, 8, QColor(0, 0, 128));
            p.setPen(outline);
            p.setBrush(Qt::NoBrush);
            p.drawRect(e->MarkerX - 4, e->MarkerY - 4, 8, 8);
        }
        // Events beyond the end of the path stand in a column below the event bar.
        for (int i = 0; i < item->EventCount(); ++i) {
            const TTimeActions* e = item->Event(i);
            if (e->MarkerSample >= 0)
                continue;
            p.fillRect(e->MarkerX - 4, e->MarkerY - 4, 8, 8, QColor(0, 0, 128));
            p.setPen(outline);
            p.drawRect(e->MarkerX - 4, e->MarkerY - 4, 8, 8);
        }
    }
    // The event bar: path, timed event and user event buttons.
    const QRect bar = item->EventBar;
    static const char* const labels[3] = {"P", "T", "U"};
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    for (int k = 0; k < 3; ++k) {
        const QRect box(bar.left(), bar.top() + 20 * k, 20, 20);
        p.fillRect(box, QColor(236, 236, 236));
        p.setPen(QColor(96, 96, 96));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.drawText(box, Qt::AlignCenter, QLatin1String(labels[k]));
    }
    // The item's outline.
    const TBox b = item->BoundingBox();
    p.setPen(QPen(ToQColor(settings().StdBorderColor), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(b.left, b.top, b.right - b.left - 1, b.bottom - b.top - 1);
}

void TStageRenderer::Compose(QImage& target, TScene* scene, int w, int h, const TStageView& view)
{
    if (target.size() != QSize(w, h) || target.format() != QImage::Format_ARGB32_Premultiplied)
        target = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    if (!scene) {
        target.fill(Qt::white);
        return;
    }
    const TStage* st = scene->Stage.get();
    QPainter p(&target);
    const QRect inner = InnerStage(scene, w, h);
    p.setClipRect(inner);
    if (st->HideBackground) {
        p.fillRect(QRect(0, 0, w, h), ToQColor(st->CurrentColor));
    } else {
        const BackgroundKey key{scene, st->CurrentColor, st->Bitmap, st->TileStyle, w, h};
        if (!(key == m_backgroundKey) || m_background.isNull()) {
            m_background = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
            QPainter bp(&m_background);
            st->DrawBackground(bp, QRect(0, 0, w, h), w, h);
            m_backgroundKey = key;
        }
        p.drawImage(0, 0, m_background);
    }
    for (int i = 0; i < scene->ItemCount(); ++i) {
        TItemBase* item = scene->Item(i);
        if (item == view.without || !item->Graphic)
            continue;
        bool greyed = false;
        if (ItemDrawn(item, view, &greyed))
            item->Graphic->Draw(p, greyed ? DrawStyle::Greyed : DrawStyle::Transparent);
    }
    if (!view.playing && view.selected && view.selected != view.without)
        DrawOverlay(p, view.selected, st->CurrentColor, view.showEventMarkers);
    p.setClipping(false);
    st->DrawBorder(p, QRect(0, 0, w, h));
    if (!view.playing && !view.selected && view.backgroundChosen) {
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, w - 1, h - 1);
        p.setPen(Qt::white);
        p.drawRect(1, 1, w - 3, h - 3);
    }
    if (view.playing && view.hoverCursor)
        view.hoverCursor->Draw(p, view.mouse.x() + 10, view.mouse.y() + 2);
}

} // namespace kav
