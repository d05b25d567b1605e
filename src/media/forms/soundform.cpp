#include "media/forms/soundform.h"

#include "config/settings.h"
#include "platform/soundoutput.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/infobar.h"
#include "ui/langstrings.h"

#include <QLabel>
#include <QListWidget>

namespace kav {

namespace {
const char* const kCategoryNames[3] = {"Voice", "Music", "Effects"};

QString listStyle()
{
    return QStringLiteral(
        "QListWidget { background: white; border: 1px solid #B9C1CC; border-radius: 6px; padding: 3px; font-size: 12px; }"
        "QListWidget::item { padding: 2px 4px; border-radius: 3px; }"
        "QListWidget::item:selected { background: #3B7BF0; color: white; }");
}
} // namespace

TSoundForm::TSoundForm(const TSoundCatalogue& catalogue, TSoundOutput* output, QWidget* parent)
    : TStdPeltoForm(parent), m_catalogue(catalogue), m_output(output)
{
    if (!m_output) {
        m_ownOutput = std::make_unique<TMultimediaSoundOutput>();
        m_output = m_ownOutput.get();
    }
    WorkDir = settings().WorkDir;
    setObjectName(QStringLiteral("SoundForm"));
    setWindowTitle(QStringLiteral("Sound Library"));
    StdLabelTitle->setText(QStringLiteral("Sound Library"));
    SetClientSize(520, 350);

    auto makeButton = [this](const QString& name, const QString& caption, bool accent) {
        auto* b = new TBmpButton(this);
        b->setObjectName(name);
        StyleCaptionButton(b, accent ? QStringLiteral("\\Magazine\\Insert") : QStringLiteral("\\Magazine\\Button"), caption,
                           accent);
        b->resize(108, 28);
        return b;
    };
    for (int c = 0; c < 3; ++c) {
        BtnCategory[c] = makeButton(QStringLiteral("Btn") + QLatin1String(kCategoryNames[c]), QLatin1String(kCategoryNames[c]), false);
        BtnCategory[c]->move(20 + c * 116, 52);
        connect(BtnCategory[c], &TBmpButton::OnClick, this, [this, c] { SelectCategory(c); });
    }
    ListSubCategories = new QListWidget(this);
    ListSubCategories->setObjectName(QStringLiteral("ListSubCategories"));
    ListSubCategories->setStyleSheet(listStyle());
    ListSubCategories->setGeometry(20, 92, 160, 170);
    connect(ListSubCategories, &QListWidget::currentRowChanged, this, &TSoundForm::SelectSubCategory);
    ListSounds = new QListWidget(this);
    ListSounds->setObjectName(QStringLiteral("ListSounds"));
    ListSounds->setStyleSheet(listStyle());
    ListSounds->setGeometry(192, 92, 188, 170);
    connect(ListSounds, &QListWidget::itemClicked, this, [this] { SelectSound(ListSounds->currentRow()); });

    BtnPlayLoop = makeButton(QStringLiteral("BtnPlayLoop"), QStringLiteral("Play Loop"), false);
    BtnPlayLoop->move(394, 92);
    connect(BtnPlayLoop, &TBmpButton::OnClick, this, &TSoundForm::BtnPlayLoopClick);
    BtnAdd = makeButton(QStringLiteral("BtnAddToMagazine"), QStringLiteral("Add To Magazine"), true);
    BtnAdd->move(394, 124);
    QFont small = BtnAdd->font();
    small.setPixelSize(10);
    BtnAdd->setFont(small);
    connect(BtnAdd, &TBmpButton::OnClick, this, &TSoundForm::BtnAddClick);
    SetHelpContext(6200);
    for (TBmpButton* b : BtnCategory)
        b->SetHelpContext(6202);
    kav::SetHelpContext(ListSubCategories, 6203);
    kav::SetHelpContext(ListSounds, 6204);
    BtnPlayLoop->SetHelpContext(6206);
    BtnAdd->SetHelpContext(6208);
    SelectCategory(TSoundCatalogue::scEffects);
}

TSoundForm::~TSoundForm() { stop(); }

void TSoundForm::stop()
{
    if (m_output)
        m_output->StopAll();
    m_looping = false;
    if (BtnPlayLoop)
        BtnPlayLoop->SetCaption(TableText(QStringLiteral("SoundForm.BtnPlayLoop"), QStringLiteral("Play Loop")));
}

const TSoundRec* TSoundForm::selected() const
{
    const int row = ListSounds->currentRow();
    return row >= 0 && row < m_shown.size() && ListSounds->currentItem() && ListSounds->currentItem()->isSelected() ? &m_shown.at(row)
                                                                                                                  : nullptr;
}

void TSoundForm::SelectCategory(int category)
{
    stop();
    m_category = std::clamp(category, 0, 2);
    for (int c = 0; c < 3; ++c)
        BtnCategory[c]->SetPressed(c == m_category);
    ListSubCategories->blockSignals(true);
    ListSubCategories->clear();
    ListSubCategories->addItems(m_catalogue.SubCategories(m_category));
    ListSubCategories->blockSignals(false);
    if (ListSubCategories->count() > 0)
        ListSubCategories->setCurrentRow(0);
    else
        SelectSubCategory(-1);
}

void TSoundForm::SelectSubCategory(int row)
{
    stop();
    ListSubCategories->blockSignals(true);
    ListSubCategories->setCurrentRow(row);
    ListSubCategories->blockSignals(false);
    ListSounds->clear();
    m_shown.clear();
    if (row >= 0 && row < ListSubCategories->count())
        m_shown = m_catalogue.SoundsIn(m_category, ListSubCategories->item(row)->text());
    for (const TSoundRec& s : m_shown)
        ListSounds->addItem(s.Name);
    updateButtons();
}

void TSoundForm::SelectSound(int row)
{
    stop();
    ListSounds->setCurrentRow(row);
    if (const TSoundRec* s = selected())
        PlayLibrarySound(*m_output, s->Path, false, WorkDir);
    updateButtons();
}

void TSoundForm::updateButtons()
{
    const TSoundRec* s = selected();
    BtnPlayLoop->SetDimmed(!s);
    BtnAdd->SetDimmed(!s || !m_collection.CanAdd(*s));
    BtnOk->SetDimmed(!s && m_collection.Items().Count() == 0);
}

void TSoundForm::BtnPlayLoopClick()
{
    if (BtnPlayLoop->Dimmed())
        return;
    if (m_looping) {
        stop();
        return;
    }
    if (const TSoundRec* s = selected(); s && PlayLibrarySound(*m_output, s->Path, true, WorkDir)) {
        m_looping = true;
        BtnPlayLoop->SetCaption(TableText(QStringLiteral("SoundForm.BtnStop"), QStringLiteral("Stop")));
    }
}

void TSoundForm::BtnAddClick()
{
    if (const TSoundRec* s = selected(); s && !BtnAdd->Dimmed())
        m_collection.Add(*s);
    updateButtons();
}

void TSoundForm::done(int result)
{
    // OK (the button or Enter) takes the selected sound too; Cancel (or Esc) collects nothing.
    if (result == mrOk) {
        if (const TSoundRec* s = selected())
            m_collection.Add(*s);
    } else {
        m_collection.Clear();
    }
    stop();
    TStdPeltoForm::done(result);
}

void TSoundForm::hideEvent(QHideEvent* event)
{
    stop();
    TStdPeltoForm::hideEvent(event);
}

} // namespace kav
