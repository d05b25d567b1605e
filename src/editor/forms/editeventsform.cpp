#include "editor/forms/editeventsform.h"

#include "config/settings.h"
#include "document/gfxitem.h"
#include "document/item.h"
#include "document/scene.h"
#include "editor/editsession.h"
#include "editor/forms/cursorsform.h"
#include "editor/forms/newactionform.h"
#include "editor/playback.h"
#include "events/actions.h"
#include "events/timeactions.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace kav {

namespace {
constexpr int kBoxW = 40, kBoxH = 26;
constexpr int kPreviewW = 172, kPreviewH = 118;
constexpr int kTickMs = 100;
const QColor kNavy(0, 0, 128);

// The row of event boxes; the window paints it and takes its clicks.
class TEventBoxes : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void(QPainter&)> OnPaint;
    std::function<void(QPoint)> OnPress;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        if (OnPaint)
            OnPaint(p);
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton && OnPress)
            OnPress(e->position().toPoint());
    }
};
} // namespace

TEditEventsForm::TEditEventsForm(TEditSession& session, Mode mode, const TEventDialogHooks& hooks,
                                 TTimeActions* event, QWidget* parent)
    : TStdPeltoForm(parent), m_session(session), m_mode(mode), m_hooks(hooks)
{
    setObjectName(QStringLiteral("EditEventsForm"));
    m_scene = session.CurrentScene();
    m_item = mode == Mode::SceneEvents ? nullptr : session.CurrentItem();
    if (mode == Mode::TimedEvents && m_item)
        m_event = event && m_item->TimedEvents.IndexOf(event) >= 0 ? event : NearestTimedEvent(session);
    m_step = std::make_unique<TDialogStep>(session, mode == Mode::UserEvents);
    // The undo snapshot was taken above; the document objects the window holds stay the same.
    m_markersWere = session.ShowEventMarkers;
    session.ShowEventMarkers = true;

    LabelMode = new QLabel(this);
    LabelMode->setObjectName(QStringLiteral("LabelMode"));
    QFont bold = LabelMode->font();
    bold.setBold(true);
    LabelMode->setFont(bold);

    BtnAddEvent = eventdialogs::MakeButton(this, "BtnAddEvent", QString(), QStringLiteral("Action"));
    connect(BtnAddEvent, &TBmpButton::OnClick, this, &TEditEventsForm::AddClick);
    BtnCursor = eventdialogs::MakeButton(this, "BtnCursor", QString(), QStringLiteral("Cursor"));
    BtnCursor->setToolTip(GetString(QStringLiteral("EventForms.BtnCursor")));
    connect(BtnCursor, &TBmpButton::OnClick, this, &TEditEventsForm::CursorClick);

    auto* boxes = new TEventBoxes(this);
    boxes->setObjectName(QStringLiteral("EventBoxes"));
    boxes->OnPaint = [this](QPainter& p) { PaintBoxes(p); };
    boxes->OnPress = [this](QPoint at) {
        const int i = BoxAt(at);
        if (i >= 0)
            SelectEvent(i);
    };
    EventBoxes = boxes;
    BtnBoxesLeft = eventdialogs::MakeButton(this, "BtnBoxesLeft", QString(), QStringLiteral("ArrowLeft"));
    BtnBoxesRight = eventdialogs::MakeButton(this, "BtnBoxesRight", QString(), QStringLiteral("ArrowRight"));
    connect(BtnBoxesLeft, &TBmpButton::OnClick, this, [this] { ScrollBoxes(-1); });
    connect(BtnBoxesRight, &TBmpButton::OnClick, this, [this] { ScrollBoxes(1); });

    LabelOccurrence = new QLabel(QStringLiteral("Occurrence Point:"), this);
    LabelOccurrence->setObjectName(QStringLiteral("LabelOccurrence"));
    LabelOccurrence->setFont(bold);
    LabelFrame = new QLabel(this);
    LabelFrame->setObjectName(QStringLiteral("LabelFrame"));
    LabelFrame->setAlignment(Qt::AlignCenter);
    LabelFrame->setStyleSheet(QStringLiteral("QLabel { background: white; color: #000080; border: 1px solid #B8C2CF;"
                                             " font-weight: bold; }"));
    BtnEarlier = eventdialogs::MakeButton(this, "BtnEarlier", QString(), QStringLiteral("ArrowLeft"));
    BtnLater = eventdialogs::MakeButton(this, "BtnLater", QString(), QStringLiteral("ArrowRight"));
    connect(BtnEarlier, &TBmpButton::OnMouseDown, this, [this] { OccurrencePressed(-1); });
    connect(BtnLater, &TBmpButton::OnMouseDown, this, [this] { OccurrencePressed(1); });
    connect(BtnEarlier, &TBmpButton::OnMouseUp, this, [this] { OccurrenceReleased(); });
    connect(BtnLater, &TBmpButton::OnMouseUp, this, [this] { OccurrenceReleased(); });
    OccurrenceTimer = new QTimer(this);
    OccurrenceTimer->setInterval(kTickMs);
    connect(OccurrenceTimer, &QTimer::timeout, this, &TEditEventsForm::OccurrenceTick);

    ListActions = new QListWidget(this);
    ListActions->setObjectName(QStringLiteral("ListActions"));
    ListActions->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(ListActions, &QListWidget::itemSelectionChanged, this, &TEditEventsForm::SelectionChanged);

    Preview = new QLabel(this);
    Preview->setObjectName(QStringLiteral("Preview"));
    Preview->setAlignment(Qt::AlignCenter);
    Preview->setStyleSheet(QStringLiteral("QLabel { background: white; border: 1px solid #B8C2CF; }"));
    Preview->installEventFilter(this);
    BtnSpeaker = eventdialogs::MakeButton(this, "BtnSpeaker", QString(), QStringLiteral("Speaker"));
    connect(BtnSpeaker, &TBmpButton::OnClick, this, &TEditEventsForm::PlaySelected);
    CheckLoop = new QCheckBox(QStringLiteral("Loop"), this);
    CheckLoop->setObjectName(QStringLiteral("CheckLoop"));
    connect(CheckLoop, &QCheckBox::clicked, this, [this](bool on) {
        const QList<TActionBase*> selected = SelectedActions();
        if (selected.size() == 1)
            if (auto* play = dynamic_cast<TActionPlaySound*>(selected.first())) {
                play->Loop = on;
                if (!on)
                    StopSounds();
            }
    });

    BtnEdit = eventdialogs::MakeButton(this, "BtnEdit", QStringLiteral("Edit"), QStringLiteral("Button"));
    BtnDelete = eventdialogs::MakeButton(this, "BtnDelete", QStringLiteral("Delete"), QStringLiteral("Button"));
    connect(BtnEdit, &TBmpButton::OnClick, this, &TEditEventsForm::EditClick);
    connect(BtnDelete, &TBmpButton::OnClick, this, &TEditEventsForm::DeleteClick);

    BtnCursor->OnPaint = [this](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(BtnCursor->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const bool roll = BtnCursor->CurrentState() == TBmpButton::State::Roll;
        p.setPen(QPen(roll ? QColor(0x27, 0x61, 0xD9) : QColor(0xB8, 0xC2, 0xCF), 1.5));
        p.setBrush(Qt::white);
        p.drawRoundedRect(r, 6, 6);
        if (m_item && m_item->Graphic) {
            QImage picture = CursorPicture(settings().DataDir, m_item->Graphic->Cursor);
            if (!picture.isNull()) {
                picture = picture.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < picture.height(); ++y) {
                    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
                    for (int x = 0; x < picture.width(); ++x)
                        if ((line[x] & 0xFFFFFF) == 0x00FF00)
                            line[x] = 0;
                }
                const QSize s = BtnCursor->size();
                p.drawImage(QPoint((s.width() - 32) / 2, (s.height() - 32) / 2), picture);
            }
        }
    };

    Layout();
    ApplyStrings();
    if (m_item && m_event)
        ShowFrame(m_item->StartFrame + m_event->Frame());
    Refresh();
}

TEditEventsForm::~TEditEventsForm() = default;

void TEditEventsForm::ApplyStrings()
{
    TStdPeltoForm::ApplyStrings();
    QString title, label, add;
    switch (m_mode) {
    case Mode::UserEvents:
        title = GetText(QStringLiteral("EditEventsForm.TitleUserEvents"));
        label = GetText(QStringLiteral("EditEventsForm.LabelUserEvents"));
        add = GetText(QStringLiteral("EditEventsForm.BtnAddUserEvent"));
        break;
    case Mode::TimedEvents:
        title = GetText(QStringLiteral("EditEventsForm.TitleTimedEvents"));
        label = GetText(QStringLiteral("EditEventsForm.LabelTimedEvents"));
        add = GetText(QStringLiteral("EditEventsForm.BtnAddTimedEvent"));
        break;
    case Mode::SceneEvents:
        title = GetString(QStringLiteral("EditEventsForm.TitleSceneEvents"), m_scene ? m_scene->Name : QString());
        label = GetText(QStringLiteral("EditEventsForm.LabelSceneEvents"));
        break;
    }
    setWindowTitle(title);
    StdLabelTitle->setText(title);
    LabelMode->setText(label);
    BtnAddEvent->SetCaption(add);
    BtnAddEvent->SetDrawCaption(!add.isEmpty());
}

void TEditEventsForm::Layout()
{
    const int left = 16;
    const bool timed = m_mode == Mode::TimedEvents;
    const bool user = m_mode == Mode::UserEvents;
    LabelMode->setGeometry(left, 44, timed ? 340 : 510, 20);

    EventBoxes->setVisible(timed);
    BtnBoxesLeft->setVisible(timed);
    BtnBoxesRight->setVisible(timed);
    LabelOccurrence->setVisible(timed);
    LabelFrame->setVisible(timed);
    BtnEarlier->setVisible(timed);
    BtnLater->setVisible(timed);
    BtnAddEvent->setVisible(m_mode != Mode::SceneEvents);
    BtnCursor->setVisible(user);

    int y = 70;
    if (timed) {
        BtnBoxesLeft->move(left, y + (kBoxH - BtnBoxesLeft->height()) / 2);
        EventBoxes->setGeometry(left + BtnBoxesLeft->width() + 4, y, kVisibleBoxes * kBoxW + 1, kBoxH + 1);
        BtnBoxesRight->move(EventBoxes->geometry().right() + 5, y + (kBoxH - BtnBoxesRight->height()) / 2);
        const int ox = 372;
        LabelOccurrence->setGeometry(ox, 44, 150, 20);
        BtnEarlier->move(ox, y + (kBoxH - BtnEarlier->height()) / 2);
        LabelFrame->setGeometry(ox + BtnEarlier->width() + 4, y, 56, kBoxH);
        BtnLater->move(LabelFrame->geometry().right() + 5, y + (kBoxH - BtnLater->height()) / 2);
        y += kBoxH + 12;
        BtnAddEvent->move(left, y);
        y += BtnAddEvent->height() + 12;
    } else if (user) {
        BtnAddEvent->move(left, y + 4);
        BtnCursor->setFixedSize(44, 40);
        BtnCursor->move(left + BtnAddEvent->width() + 16, y);
        y += 52;
    }
    const int listH = m_mode == Mode::SceneEvents ? 230 : 180;
    const int listW = 330;
    ListActions->setGeometry(left, y, listW, listH);
    const int px = left + listW + 14;
    Preview->setGeometry(px, y, kPreviewW, kPreviewH);
    BtnSpeaker->move(px, y);
    CheckLoop->move(px + BtnSpeaker->width() + 10, y + (BtnSpeaker->height() - 20) / 2);
    CheckLoop->adjustSize();
    BtnEdit->move(px, y + kPreviewH + 12);
    BtnDelete->move(px + BtnEdit->width() + 4, y + kPreviewH + 12);
    SetClientSize(px + kPreviewW + 16, y + listH + 72);
}

void TEditEventsForm::Refresh()
{
    m_actions.clear();
    if (m_mode == Mode::UserEvents && m_item && m_item->Graphic) {
        for (const auto& a : m_item->Graphic->UserEvents)
            m_actions << static_cast<TActionBase*>(a.get());
    } else if (m_mode == Mode::TimedEvents && m_event) {
        for (const auto& a : m_event->FActions)
            m_actions << static_cast<TActionBase*>(a.get());
    } else if (m_mode == Mode::SceneEvents && m_scene) {
        m_actions = SceneTimedActions(*m_scene);
    }
    const QSignalBlocker block(ListActions);
    ListActions->clear();
    for (TActionBase* a : m_actions)
        ListActions->addItem(a->UserDesc());
    if (!m_actions.isEmpty())
        ListActions->setCurrentRow(0);

    if (m_mode == Mode::TimedEvents) {
        const int count = m_item ? m_item->EventCount() : 0;
        const int current = m_item && m_event ? m_item->TimedEvents.IndexOf(m_event) : -1;
        // Keep the current box in sight.
        if (current >= 0 && (current < m_firstBox || current >= m_firstBox + kVisibleBoxes))
            m_firstBox = std::max(0, current - kVisibleBoxes + 1);
        m_firstBox = std::clamp(m_firstBox, 0, std::max(0, count - kVisibleBoxes));
        BtnBoxesLeft->SetDimmed(count < kVisibleBoxes + 1 || m_firstBox == 0);
        BtnBoxesRight->SetDimmed(count < kVisibleBoxes + 1 || m_firstBox + kVisibleBoxes >= count);
        LabelFrame->setText(m_event ? OccurrenceText(*m_event) : QString());
        BtnEarlier->SetDimmed(!m_event);
        BtnLater->SetDimmed(!m_event);
        EventBoxes->update();
    }
    BtnCursor->update();
    SelectionChanged();
}

QList<TActionBase*> TEditEventsForm::SelectedActions() const
{
    QList<TActionBase*> out;
    for (int i = 0; i < ListActions->count() && i < m_actions.size(); ++i)
        if (ListActions->item(i)->isSelected())
            out << m_actions[i];
    return out;
}

void TEditEventsForm::SelectionChanged()
{
    const QList<TActionBase*> selected = SelectedActions();
    TActionBase* one = selected.size() == 1 ? selected.first() : nullptr;
    auto* play = dynamic_cast<TActionPlaySound*>(one);
    const bool sound = play || dynamic_cast<TActionStopSound*>(one);
    Preview->setVisible(!sound);
    BtnSpeaker->setVisible(sound);
    CheckLoop->setVisible(play != nullptr);
    if (play)
        CheckLoop->setChecked(play->Loop);
    if (!sound) {
        QImage image(kPreviewW - 2, kPreviewH - 2, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        if (one)
            one->DrawPreview(image);
        Preview->setPixmap(QPixmap::fromImage(image));
    }
    BtnEdit->SetDimmed(!one || !one->CanEdit());
    BtnDelete->SetDimmed(selected.isEmpty());
}

void TEditEventsForm::PaintBoxes(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    const int count = m_item ? m_item->EventCount() : 0;
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    for (int k = 0; k < kVisibleBoxes; ++k) {
        const int i = m_firstBox + k;
        const QRectF r(k * kBoxW + 2.5, 0.5, kBoxW - 4, kBoxH - 1);
        if (i >= count) {
            p.setPen(QPen(QColor(0xCF, 0xD6, 0xE0), 1, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r, 4, 4);
            continue;
        }
        const bool current = m_item->Event(i) == m_event;
        p.setPen(QPen(current ? kNavy : QColor(0xB8, 0xC2, 0xCF), 1));
        p.setBrush(current ? kNavy : QColor(Qt::white));
        p.drawRoundedRect(r, 4, 4);
        p.setPen(current ? QColor(Qt::white) : kNavy);
        p.drawText(r, Qt::AlignCenter, QString::number(i + 1));
    }
}

int TEditEventsForm::BoxAt(QPoint at) const
{
    if (!m_item || at.x() < 0 || at.y() < 0 || at.y() > kBoxH)
        return -1;
    const int k = at.x() / kBoxW;
    if (k >= kVisibleBoxes)
        return -1;
    const int i = m_firstBox + k;
    return i < m_item->EventCount() ? i : -1;
}

void TEditEventsForm::ShowFrame(int frame)
{
    m_session.Playback.SetCurTimeLine(frame);
    m_session.Playback.RecomputeFrame();
    m_session.NotifyChanged();
}

void TEditEventsForm::SelectEvent(int index)
{
    if (!m_item || index < 0 || index >= m_item->EventCount())
        return;
    m_event = m_item->Event(index);
    // The event left may have lost its last action: it goes now.
    NormalizeItemEvents(*m_item, m_event);
    ShowFrame(m_item->StartFrame + m_event->Frame());
    Refresh();
}

void TEditEventsForm::ScrollBoxes(int by)
{
    const int count = m_item ? m_item->EventCount() : 0;
    m_firstBox = std::clamp(m_firstBox + by, 0, std::max(0, count - kVisibleBoxes));
    BtnBoxesLeft->SetDimmed(count < kVisibleBoxes + 1 || m_firstBox == 0);
    BtnBoxesRight->SetDimmed(count < kVisibleBoxes + 1 || m_firstBox + kVisibleBoxes >= count);
    EventBoxes->update();
}

void TEditEventsForm::OccurrencePressed(int direction)
{
    if (!m_item || !m_event)
        return;
    ListActions->selectAll();
    m_lastDirection = direction;
    m_mover.Start(direction);
    OccurrenceTimer->start();
}

void TEditEventsForm::OccurrenceTick()
{
    if (!m_item || !m_event || !m_mover.Running())
        return;
    int frame = m_session.Playback.CurFrame;
    m_mover.Tick(*m_item, *m_event, frame);
    m_item->LayoutEventMarkers();
    LabelFrame->setText(OccurrenceText(*m_event));
    ShowFrame(frame);
}

void TEditEventsForm::OccurrenceReleased()
{
    if (!OccurrenceTimer->isActive())
        return;
    OccurrenceTimer->stop();
    m_mover.Stop();
    if (!m_item || !m_event)
        return;
    int frame = m_session.Playback.CurFrame;
    FinishEventMove(*m_item, m_event, m_lastDirection, frame, [this] {
        return MessageBox(QStringLiteral("Confirm"), GetString(QStringLiteral("Confirm.EventsMerge")), mbOkCancel) == 1;
    });
    ShowFrame(frame);
    Refresh();
}

void TEditEventsForm::AddClick()
{
    if (!m_item)
        return;
    if (m_mode == Mode::UserEvents) {
        if (!m_item->Graphic)
            return;
        TNewActionForm::Run(this, {&m_item->Graphic->UserEvents, m_item, true},
                            GetString(QStringLiteral("EventForms.SubtitleUserEditor")), m_hooks);
    } else if (m_mode == Mode::TimedEvents) {
        // A new point at the current frame, or the one already there.
        TTimeActions* event = TimedEventForNewAction(m_session);
        if (!event)
            return;
        const bool made = TNewActionForm::Run(this, {&event->FActions, m_item, false},
                                              GetString(QStringLiteral("EventForms.SubtitleTimed")), m_hooks);
        if (made)
            m_event = event;
        NormalizeItemEvents(*m_item, m_event);
    }
    m_session.Playback.RecomputeFrame();
    m_session.NotifyChanged();
    Refresh();
}

void TEditEventsForm::EditClick()
{
    const QList<TActionBase*> selected = SelectedActions();
    if (selected.size() != 1 || !selected.first()->CanEdit())
        return;
    if (eventdialogs::EditAction(this, m_hooks, *selected.first())) {
        const int row = ListActions->currentRow();
        m_session.Playback.RecomputeFrame();
        m_session.NotifyChanged();
        Refresh();
        if (row >= 0 && row < ListActions->count()) {
            ListActions->clearSelection();
            ListActions->setCurrentRow(row);
        }
    }
}

void TEditEventsForm::DeleteClick()
{
    const QList<TActionBase*> selected = SelectedActions();
    if (selected.isEmpty())
        return;
    StopSounds();
    DeleteActions(selected, m_event);
    m_session.Playback.RecomputeFrame();
    m_session.NotifyChanged();
    Refresh();
}

void TEditEventsForm::CursorClick()
{
    if (!m_item || !m_item->Graphic)
        return;
    QString cursor = m_item->Graphic->Cursor;
    if (TCursorsForm::Choose(this, cursor)) {
        m_item->Graphic->SetCursor(cursor);
        BtnCursor->update();
    }
}

void TEditEventsForm::PlaySelected()
{
    const QList<TActionBase*> selected = SelectedActions();
    if (selected.size() != 1)
        return;
    QString name;
    if (auto* play = dynamic_cast<TActionPlaySound*>(selected.first()))
        name = play->SoundName;
    else if (auto* stop = dynamic_cast<TActionStopSound*>(selected.first()))
        name = stop->SoundName;
    if (name.isEmpty())
        return;
    if (m_hooks.PlaySound)
        m_hooks.PlaySound(name);
    else
        m_session.Playback.PlaySound(name, false, nullptr);
}

void TEditEventsForm::StopSounds()
{
    if (m_hooks.StopSound)
        m_hooks.StopSound();
    else
        m_session.Playback.StopSound(QString());
}

bool TEditEventsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Preview && event->type() == QEvent::MouseButtonDblClick) {
        if (!BtnEdit->Dimmed())
            EditClick();
        return true;
    }
    return TStdPeltoForm::eventFilter(watched, event);
}

void TEditEventsForm::done(int result)
{
    OccurrenceTimer->stop();
    if (m_step) {
        StopSounds();
        m_session.ShowEventMarkers = m_markersWere;
        if (result == mrOk) {
            // Closed: no event is open for editing any more, so an emptied one goes too.
            TTimeActions* none = nullptr;
            if (m_item)
                NormalizeItemEvents(*m_item, none);
            m_step->Finish();
            m_session.Playback.RecomputeFrame();
            m_session.NotifyChanged();
        } else {
            // Everything since the window opened goes back; the objects it showed are gone.
            m_item = nullptr;
            m_event = nullptr;
            m_actions.clear();
            ListActions->clear();
            m_step->Cancel();
        }
        m_step.reset();
    }
    TStdPeltoForm::done(result);
}

bool TEditEventsForm::EditUserEvents(TEditSession& session, const TEventDialogHooks& hooks, QWidget* parent)
{
    if (!session.CurrentItem() || !session.CurrentItem()->Graphic)
        return false;
    TEditEventsForm form(session, Mode::UserEvents, hooks, nullptr, parent);
    return form.exec() == mrOk;
}

bool TEditEventsForm::EditTimedEvents(TEditSession& session, const TEventDialogHooks& hooks, TTimeActions* event,
                                      QWidget* parent)
{
    if (!session.CurrentItem())
        return false;
    TEditEventsForm form(session, Mode::TimedEvents, hooks, event, parent);
    return form.exec() == mrOk;
}

bool TEditEventsForm::EditSceneEvents(TEditSession& session, const TEventDialogHooks& hooks, QWidget* parent)
{
    if (!session.CurrentScene())
        return false;
    TEditEventsForm form(session, Mode::SceneEvents, hooks, nullptr, parent);
    return form.exec() == mrOk;
}

} // namespace kav
