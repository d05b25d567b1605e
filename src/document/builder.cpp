#include "document/builder.h"

#include "core/errors.h"
#include "document/document.h"
#include "core/safefile.h"

#include <QDir>
#include <QFile>

namespace kav::Build {

void CopySampleMedia(const QString& appDir, const QString& workDir)
{
    const QList<QPair<QString, QString>> folders = {{QStringLiteral("Sample Media/Images"), QStringLiteral("Image")},
                                                    {QStringLiteral("Sample Media/Animation"), QStringLiteral("Animation")},
                                                    {QStringLiteral("Sample Media/Sound"), QStringLiteral("Sound")}};
    for (const auto& [from, to] : folders) {
        QDir src(appDir + from);
        for (const QString& f : src.entryList(QDir::Files)) {
            const QString target = workDir + to + QLatin1Char('/') + f;
            QFile in(src.filePath(f));
            if (!in.open(QIODevice::ReadOnly))
                throw UserError(QStringLiteral("Cannot copy %1 to %2: %3").arg(src.filePath(f), target, in.errorString()));
            WriteFileSafely(target, in.readAll());
        }
    }
}

TItemBase* AddItem(TScene* scene, std::unique_ptr<TGfxItemBase> graphic)
{
    auto item = std::make_unique<TItemBase>(scene);
    item->AttachGraphic(std::move(graphic));
    auto* raw = static_cast<TItemBase*>(scene->Items.Add(std::move(item)));
    scene->NumberItem(raw);
    return raw;
}

TItemBase* AddImage(TScene* scene, const QString& media)
{
    TItemBase* item = AddItem(scene, std::make_unique<TItemImage>());
    item->Graphic->SetMedia(Doc().ImageFolder(), media, 1);
    item->ResetPosition();
    return item;
}

TItemBase* AddAnim(TScene* scene, const QString& media, int frames, int tempo)
{
    auto gfx = std::make_unique<TItemAnim>();
    gfx->Tempo = std::max(1, tempo);
    gfx->AnimTempoLoop = 0;
    TItemBase* item = AddItem(scene, std::move(gfx));
    item->Graphic->SetMedia(Doc().AnimFolder(), media, frames);
    item->ResetPosition();
    return item;
}

TItemBase* AddText(TScene* scene, const QStringList& lines, const TextStyle& look)
{
    auto gfx = std::make_unique<TItemText>();
    TItemText* t = gfx.get();
    TItemBase* item = AddItem(scene, std::move(gfx));
    t->SetFontName(look.font);
    t->SetSize(look.size);
    t->SetTextStyle(look.style);
    t->SetSpacing(look.spacing);
    t->SetTextColor(look.colour);
    t->SetLines(lines);
    for (TTextEffect e : {teBlink, TeTolaat, teElastic, teTypeWriter, teShrink})
        t->SetEffect(e, (look.effects & e) != 0);
    t->EffectsEnabled = look.effects != 0;
    t->SetEffectDelay(look.delay);
    t->Layout();
    item->ResetPosition();
    return item;
}

void SetAnchorPath(TItemBase* item, const QList<QPoint>& anchors, int type, int repeat, int speed)
{
    QList<TStagePoint> pts;
    for (int i = 0; i < anchors.size(); ++i) {
        if (i > 0) {
            const QPoint mid = (anchors[i - 1] + anchors[i]) / 2;
            pts.append(TStagePoint(mid.x(), mid.y() + (i % 2 ? -12 : 12)));
        }
        pts.append(TStagePoint(anchors[i].x(), anchors[i].y()));
    }
    item->Path.PathPoints = pts;
    item->Path.PathType = uint8_t(type);
    item->Path.RepeatCount = repeat;
    item->Path.Speed = speed;
    item->Path.Resample();
    item->ResetPosition();
    item->LayoutEventMarkers();
}

void PlaceAt(TItemBase* item, QPoint p)
{
    item->Path.PathPoints = {TStagePoint(p.x(), p.y())};
    item->Path.PathSamples.clear();
    item->Path.PathLengths.clear();
    item->ResetPosition();
    item->LayoutEventMarkers();
}

TTimeActions* EventAt(TItemBase* item, int frame)
{
    int f = frame;
    if (TTimeActions* e = item->TimedEventAtFrame(f))
        return e;
    auto ev = std::make_unique<TTimeActions>(item);
    ev->Time = uint32_t(frame) << 16;
    TTimeActions* raw = ev.get();
    item->InsertTimedEvent(std::move(ev));
    return raw;
}

} // namespace kav::Build
