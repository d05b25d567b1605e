#include "editor/forms/listform.h"

#include "document/document.h"
#include "document/item.h"
#include "document/scene.h"
#include "ui/forms/bmpbutton.h"
#include "ui/langstrings.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>

namespace kav {

namespace {
constexpr int kPreviewW = 136, kPreviewH = 104;
constexpr int kListW = 250, kListH = 168;
} // namespace

TListForm::TListForm(QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("ListForm"));
    setWindowTitle(QStringLiteral("Select"));
    LabelTitle = new QLabel(this);
    LabelTitle->setObjectName(QStringLiteral("LabelTitle"));
    QFont bold = LabelTitle->font();
    bold.setBold(true);
    LabelTitle->setFont(bold);

    List = new QListWidget(this);
    List->setObjectName(QStringLiteral("List"));
    connect(List, &QListWidget::currentRowChanged, this, [this] { RowChanged(); });
    connect(List, &QListWidget::itemSelectionChanged, this, [this] { UpdateOk(); });
    connect(List, &QListWidget::itemDoubleClicked, this, [this] {
        if (!BtnOk->Dimmed())
            BtnOkClick();
    });

    Preview = new QLabel(this);
    Preview->setObjectName(QStringLiteral("Preview"));
    Preview->setAlignment(Qt::AlignCenter);
    Preview->setStyleSheet(QStringLiteral("QLabel { background: white; border: 1px solid #B8C2CF; }"));

    BtnSpeaker = eventdialogs::MakeButton(this, "BtnSpeaker", QString(), QStringLiteral("Speaker"));
    connect(BtnSpeaker, &TBmpButton::OnClick, this, [this] {
        const int row = List->currentRow();
        if (PlaySound && row >= 0 && row < m_rows.size())
            PlaySound(m_rows[row].Name);
    });
    CheckLoop = new QCheckBox(QStringLiteral("Loop"), this);
    CheckLoop->setObjectName(QStringLiteral("CheckLoop"));

    BtnNewBlankScene = eventdialogs::MakeButton(this, "BtnNewBlankScene", QStringLiteral("New Blank Scene"),
                                                QStringLiteral("Action"));
    BtnNewDuplicatedScene = eventdialogs::MakeButton(this, "BtnNewDuplicatedScene",
                                                     QStringLiteral("New Duplicated Scene"), QStringLiteral("Action"));
    connect(BtnNewBlankScene, &TBmpButton::OnClick, this, [this] {
        NewScene = TNewSceneKind::Blank;
        done(mrOk);
    });
    connect(BtnNewDuplicatedScene, &TBmpButton::OnClick, this, [this] {
        NewScene = TNewSceneKind::Duplicate;
        done(mrOk);
    });
    LabelExistingScenes = new QLabel(QStringLiteral("Existing Scene(s):"), this);
    LabelExistingScenes->setObjectName(QStringLiteral("LabelExistingScenes"));
}

void TListForm::Setup(const QString& title, const QString& actionName, const QList<TListRow>& rows, bool multi,
                      Kind kind)
{
    m_rows = rows;
    m_kind = kind;
    NewScene = TNewSceneKind::None;
    StdLabelTitle->setText(actionName);
    LabelTitle->setText(title);
    List->clear();
    List->setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    for (const TListRow& row : rows)
        List->addItem(row.Text);

    const bool scenes = kind == Kind::Scenes;
    const bool sounds = kind == Kind::Sounds;
    int y = 44;
    LabelTitle->setGeometry(16, y, 380, 20);
    y += 26;
    BtnNewBlankScene->setVisible(scenes);
    BtnNewDuplicatedScene->setVisible(scenes);
    LabelExistingScenes->setVisible(scenes);
    if (scenes) {
        BtnNewBlankScene->move(16, y);
        BtnNewDuplicatedScene->move(16 + BtnNewBlankScene->width() + 8, y);
        y += BtnNewBlankScene->height() + 8;
        LabelExistingScenes->setGeometry(16, y, 250, 18);
        y += 22;
    }
    List->setGeometry(16, y, kListW, kListH);
    Preview->setGeometry(16 + kListW + 12, y, kPreviewW, kPreviewH);
    Preview->setVisible(kind == Kind::Items);
    BtnSpeaker->setVisible(sounds && bool(PlaySound));
    BtnSpeaker->move(16 + kListW + 12, y);
    CheckLoop->setVisible(sounds);
    CheckLoop->move(16 + kListW + 12, y + BtnSpeaker->height() + 10);
    CheckLoop->adjustSize();
    SetClientSize(16 + kListW + 12 + kPreviewW + 16, y + kListH + 80);
    if (!rows.isEmpty())
        List->setCurrentRow(0);
    else
        RowChanged();
    UpdateOk();
}

QList<TListRow> TListForm::Chosen() const
{
    QList<TListRow> out;
    for (int i = 0; i < List->count(); ++i)
        if (List->item(i)->isSelected() && i < m_rows.size())
            out << m_rows[i];
    return out;
}

void TListForm::RowChanged()
{
    if (m_kind != Kind::Items)
        return;
    const int row = List->currentRow();
    const qreal dpr = devicePixelRatioF();
    QImage image(QSize(kPreviewW - 2, kPreviewH - 2) * dpr, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    if (row >= 0 && row < m_rows.size()) {
        QImage logical(kPreviewW - 2, kPreviewH - 2, QImage::Format_ARGB32_Premultiplied);
        if (m_rows[row].Item)
            eventdialogs::DrawItemPreview(logical, *m_rows[row].Item);
        else if (TScene* scene = Doc().LogicalScene)
            eventdialogs::DrawStagePreview(logical, *scene->Stage);
        else
            logical.fill(Qt::white);
        image = logical;
    }
    Preview->setPixmap(QPixmap::fromImage(image));
}

void TListForm::UpdateOk()
{
    BtnOk->SetDimmed(List->selectedItems().isEmpty());
}

bool TListForm::Choose(QWidget* parent, const QString& title, const QString& actionName, const QList<TListRow>& rows,
                       bool multi, QList<TListRow>& chosen, Kind kind, TNewSceneKind* newScene, bool* loop,
                       std::function<void(const QString&)> playSound)
{
    TListForm form(parent);
    form.PlaySound = std::move(playSound);
    form.Setup(title, actionName, rows, multi, kind);
    if (loop)
        form.CheckLoop->setChecked(*loop);
    if (form.exec() != mrOk)
        return false;
    if (newScene)
        *newScene = form.NewScene;
    if (loop)
        *loop = form.CheckLoop->isChecked();
    chosen = form.Chosen();
    return form.NewScene != TNewSceneKind::None || !chosen.isEmpty();
}

} // namespace kav
