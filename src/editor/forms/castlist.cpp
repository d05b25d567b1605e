#include "editor/forms/castlist.h"

#include "core/colors.h"
#include "document/document.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/editsession.h"
#include "editor/itemcommands.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/interstore.h"
#include "ui/langstrings.h"

#include <QMouseEvent>
#include <QPainter>

namespace kav {

namespace {

constexpr int kButtonWidth = 22;
constexpr int kLeftButtonX = 6;
constexpr int kThumbWidth = 76, kThumbHeight = 56;

const QImage& Picture(const QString& name, qreal dpr) { return LowerPanelPicture(name, dpr); }

// What a thumbnail depends on: when it is unchanged the kept picture is still right.
QString Signature(const TItemBase* item)
{
    const TGfxItemBase* g = item->Graphic;
    if (!g)
        return QString();
    QString sig = g->ClassName() + QLatin1Char('|') + QString::number(g->Width()) + QLatin1Char('x') +
                  QString::number(g->Height());
    if (const auto* image = dynamic_cast<const TItemImage*>(g))
        sig += QLatin1Char('|') + image->MediaName + QLatin1Char('|') +
               QString::number(quintptr(image->Bitmap), 16) + QLatin1Char('|') +
               QString::number(Doc().TransparentColor);
    if (const auto* text = dynamic_cast<const TItemText*>(g))
        sig += QStringLiteral("|%1|%2|%3|%4|%5|%6|")
                   .arg(text->Font.FontName)
                   .arg(text->Font.Size)
                   .arg(text->TextStyle)
                   .arg(text->Font.TextColor)
                   .arg(text->Spacing)
                   .arg(text->TextAlign) +
               text->Lines.join(QLatin1Char('\n'));
    return sig;
}

} // namespace

const QImage& LowerPanelPicture(const QString& name, qreal dpr)
{
    static QHash<QString, QImage> kept;
    // A store opened (or changed) later must not leave blanks kept from before.
    const QString key = name + QLatin1Char('@') + QString::number(dpr) + QLatin1Char('#') +
                        QString::number(InterStore().IsOpen() ? InterStore().Count() : -1);
    auto it = kept.find(key);
    if (it == kept.end())
        it = kept.insert(key, LoadInterfaceBitmap(QStringLiteral("LowerToolPanel\\") + name, dpr, QSize(8, 8)));
    return *it;
}

TCastList::TCastList(TEditSession& session, QWidget* parent) : QWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("CastPanel"));
    setMinimumHeight(kRowHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_left = new TBmpButton(this);
    m_left->setObjectName(QStringLiteral("BtnCastLeft"));
    m_left->SetBmps(QStringLiteral("LowerToolPanel\\CastLeft"), QStringLiteral("LowerToolPanel\\CastLeftR"),
                    QStringLiteral("LowerToolPanel\\CastLeftC"), QStringLiteral("LowerToolPanel\\CastLeftD"));
    m_left->setGeometry(kLeftButtonX, kSlotTop, kButtonWidth, kSlotHeight);
    m_right = new TBmpButton(this);
    m_right->setObjectName(QStringLiteral("BtnCastRight"));
    m_right->SetBmps(QStringLiteral("LowerToolPanel\\CastRight"), QStringLiteral("LowerToolPanel\\CastRightR"),
                     QStringLiteral("LowerToolPanel\\CastRightC"), QStringLiteral("LowerToolPanel\\CastRightD"));
    m_right->resize(kButtonWidth, kSlotHeight);
    connect(m_left, &TBmpButton::OnMouseDown, this, [this] { StartRepeat(-1); });
    connect(m_right, &TBmpButton::OnMouseDown, this, [this] { StartRepeat(1); });
    connect(m_left, &TBmpButton::OnMouseUp, this, [this] { StopRepeat(); });
    connect(m_right, &TBmpButton::OnMouseUp, this, [this] { StopRepeat(); });
    connect(m_left, &TBmpButton::OnLeave, this, [this] { StopRepeat(); });
    connect(m_right, &TBmpButton::OnLeave, this, [this] { StopRepeat(); });
    connect(&m_repeat, &QTimer::timeout, this, &TCastList::RepeatStep);
    InitCastList();
}

TCastList::~TCastList() = default;

int TCastList::ItemCount() const
{
    TScene* scene = m_session.CurrentScene();
    return scene ? scene->ItemCount() : 0;
}

void TCastList::InitCastList()
{
    // The right button and the curve after it close the row.
    const int leftRight = kLeftButtonX + kButtonWidth;
    const int end = kButtonWidth + 2 + Picture(QStringLiteral("CastCurve"), 1).deviceIndependentSize().toSize().width();
    const int count = std::max(1, CastPaging::SlotCount(width(), leftRight, end, kSlotWidth));
    if (count != m_slotCount) {
        // Pages keep starting at a multiple of the slot count.
        m_slotCount = count;
        m_first -= m_first % count;
        update();
    }
    const QRect last = SlotRect(m_slotCount - 1);
    m_right->move(last.right() + 3, kSlotTop);
    UpdateCastBtns();
}

QRect TCastList::SlotRect(int slot) const
{
    // Each slot overlaps the one before it by a pixel.
    return QRect(kLeftButtonX + kButtonWidth + 2 + slot * (kSlotWidth - 1), kSlotTop, kSlotWidth, kSlotHeight);
}

int TCastList::TagAt(QPoint at) const
{
    for (int i = m_slotCount - 1; i >= 0; --i)
        if (SlotRect(i).contains(at))
            return m_first + i;
    return -1;
}

void TCastList::SetFirstTag(int tag)
{
    tag = std::max(0, tag);
    if (tag == m_first)
        return;
    m_first = tag;
    UpdateCastBtns();
    update();
}

void TCastList::ScrollCast()
{
    TItemBase* item = m_session.CurrentItem();
    TScene* scene = m_session.CurrentScene();
    const int tag = (item && scene) ? scene->Items.IndexOf(item) + 1 : -1;
    if (item || m_session.BackgroundSelected())
        SetFirstTag(CastPaging::PageFor(m_first, m_slotCount, tag, m_session.BackgroundSelected()));
    // Removed items may have left the page behind the end.
    if (m_first > ItemCount())
        SetFirstTag(CastPaging::PageFor(0, m_slotCount, ItemCount(), false));
}

void TCastList::RedrawCastList()
{
    if (m_first > ItemCount() + 1)
        SetFirstTag(CastPaging::PageFor(0, m_slotCount, ItemCount(), false));
    UpdateCastBtns();
    const QString count = ItemCountText();
    if (count != m_countText) {
        m_countText = count;
        emit ItemCountChanged(count);
    }
    if (m_thumbs.size() > 4 * std::max(64, ItemCount()))
        m_thumbs.clear();
    update();
}

QString TCastList::ItemCountText() const { return CastPaging::ItemCountText(ItemCount()); }

void TCastList::UpdateCastBtns()
{
    m_left->SetDimmed(CastPaging::LeftDimmed(m_first));
    m_right->SetDimmed(CastPaging::RightDimmed(m_first, m_slotCount, ItemCount()));
}

void TCastList::ScrollLeftPage() { SetFirstTag(CastPaging::ScrollLeft(m_first, m_slotCount)); }

void TCastList::ScrollRightPage() { SetFirstTag(CastPaging::ScrollRight(m_first, m_slotCount, ItemCount())); }

void TCastList::StartRepeat(int direction)
{
    m_direction = direction;
    RepeatStep();
    m_repeat.start(150);
}

void TCastList::StopRepeat()
{
    m_repeat.stop();
    m_direction = 0;
}

void TCastList::RepeatStep()
{
    if (m_direction < 0)
        ScrollLeftPage();
    else if (m_direction > 0)
        ScrollRightPage();
    if (m_repeat.isActive())
        m_repeat.setInterval(CastPaging::NextRepeatInterval(m_repeat.interval()));
    // Nothing more to scroll: the button is dimmed now.
    if ((m_direction < 0 && m_left->Dimmed()) || (m_direction > 0 && m_right->Dimmed()))
        StopRepeat();
}

void TCastList::ClickTag(int tag)
{
    if (tag < 0 || m_session.EditorState == esDrawingPath)
        return;
    TScene* scene = m_session.CurrentScene();
    if (tag == 0) {
        m_session.SelectBackground();
    } else if (scene && tag <= scene->ItemCount()) {
        TItemBase* item = scene->Item(tag - 1);
        m_session.Select(item);
        m_session.Selection.ClearItems();
        m_session.Selection.SelectItem(item);
    } else {
        m_session.Deselect();
    }
    m_session.NotifyChanged();
    RedrawCastList();
    emit CastItemClicked(tag);
}

void TCastList::mousePressEvent(QMouseEvent* event)
{
    const int tag = TagAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        m_pressedTag = tag;
    } else if (event->button() == Qt::RightButton && tag >= 0) {
        ClickTag(tag);
        emit CastItemRightClicked(tag, event->globalPosition().toPoint());
    }
}

void TCastList::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int tag = TagAt(event->position().toPoint());
    if (tag >= 0 && tag == m_pressedTag)
        ClickTag(tag);
    m_pressedTag = -1;
}

void TCastList::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_session.EditorState == esPlaying)
        return;
    const int tag = TagAt(event->position().toPoint());
    if (tag >= 0)
        emit CastItemDoubleClicked(tag);
}

void TCastList::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    InitCastList();
}

QImage TCastList::Thumbnail(const TItemBase* item)
{
    const TGfxItemBase* g = item ? item->Graphic : nullptr;
    if (!g)
        return QImage();
    // A text shows the head of each line, as its graphic draws itself small.
    const QRect bounds = g->GetBounds();
    const int w = std::max(1, bounds.width()), h = std::max(1, bounds.height());
    // Drawn at its size when it fits, else scaled down keeping its shape. Large pictures are
    // drawn straight at the small size rather than full size first.
    const double scale = std::min({1.0, double(kThumbWidth) / w, double(kThumbHeight) / h});
    const QSize size(std::max(1, int(w * scale + 0.5)), std::max(1, int(h * scale + 0.5)));
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    g->DrawAt(p, -bounds.topLeft());
    return out;
}

const QImage& TCastList::CachedThumbnail(const TItemBase* item)
{
    const QString sig = Signature(item);
    Thumb& t = m_thumbs[item];
    if (t.signature != sig || t.image.isNull()) {
        t.signature = sig;
        t.image = Thumbnail(item);
    }
    return t.image;
}

QImage TCastList::BackgroundThumbnail() const
{
    QImage out(kThumbWidth, kThumbHeight, QImage::Format_ARGB32_Premultiplied);
    TScene* scene = m_session.CurrentScene();
    if (!scene || !scene->Stage) {
        out.fill(Qt::white);
        return out;
    }
    const int w = std::max(1, Doc().StageWidth), h = std::max(1, Doc().StageHeight);
    out.fill(ToQColor(scene->Stage->Color));
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(double(kThumbWidth) / w, double(kThumbHeight) / h);
    scene->Stage->DrawBackground(p, QRect(0, 0, w, h), w, h);
    return out;
}

void TCastList::PaintSlot(QPainter& p, int slot)
{
    const qreal dpr = devicePixelRatioF();
    const QRect r = SlotRect(slot);
    const int tag = m_first + slot;
    const int count = ItemCount();
    TScene* scene = m_session.CurrentScene();
    if (tag > count) {
        p.drawImage(r.topLeft(), Picture(QStringLiteral("Square"), dpr));
        return;
    }
    const TItemBase* item = tag > 0 && scene ? scene->Item(tag - 1) : nullptr;
    const bool selected = tag == 0 ? m_session.BackgroundSelected() : (item && item == m_session.CurrentItem());
    p.drawImage(r.topLeft(), Picture(selected ? QStringLiteral("SquareFilledSelected") : QStringLiteral("SquareFilled"), dpr));

    const QRect thumbBox(r.left() + 2, r.top() + 2, kThumbWidth, kThumbHeight);
    QString label;
    if (tag == 0) {
        p.drawImage(thumbBox.topLeft(), BackgroundThumbnail());
        label = TableText(QStringLiteral("MainForm.CastBackground"), QStringLiteral("Background"));
    } else {
        const QImage& thumb = CachedThumbnail(item);
        if (!thumb.isNull())
            p.drawImage(QPoint(thumbBox.left() + (kThumbWidth - thumb.width()) / 2,
                               thumbBox.top() + (kThumbHeight - thumb.height()) / 2),
                        thumb);
        label = QString::number(tag) + QStringLiteral(": ") + item->Name;
    }
    const QRect labelBox(r.left() + 3, r.top() + 60, kSlotWidth - 6, 14);
    p.fillRect(labelBox, selected ? QColor(174, 253, 4) : QColor(Qt::white));
    QFont f = font();
    f.setPointSize(8);
    p.setFont(f);
    p.setPen(selected ? QColor(Qt::red) : QColor(Qt::black));
    p.drawText(labelBox.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(f).elidedText(label, Qt::ElideRight, labelBox.width() - 3));
}

void TCastList::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    QPainter p(this);
    const QImage& line = Picture(QStringLiteral("CastLine"), dpr);
    const QImage& curve = Picture(QStringLiteral("CastCurve"), dpr);
    const int curveWidth = curve.deviceIndependentSize().toSize().width();
    // The band is the same all along, so stretching it is exact.
    p.drawImage(QRectF(0, 0, width() - curveWidth, height()), line);
    p.drawImage(QRectF(width() - curveWidth, 0, curveWidth, height()), curve);
    for (int i = 0; i < m_slotCount; ++i)
        PaintSlot(p, i);
}

} // namespace kav
