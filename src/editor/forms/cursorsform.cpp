#include "editor/forms/cursorsform.h"

#include "config/settings.h"
#include "editor/eventcommands.h"
#include "editor/forms/eventdialogs.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/clearpanel.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace kav {

namespace {
const QColor kTransparent(0, 255, 0);  // the cursors' transparent colour

// The picture with its lime green made transparent.
QImage Keyed(const QImage& picture)
{
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (kTransparent.rgb() & 0xFFFFFF))
                line[x] = 0;
    }
    return out;
}
} // namespace

TCursorsForm::TCursorsForm(QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("CursorsForm"));
    setWindowTitle(QStringLiteral("Select a cursor"));
    StdLabelTitle->setText(QStringLiteral("Select a cursor"));

    PBoxCursors = new TClearPaintBox(this);
    PBoxCursors->setObjectName(QStringLiteral("PBoxCursors"));
    PBoxCursors->setGeometry(40, 48, kCell * kColumns + 1, kCell * kColumns + 1);
    PBoxCursors->OnPaint = [this](QPainter& p) { Paint(p); };
    PBoxCursors->installEventFilter(this);

    BtnPrev = eventdialogs::MakeButton(this, "BtnPrev", QString(), QStringLiteral("ArrowLeft"));
    BtnNext = eventdialogs::MakeButton(this, "BtnNext", QString(), QStringLiteral("ArrowRight"));
    BtnPrev->move(8, 48 + (kCell * kColumns - BtnPrev->height()) / 2);
    BtnNext->move(40 + kCell * kColumns + 8, 48 + (kCell * kColumns - BtnNext->height()) / 2);
    connect(BtnPrev, &TBmpButton::OnClick, this, [this] { SetPage(m_page - 1); });
    connect(BtnNext, &TBmpButton::OnClick, this, [this] { SetPage(m_page + 1); });
    LabelPage = new QLabel(this);
    LabelPage->setObjectName(QStringLiteral("LabelPage"));
    LabelPage->setAlignment(Qt::AlignCenter);
    LabelPage->setGeometry(40, 48 + kCell * kColumns + 4, kCell * kColumns, 18);

    SetClientSize(std::max(260, 40 + kCell * kColumns + 40), 48 + kCell * kColumns + 100);
    UpdateButtons();
}

void TCursorsForm::SetCursors(const QStringList& names, const QList<QImage>& pictures)
{
    m_names = names;
    m_pictures.clear();
    for (const QImage& p : pictures)
        m_pictures << Keyed(p);
    m_selected = -1;
    m_page = 0;
    UpdateButtons();
}

void TCursorsForm::Preselect(const QString& name)
{
    const int i = m_names.indexOf(name);
    m_selected = i;
    m_page = i >= 0 ? i / kPerPage : 0;
    UpdateButtons();
}

int TCursorsForm::PageCount() const { return std::max(1, int((m_names.size() + kPerPage - 1) / kPerPage)); }

void TCursorsForm::SetPage(int page)
{
    m_page = std::clamp(page, 0, PageCount() - 1);
    UpdateButtons();
}

QString TCursorsForm::SelectedName() const
{
    return m_selected >= 0 && m_selected < m_names.size() ? m_names[m_selected] : QString();
}

int TCursorsForm::CellAt(QPoint at) const
{
    if (at.x() < 0 || at.y() < 0)
        return -1;
    const int column = at.x() / kCell, row = at.y() / kCell;
    if (column >= kColumns || row >= kColumns)
        return -1;
    const int cell = row * kColumns + column + m_page * kPerPage;
    return cell < m_names.size() ? cell : -1;
}

bool TCursorsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PBoxCursors && event->type() == QEvent::MouseButtonPress) {
        const int cell = CellAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (cell >= 0) {
            m_selected = cell;
            UpdateButtons();
        }
        return true;
    }
    if (watched == PBoxCursors && event->type() == QEvent::MouseButtonDblClick) {
        if (CellAt(static_cast<QMouseEvent*>(event)->position().toPoint()) >= 0 && !BtnOk->Dimmed())
            BtnOkClick();
        return true;
    }
    return TStdPeltoForm::eventFilter(watched, event);
}

void TCursorsForm::Paint(QPainter& p)
{
    const QRect all = PBoxCursors->rect();
    p.fillRect(all, Qt::white);
    for (int i = 0; i < kPerPage; ++i) {
        const int index = i + m_page * kPerPage;
        const QRect cell((i % kColumns) * kCell, (i / kColumns) * kCell, kCell, kCell);
        if (index == m_selected) {
            p.fillRect(cell.adjusted(1, 1, 0, 0), QColor(0x27, 0x61, 0xD9, 60));
            p.setPen(QPen(QColor(0x27, 0x61, 0xD9), 2));
            p.drawRect(cell.adjusted(2, 2, -1, -1));
        }
        if (index < m_pictures.size() && !m_pictures[index].isNull())
            p.drawImage(QRect(cell.left() + 2, cell.top() + 2, 32, 32), m_pictures[index]);
    }
    p.setPen(QColor(0xD5, 0xDB, 0xE3));
    for (int k = 0; k <= kColumns; ++k) {
        p.drawLine(k * kCell, 0, k * kCell, kCell * kColumns);
        p.drawLine(0, k * kCell, kCell * kColumns, k * kCell);
    }
}

void TCursorsForm::UpdateButtons()
{
    BtnPrev->SetDimmed(m_page <= 0);
    BtnNext->SetDimmed(m_page >= PageCount() - 1);
    BtnOk->SetDimmed(m_selected < 0);
    LabelPage->setText(QStringLiteral("%1 / %2").arg(m_page + 1).arg(PageCount()));
    PBoxCursors->update();
}

bool TCursorsForm::Choose(QWidget* parent, QString& cursor)
{
    const QString dataDir = settings().DataDir;
    const QStringList names = CursorNames(dataDir);
    QList<QImage> pictures;
    for (const QString& n : names)
        pictures << CursorPicture(dataDir, n);
    TCursorsForm form(parent);
    form.SetCursors(names, pictures);
    form.Preselect(cursor);
    if (form.exec() != mrOk || form.SelectedName().isEmpty())
        return false;
    cursor = form.SelectedName();
    return true;
}

} // namespace kav
