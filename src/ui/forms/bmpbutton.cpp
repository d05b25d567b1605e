#include "ui/forms/bmpbutton.h"

#include "core/colors.h"
#include "ui/forms/bitmapfile.h"
#include "ui/forms/cache.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>

namespace kav {

namespace {

// The shared bytes of a picture for a device pixel ratio; a name found nowhere becomes a
// transparent picture of blankSize, cached under its own key.
std::shared_ptr<const QByteArray> SharedPicture(const QString& name, qreal dpr, QSize blankSize, bool* twice)
{
    TCache& cache = ButtonCache();
    if (dpr > 1.0) {
        if (auto found = cache.Find(InterfaceKey(name, true))) {
            *twice = true;
            return found;
        }
    }
    if (auto found = cache.Find(InterfaceKey(name))) {
        // A plain picture cached by a button on a 1x screen serves a 2x screen only when the
        // larger one does not exist.
        if (dpr <= 1.0 || InterfacePictureBytes(name, dpr, twice).isEmpty() || !*twice) {
            *twice = false;
            return found;
        }
        cache.Release(found);
    }
    QByteArray bytes = InterfacePictureBytes(name, dpr, twice);
    if (!bytes.isEmpty())
        return cache.Add(InterfaceKey(name, *twice), std::move(bytes));
    const QString blankKey = InterfaceKey(name) + QStringLiteral("|blank");
    if (auto found = cache.Find(blankKey))
        return found;
    QImage blank(blankSize.expandedTo(QSize(1, 1)), QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    return cache.Add(blankKey, EncodeBitmap(blank));
}

} // namespace

TBmpButton::TBmpButton(QWidget* parent)
    : QWidget(parent)
{
    setProperty("kavBitmapButton", true);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    resize(10, 10);
}

TBmpButton::~TBmpButton()
{
    ReleasePictures();
}

void TBmpButton::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

void TBmpButton::SetDrawCaption(bool on)
{
    m_drawCaption = on;
    update();
}

void TBmpButton::SetBmpsOff(const QString& name) { m_bmps[0] = name; LoadPictures(); }
void TBmpButton::SetBmpsOn(const QString& name) { m_bmps[1] = name; LoadPictures(); }
void TBmpButton::SetBmpsPressed(const QString& name) { m_bmps[2] = name; LoadPictures(); }
void TBmpButton::SetBmpsDimmed(const QString& name) { m_bmps[3] = name; LoadPictures(); }

void TBmpButton::SetBmps(const QString& off, const QString& on, const QString& pressed, const QString& dimmed)
{
    m_bmps[0] = off;
    m_bmps[1] = on;
    m_bmps[2] = pressed;
    m_bmps[3] = dimmed;
    LoadPictures();
}

void TBmpButton::ReleasePictures()
{
    for (Picture& p : m_pictures)
        ButtonCache().Release(p.bytes);
    m_pictures.clear();
    for (int& i : m_index)
        i = 0;
}

void TBmpButton::LoadPictures()
{
    if (m_bmps[0].isEmpty()) {
        // Without an off picture the button keeps what it had, as before any loading.
        update();
        return;
    }
    ReleasePictures();
    m_loadedDpr = devicePixelRatioF();
    auto add = [this](const QString& name) {
        bool twice = false;
        Picture p;
        p.bytes = SharedPicture(name, m_loadedDpr, size(), &twice);
        p.image = DecodeInterfacePicture(*p.bytes, twice);
        m_pictures.push_back(std::move(p));
        return int(m_pictures.size()) - 1;
    };
    add(m_bmps[0]);
    const QImage& off = m_pictures.front().image;
    if (!off.isNull())
        resize(off.deviceIndependentSize().toSize());
    const int dimmed = m_bmps[3].isEmpty() ? 0 : add(m_bmps[3]);
    const int on = m_bmps[1].isEmpty() ? 0 : add(m_bmps[1]);
    if (!m_bmps[2].isEmpty())
        add(m_bmps[2]);
    m_index[int(State::Off)] = 0;
    m_index[int(State::Dimmed)] = dimmed;
    m_index[int(State::Roll)] = on;
    // Pressed shows the last picture loaded: the pressed one, else roll-over, else dimmed.
    m_index[int(State::Pressed)] = int(m_pictures.size()) - 1;
    update();
}

void TBmpButton::SetDimmed(bool dimmed)
{
    if (dimmed == m_dimmed)
        return;
    m_dimmed = dimmed;
    if (dimmed) {
        m_mouseDown = false;
        if (m_entered)
            LeaveButton();
    }
    update();
}

void TBmpButton::SetPressed(bool pressed)
{
    m_pressed = pressed;
    m_inside = false;
    m_rollInside = false;
    m_entered = false;
    update();
}

void TBmpButton::SetStayDown(bool stayDown)
{
    m_stayDown = stayDown;
    if (!stayDown && m_pressed) {
        m_pressed = false;
        update();
    }
}

int TBmpButton::HelpContext() const { return kav::HelpContext(this); }
void TBmpButton::SetHelpContext(int number) { kav::SetHelpContext(this, number); }

TBmpButton::State TBmpButton::CurrentState() const
{
    if (m_dimmed)
        return State::Dimmed;
    if (m_pressed)
        return State::Pressed;
    if (m_inside && (RollRight == 0 || m_rollInside))
        return State::Roll;
    return State::Off;
}

QImage TBmpButton::StatePicture(State state) const
{
    if (m_pictures.empty())
        return {};
    return m_pictures.at(size_t(m_index[int(state)])).image;
}

bool TBmpButton::Track(QPointF at)
{
    const State before = CurrentState();
    const QPoint p = at.toPoint();
    m_inside = rect().contains(p);
    m_rollInside = m_inside && QRect(RollLeft, RollTop, RollRight - RollLeft, RollBottom - RollTop).contains(p);
    return CurrentState() != before;
}

void TBmpButton::LeaveButton()
{
    if (!m_entered)
        return;
    m_entered = false;
    if (!m_stayDown)
        m_pressed = false;
    QPointer<TBmpButton> self(this);
    emit OnLeave();
    if (!self)
        return;
    m_inside = false;
    m_rollInside = false;
    update();
    if (HideOnLeave)
        hide();
}

void TBmpButton::paintEvent(QPaintEvent*)
{
    if (!m_pictures.empty() && !qFuzzyCompare(m_loadedDpr, devicePixelRatioF()))
        LoadPictures(); // moved to a screen of another pixel ratio
    QPainter p(this);
    if (OnPaint) {
        OnPaint(p);
        return;
    }
    const State state = CurrentState();
    QSizeF face = size();
    if (m_pictures.empty()) {
        p.fillRect(rect(), state == State::Pressed ? Qt::red : state == State::Roll ? Qt::blue : Qt::green);
    } else {
        const QImage& picture = m_pictures.at(size_t(m_index[int(state)])).image;
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QPointF(0, 0), picture);
        face = picture.deviceIndependentSize();
    }
    if (m_drawCaption && !m_caption.isEmpty()) {
        // A caption wider than the face (a longer word in another language) gets a smaller font,
        // down to seven tenths, so that it stays on the face with a margin each side.
        QFont captionFont = font();
        QRect bounds = QFontMetrics(captionFont).boundingRect(QRect(0, 0, 4096, 4096), Qt::AlignLeft | Qt::AlignTop, m_caption);
        const int room = int(face.width()) - 12;
        if (bounds.width() > room && room > 0) {
            const qreal scale = std::max(qreal(room) / bounds.width(), 0.7);
            if (captionFont.pointSizeF() > 0)
                captionFont.setPointSizeF(captionFont.pointSizeF() * scale);
            else
                captionFont.setPixelSize(std::max(1, int(captionFont.pixelSize() * scale)));
            bounds = QFontMetrics(captionFont).boundingRect(QRect(0, 0, 4096, 4096), Qt::AlignLeft | Qt::AlignTop, m_caption);
        }
        int x = (int(face.width()) - bounds.width()) / 2 + TextDX;
        int y = (int(face.height()) - bounds.height()) / 2 + TextDY;
        if (state == State::Pressed) {
            x += TextPressedDX;
            y += TextPressedDY;
        }
        const uint32_t colour = state == State::Dimmed ? ColorDimmed
                              : state == State::Pressed ? ColorPressed
                              : state == State::Roll ? ColorRoll : Color;
        p.setPen(ToQColor(colour));
        p.setFont(captionFont);
        p.drawText(QRect(x, y, bounds.width(), bounds.height()), Qt::AlignLeft | Qt::AlignTop, m_caption);
    }
}

void TBmpButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_dimmed)
        return;
    m_mouseDown = true;
    m_pressed = ClickBackUp ? !m_pressed : true;
    Track(event->position());
    m_entered = true;
    update();
    emit OnMouseDown(event);
}

void TBmpButton::mouseMoveEvent(QMouseEvent* event)
{
    QPointer<TBmpButton> self(this);
    emit OnMouseMove(event);
    if (!self)
        return;
    const bool wasInside = m_inside;
    const bool changed = Track(event->position());
    if (!m_dimmed) {
        if (!wasInside && m_inside) {
            m_entered = true;
            emit OnEnter();
            if (!self)
                return;
        } else if (wasInside && !m_inside && !m_mouseDown) {
            LeaveButton();
            if (!self)
                return;
        }
    }
    if (changed)
        update();
    if (!m_dimmed || m_inside)
        emit OnHint();
}

void TBmpButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_mouseDown)
        return;
    m_mouseDown = false;
    Track(event->position());
    QPointer<TBmpButton> self(this);
    if (m_inside && !m_dimmed) {
        emit OnClick();  // the handler sees the pressed state, as a click on a toggle must
        if (!self)
            return;
    }
    if (!(m_stayDown && m_pressed)) {
        m_pressed = false;
        if (!m_inside)
            LeaveButton();
    }
    if (!self)
        return;
    update();
    emit OnMouseUp(event);
}

void TBmpButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_dimmed)
        return;
    QPointer<TBmpButton> self(this);
    emit OnDblClick();
    if (self)
        mousePressEvent(event);
}

void TBmpButton::keyPressEvent(QKeyEvent* event)
{
    emit OnKeyPress(event);
    QWidget::keyPressEvent(event);
}

void TBmpButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (!m_mouseDown)
        LeaveButton();
}

void TBmpButton::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_inside = false;
    m_rollInside = false;
    m_entered = false;
    m_mouseDown = false;
}

void TBmpButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        update();
}

void StyleCaptionButton(TBmpButton* b, const QString& face, const QString& caption, bool accent)
{
    b->SetBmps(face, face + QLatin1Char('R'), face + QLatin1Char('C'), face + QLatin1Char('D'));
    b->SetCaption(caption);
    b->SetDrawCaption(!caption.isEmpty());
    b->TextPressedDY = 1;
    b->TextDY = -1;
    QFont f = b->font();
    f.setBold(true);
    f.setPixelSize(11);
    b->setFont(f);
    b->Color = accent ? 0x00FFFFFF : 0x00514137;
    b->ColorRoll = accent ? 0x00FFFFFF : 0x00C0561F;
    b->ColorPressed = accent ? 0x00F5EBE3 : 0x00943E17;
    b->ColorDimmed = accent ? 0x00F2EEEA : 0x00AFA59C;
}

} // namespace kav
