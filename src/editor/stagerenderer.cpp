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
#include <QPainterPath>

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

namespace {
// A line that shows on any background: a light line under a dark dashed one.
void DrawTwoTone(QPainter& p, const QRect& r)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255), 1));
    p.drawRect(r);
    QPen dash(QColor(0, 0, 0), 1, Qt::CustomDashLine);
    dash.setDashPattern({3, 3});
    p.setPen(dash);
    p.drawRect(r);
}
} // namespace

void TStageRenderer::DrawEventBar(QPainter& p, const QRect& bar, int hotBox)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    // From the top: the motion box, the user-event box, the timed-event box.
    static const int kinds[3] = {8, 7, 6};
    for (int k = 0; k < 3; ++k) {
        const QRectF box(bar.left() + 0.5, bar.top() + 20 * k + 0.5, 19, 19);
        const bool hot = kinds[k] == hotBox;
        p.setPen(QPen(hot ? QColor(30, 90, 200) : QColor(60, 60, 60), 1));
        p.setBrush(hot ? QColor(214, 232, 255) : QColor(248, 248, 248));
        p.drawRect(box);
        const QPointF o = box.topLeft();
        const QColor ink = hot ? QColor(20, 70, 170) : QColor(40, 40, 40);
        switch (kinds[k]) {
        case 8: {   // a path with its start and its direction
            QPainterPath path(o + QPointF(4, 14));
            path.cubicTo(o + QPointF(7, 3), o + QPointF(11, 17), o + QPointF(15, 5));
            p.setPen(QPen(ink, 1.4));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
            p.setBrush(ink);
            p.drawEllipse(o + QPointF(4, 14), 1.8, 1.8);
            QPolygonF head;
            head << o + QPointF(15.5, 3.5) << o + QPointF(16, 8.5) << o + QPointF(12, 6.5);
            p.drawPolygon(head);
            break;
        }
        case 7: {   // the mouse pointer: a click on the item
            QPolygonF arrow;
            arrow << o + QPointF(6, 3) << o + QPointF(6, 15) << o + QPointF(9, 12) << o + QPointF(11.5, 17)
                  << o + QPointF(13.5, 16) << o + QPointF(11, 11) << o + QPointF(15, 11);
            p.setPen(QPen(ink, 1));
            p.setBrush(QColor(255, 255, 255));
            p.drawPolygon(arrow);
            break;
        }
        default: {  // a clock: a point in time
            p.setPen(QPen(ink, 1.3));
            p.setBrush(QColor(255, 255, 255));
            p.drawEllipse(o + QPointF(9.5, 9.5), 6, 6);
            p.drawLine(o + QPointF(9.5, 9.5), o + QPointF(9.5, 5.5));
            p.drawLine(o + QPointF(9.5, 9.5), o + QPointF(12.5, 11));
            break;
        }
        }
    }
    p.restore();
}

void TStageRenderer::DrawOverlay(QPainter& p, TItemBase* item, uint32_t stageColor, bool showMarkers, int hotBox)
{
    if (item->Path.HasCurve()) {
        // A soft halo under the path keeps it visible over a busy background image.
        const uint32_t contrast = ContrastColor(stageColor);
        const QColor c = ColorFromRef(contrast);
        const QColor halo = qGray(c.rgb()) > 128 ? QColor(0, 0, 0, 90) : QColor(255, 255, 255, 110);
        QPolygon line;
        for (const TStagePoint& s : item->Path.PathSamples)
            line.append(s.toQPoint());
        if (item->Path.PathType == adtLoop && !line.isEmpty())
            line.append(line.first());
        p.setPen(QPen(halo, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
        DrawPath(p, item->Path, stageColor);
    }
    if (showMarkers) {
        const QColor outline = ToQColor(settings().StdBorderColor);
        // On the path first, then the column below the event bar for events beyond its end.
        for (int pass = 0; pass < 2; ++pass)
            for (int i = 0; i < item->EventCount(); ++i) {
                const TTimeActions* e = item->Event(i);
                if ((e->MarkerSample < 0) != (pass == 1))
                    continue;
                p.fillRect(e->MarkerX - 4, e->MarkerY - 4, 8, 8, QColor(0, 0, 128));
                p.setPen(outline);
                p.setBrush(Qt::NoBrush);
                p.drawRect(e->MarkerX - 4, e->MarkerY - 4, 8, 8);
            }
    }
    DrawEventBar(p, item->EventBar, hotBox);
    // The item's outline, one pixel outside its box.
    const TBox b = item->BoundingBox();
    DrawTwoTone(p, QRect(b.left - 1, b.top - 1, b.right - b.left + 1, b.bottom - b.top + 1));
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
    if (!view.playing && view.overlay && view.selected && view.selected != view.without)
        DrawOverlay(p, view.selected, st->CurrentColor, view.showEventMarkers, view.hotBox);
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
