#include "media/forms/searchform.h"

#include "config/settings.h"
#include "core/colors.h"
#include "media/magazine.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/clearpanel.h"
#include "ui/forms/infobar.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStringListModel>

#include <array>

namespace kav {

namespace {
// The workspace panel's place in the window; the thumbnail places are in window pixels.
const QRect kWorkspace(84, 74, 424, 338);

// Help numbers of the window's controls (the next number: dimmed, or name mode).
enum : int {
    kHelpSearchBox = 7000,
    kHelpNearest = 7003,
    kHelpSearch = 7006,     // +1 dimmed, +2 name mode
    kHelpMode = 7030,
    kHelpRandom = 7010,
    kHelpPrev = 7012,
    kHelpNext = 7014,
    kHelpBack = 7016,
    kHelpForward = 7018,
    kHelpFlip = 7020,
    kHelpColour = 7022,
    kHelpSize = 7024,
    kHelpMagazine = 7026,
    kHelpWorkspace = 7028,
    kHelpWindow = 7029,
};

const uint32_t kHistoryOn = 0x00C70703;
const uint32_t kHistoryOff = 0x00808080;

QString text(const char* key, const char* fallback)
{
    const QString t = GetText(QStringLiteral("SEMainForm.") + QLatin1String(key));
    return t.isEmpty() ? QString::fromLatin1(fallback) : t;
}

// A table text with its %1 and %2 filled in.
QString formatted(const char* key, const char* fallback, const QString& t1, const QString& t2 = {})
{
    const QString t = GetString(QStringLiteral("SEMainForm.") + QLatin1String(key), t1, t2);
    if (!t.isEmpty())
        return t;
    return QString::fromLatin1(fallback).replace(QStringLiteral("%1"), t1).replace(QStringLiteral("%2"), t2);
}

QString variantReference(const QString& topic, const int v[3])
{
    return topic + QStringLiteral("/o%1s%2c%3").arg(v[0]).arg(v[1]).arg(v[2]);
}

// A library picture with its transparent corner colour cleared.
QImage transparentCopy(const QImage& picture)
{
    if (picture.isNull())
        return picture;
    QImage shown = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = shown.pixel(0, 0) & 0xFFFFFF;
    if (key != qRgb(0, 255, 0) && key != 0x00FF00)
        return shown;
    for (int y = 0; y < shown.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
    }
    return shown;
}
} // namespace

const QRect& TSearchForm::Position(int index)
{
    static const std::array<QRect, TSearchResults::kPositions> places = {
        QRect(97, 190, 80, 80),
        QRect(213, 87, 50, 50), QRect(213, 144, 50, 50), QRect(213, 201, 50, 50), QRect(213, 258, 50, 50),
        QRect(213, 315, 50, 50),
        QRect(281, 111, 40, 40), QRect(281, 158, 40, 40), QRect(281, 205, 40, 40), QRect(281, 252, 40, 40),
        QRect(281, 299, 40, 40),
        QRect(339, 125, 30, 30), QRect(339, 167, 30, 30), QRect(339, 209, 30, 30), QRect(339, 249, 30, 30),
        QRect(339, 293, 30, 30),
        QRect(386, 146, 30, 30), QRect(386, 188, 30, 30), QRect(386, 230, 30, 30), QRect(386, 272, 30, 30),
        QRect(432, 167, 30, 30), QRect(432, 209, 30, 30), QRect(432, 251, 30, 30),
        QRect(476, 214, 20, 20)};
    return places.at(size_t(std::clamp(index, 0, TSearchResults::kPositions - 1)));
}

TSearchForm::TSearchForm(QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("SEMainForm"));
    setWindowTitle(QStringLiteral("Image Library"));
    StdLabelTitle->setText(windowTitle());
    SetClientSize(720, 520);
    SetHelpContext(kHelpWindow);

    Workspace = new TClearPanel(this);
    Workspace->setObjectName(QStringLiteral("Workspace"));
    Workspace->setGeometry(kWorkspace);
    Workspace->setMouseTracking(true);
    kav::SetHelpContext(Workspace, kHelpWorkspace);
    Workspace->OnPaint = [this](QPainter& p) { paintWorkspace(p); };
    Workspace->installEventFilter(this);

    auto label = [this](const char* name, const QRect& r, int px, bool bold = false) {
        auto* l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(r);
        QFont f = l->font();
        f.setPixelSize(px);
        f.setBold(bold);
        l->setFont(f);
        l->setStyleSheet(QStringLiteral("color: #2B3441;"));
        return l;
    };
    auto button = [this](const char* name, const char* art, const QString& caption, const QRect& r, int help) {
        auto* b = new TBmpButton(this);
        b->setObjectName(QLatin1String(name));
        StyleCaptionButton(b, QStringLiteral("\\Search\\") + QLatin1String(art), caption);
        b->setGeometry(r);
        b->SetHelpContext(help);
        return b;
    };

    label("LabelLook", QRect(528, 62, 176, 16), 11, true)->setText(QStringLiteral("Find"));
    EditSearch = new QLineEdit(this);
    EditSearch->installEventFilter(this);
    EditSearch->setObjectName(QStringLiteral("EditSearch"));
    EditSearch->setGeometry(528, 80, 176, 24);
    EditSearch->setStyleSheet(QStringLiteral(
        "QLineEdit { background: white; border: 1px solid #B9C1CC; border-radius: 5px; padding: 1px 6px; font-size: 12px; }"
        "QLineEdit:focus { border-color: #3B7BF0; }"));
    kav::SetHelpContext(EditSearch, kHelpSearchBox);
    connect(EditSearch, &QLineEdit::textChanged, this, &TSearchForm::searchTextChanged);

    // The nearest topic sits beside the caption, where the word list's popup leaves it visible.
    LabelNearest = label("LabelNearest", QRect(566, 61, 138, 18), 12, true);
    LabelNearest->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    kav::SetHelpContext(LabelNearest, kHelpNearest);

    ComboMode = new QComboBox(this);
    ComboMode->setObjectName(QStringLiteral("ComboMode"));
    ComboMode->setGeometry(528, 114, 176, 24);
    ComboMode->addItems({QStringLiteral("Look By Keyword"), QStringLiteral("Look By Name")});
    kav::SetHelpContext(ComboMode, kHelpMode);
    connect(ComboMode, &QComboBox::currentIndexChanged, this, &TSearchForm::modeChanged);

    BtnSearch = button("SearchBtn", "Button", QStringLiteral("Search"), QRect(526, 150, 88, 28), kHelpSearch);
    BtnRandom = button("BtnRandom", "Button", QStringLiteral("Random"), QRect(618, 150, 88, 28), kHelpRandom);
    LabelFound = label("LabelFound", QRect(528, 184, 176, 16), 11);

    label("LabelVariants", QRect(528, 222, 176, 16), 11, true)->setText(QStringLiteral("Variants"));
    BtnFlip = button("BtnFlip", "Small", QStringLiteral("Flip"), QRect(526, 240, 60, 28), kHelpFlip);
    BtnColour = button("BtnColour", "Small", QStringLiteral("Colour"), QRect(586, 240, 60, 28), kHelpColour);
    BtnSize = button("BtnSize", "Small", QStringLiteral("Size"), QRect(646, 240, 60, 28), kHelpSize);
    connect(BtnFlip, &TBmpButton::OnClick, this, [this] { StepVariant(0); });
    connect(BtnSize, &TBmpButton::OnClick, this, [this] { StepVariant(1); });
    connect(BtnColour, &TBmpButton::OnClick, this, [this] { StepVariant(2); });

    BtnMagazine = button("BtnMagazine", "Magazine", QStringLiteral("Add to Image Magazine"), QRect(526, 282, 180, 28),
                         kHelpMagazine);
    QFont magazineFont = BtnMagazine->font();
    magazineFont.setPixelSize(10);  // the animation caption is the longest
    BtnMagazine->setFont(magazineFont);

    BtnBack = button("BtnBack", "Back", QString(), QRect(526, 330, 36, 28), kHelpBack);
    LabelHistory = label("LabelHistory", QRect(562, 330, 108, 28), 12, true);
    LabelHistory->setAlignment(Qt::AlignCenter);
    LabelHistory->setText(QStringLiteral("History"));
    BtnForward = button("BtnForward", "Forward", QString(), QRect(670, 330, 36, 28), kHelpForward);

    BtnPrev = button("BtnPrev", "Prev", QString(), QRect(190, 418, 36, 28), kHelpPrev);
    LabelPage = label("LabelPage", QRect(230, 418, 150, 28), 12, true);
    LabelPage->setAlignment(Qt::AlignCenter);
    BtnNext = button("BtnNext", "Next", QString(), QRect(384, 418, 36, 28), kHelpNext);

    LabelCaption = label("LabelCaption", QRect(20, 300, 240, 18), 12, true);
    LabelCaption->setAlignment(Qt::AlignCenter);
    LabelCaption->setStyleSheet(QStringLiteral("color: #1F50B8;"));
    LabelCaption->hide();  // the workspace draws the caption; this keeps it for the tests

    connect(BtnSearch, &TBmpButton::OnClick, this, &TSearchForm::BtnSearchClick);
    connect(BtnRandom, &TBmpButton::OnClick, this, &TSearchForm::BtnRandomClick);
    connect(BtnPrev, &TBmpButton::OnClick, this, &TSearchForm::BtnPrevClick);
    connect(BtnNext, &TBmpButton::OnClick, this, &TSearchForm::BtnNextClick);
    connect(BtnBack, &TBmpButton::OnClick, this, &TSearchForm::BtnBackClick);
    connect(BtnForward, &TBmpButton::OnClick, this, &TSearchForm::BtnForwardClick);
    connect(BtnMagazine, &TBmpButton::OnClick, this, &TSearchForm::BtnMagazineClick);
    disconnect(BtnOk, &TBmpButton::OnClick, this, &TStdPeltoForm::BtnOkClick);
    connect(BtnOk, &TBmpButton::OnClick, this, [this] {
        if (!BtnOk->Dimmed())
            choose();
    });

    // One click waits for a second one; the slide show starts a little after a topic shows.
    m_clickTimer.setSingleShot(true);
    connect(&m_clickTimer, &QTimer::timeout, this, [this] {
        const int position = m_pendingClick;
        m_pendingClick = -1;
        if (position > 0)
            ThumbnailClicked(position);
    });
    m_slideStart.setSingleShot(true);
    connect(&m_slideStart, &QTimer::timeout, this, [this] {
        if (m_frames > 1)
            m_slideTimer.start(std::max(20, settings().SlideShowTimer > 0 ? settings().SlideShowTimer : 120));
    });
    connect(&m_slideTimer, &QTimer::timeout, this, &TSearchForm::slideStep);
}

void TSearchForm::ApplyStrings()
{
    TStdPeltoForm::ApplyStrings();
    for (TBmpButton* b : findChildren<TBmpButton*>())
        b->SetCaption(b->Caption().replace(QStringLiteral("&&"), QStringLiteral("&")));
    ComboMode->setItemText(0, text("ComboMode.Keyword", "Look By Keyword"));
    ComboMode->setItemText(1, text("ComboMode.Name", "Look By Name"));
    applyCaptions();
}

void TSearchForm::applyCaptions()
{
    static const char* const names[3] = {"Animation Library", "Image Library", "Background Library"};
    static const char* const keys[3] = {"Caption.Animation", "Caption.Image", "Caption.Background"};
    const QString caption = text(keys[m_category], names[m_category]);
    setWindowTitle(caption);
    StdLabelTitle->setText(caption);
    BtnMagazine->SetCaption(m_category == 0 ? text("Magazine.Animation", "Add to Animation Magazine")
                                            : text("Magazine.Image", "Add to Image Magazine"));
}

int TSearchForm::mode() const { return ComboMode->currentIndex() == 1 ? 1 : 0; }

void TSearchForm::Prepare(int category, const QString& reference)
{
    m_category = std::clamp(category, 0, 2);
    applyCaptions();

    TSearchData& data = SearchData();
    if (!data.Loaded())
        data.Load(settings().DataDir);
    // What this category lacks is said once, when it is first opened.
    TSearchCategoryData& own = data.Of(m_category);
    if (!own.Reported) {
        own.Reported = true;
        for (const QString& p : own.Problems)
            ShowErrorBox(p);
        for (const QString& f : own.MissingLists)
            ShowErrorBox(GetString(QStringLiteral("Error.ListWasNotFound"), f));
    }
    m_results.SetEngine(&data.Of(m_category).Engine);
    m_results.HistoryLimit = settings().HistoryLimit;
    m_results.ClearHistory();
    m_collected.Clear();
    m_thumbs.clear();
    m_selected.clear();
    m_added.clear();
    EditSearch->blockSignals(true);
    EditSearch->clear();
    EditSearch->blockSignals(false);
    auto* completer = new QCompleter(mode() == 1 ? data.Of(m_category).Topics : data.Of(m_category).Words, EditSearch);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    delete EditSearch->completer();
    EditSearch->setCompleter(completer);
    m_nearest.clear();
    m_searchedWord.clear();
    m_nearestAvailable = false;
    LabelNearest->clear();
    QPalette pal = LabelHistory->palette();
    pal.setColor(QPalette::WindowText, ToQColor(kHistoryOff));
    LabelHistory->setPalette(pal);
    LabelHistory->setStyleSheet(QString());

    m_results.Open(reference, data.RememberedEssence, data.RememberedKeywords);
    resultsChanged(true);
    if (!m_results.List.isEmpty() && !m_results.List.first().isEmpty())
        select(m_results.List.first());
    BtnOk->SetDimmed(m_selected.isEmpty());
    refreshButtons();
}

bool TSearchForm::Execute(int category, const QString& reference, QStringList* added)
{
    Prepare(category, reference);
    const bool ok = exec() == mrOk;
    m_clickTimer.stop();
    m_slideStart.stop();
    m_slideTimer.stop();
    if (added)
        *added = m_added;
    return ok;
}

QString TSearchForm::SelectedReference() const
{
    return m_selected.isEmpty() ? QString() : variantReference(m_selected, m_variant);
}

QString TSearchForm::TopicAt(int position) const
{
    if (position == 0)
        return m_results.List.value(0);
    if (position < 0 || position >= TSearchResults::kPositions)
        return {};
    return m_results.Page(m_page).value(position - 1);
}

// ---- searching ----

void TSearchForm::searchTextChanged(const QString& typed)
{
    const TSearchCategoryData& data = SearchData().Of(m_category);
    const TNearestTopic nearest = NearestTopic(mode() == 1 ? [&] {
        QStringList lower;
        for (const QString& t : data.Topics)
            lower << t.toLower();
        return lower;
    }()
                                                           : data.Words,
                                               typed);
    m_nearestAvailable = nearest.Available;
    QPalette pal = LabelNearest->palette();
    if (nearest.Empty) {
        m_nearest.clear();
        LabelNearest->clear();
    } else if (!nearest.Available) {
        m_nearest.clear();
        LabelNearest->setText(text("NotAvailable", "Not Available!"));
        pal.setColor(QPalette::WindowText, Qt::red);
        LabelNearest->setStyleSheet(QStringLiteral("color: red;"));
    } else {
        m_nearest = nearest.Word;
        LabelNearest->setText(nearest.Word);
        LabelNearest->setStyleSheet(QStringLiteral("color: navy;"));
    }
    refreshButtons();
    // Typing on within the same nearest word does not search (and fill the history) again.
    if (mode() == 0 && m_nearestAvailable && m_nearest != m_searchedWord)
        BtnSearchClick();
}

void TSearchForm::BtnSearchClick()
{
    if (!m_nearestAvailable || m_nearest.isEmpty())
        return;
    m_searchedWord = m_nearest;
    if (mode() == 1) {
        // By name: the topic whose caption was found, with its associations.
        const TSearchCategoryData& data = SearchData().Of(m_category);
        qsizetype line = -1;
        for (qsizetype i = 0; i < data.Topics.size(); ++i)
            if (data.Topics[i].toLower() == m_nearest) {
                line = i;
                break;
            }
        const QString name = line >= 0 ? data.Items.value(line) : QString();
        if (name.isEmpty() || !m_results.Engine()->Find(name)) {
            ShowErrorBox(GetText(QStringLiteral("Error.NoAnswers")));
            return;
        }
        m_results.AddHistory();
        m_results.Engine()->SearchAssociations(name, &m_results.List, true);
        m_results.FillWithAssociations();
        m_results.AddHistory();
    } else if (!m_results.SearchTyped(m_nearest, m_selected)) {
        ShowErrorBox(GetText(QStringLiteral("Error.NoAnswers")));
    }
    resultsChanged(true);
    select(m_results.List.value(0));
}

void TSearchForm::BtnRandomClick()
{
    // A random page has no main topic: nothing is selected, and Ok waits for a collection.
    m_results.RandomPage();
    resultsChanged(true);
    select(QString());
    BtnOk->SetDimmed(m_collected.Count() == 0);
}

void TSearchForm::modeChanged(int)
{
    const TSearchCategoryData& data = SearchData().Of(m_category);
    if (QCompleter* c = EditSearch->completer())
        c->setModel(new QStringListModel(mode() == 1 ? data.Topics : data.Words, c));
    searchTextChanged(EditSearch->text());
    resultsChanged(false);
}

void TSearchForm::resultsChanged(bool newList)
{
    if (newList)
        m_page = 0;
    m_page = std::clamp(m_page, 0, m_results.FurtherPages());
    LabelFound->setText(formatted("Found", "Found: %1", QString::number(m_results.List.size())));
    LabelPage->setText(mode() == 1 ? QString()
                                   : formatted("Page", "Page %1 of %2", QString::number(m_page + 1),
                                               QString::number(m_results.FurtherPages() + 1)));
    if (m_results.CanBack()) {
        LabelHistory->setStyleSheet(QStringLiteral("color: #%1;").arg(ToQColor(kHistoryOn).rgb() & 0xFFFFFF, 6, 16, QLatin1Char('0')));
    }
    refreshButtons();
    Workspace->update();
}

void TSearchForm::select(const QString& topic)
{
    m_selected = topic;
    m_variant[0] = m_variant[1] = m_variant[2] = 1;
    const TSearchItem* item = m_results.Engine() ? m_results.Engine()->Find(topic) : nullptr;
    LabelCaption->setText(item ? item->Caption : QString());
    loadMainPicture();
    if (!topic.isEmpty())
        BtnOk->SetDimmed(false);
    refreshButtons();
    Workspace->update();
}

void TSearchForm::refreshButtons()
{
    const bool haveTopic = !m_selected.isEmpty();
    BtnSearch->SetDimmed(!m_nearestAvailable || m_nearest.isEmpty());
    BtnSearch->SetHelpContext(kHelpSearch + (mode() == 1 ? 2 : 0));
    kav::SetHelpContext(LabelNearest, kHelpNearest + (mode() == 1 ? 2 : 0));
    BtnPrev->SetDimmed(mode() == 1 || m_page <= 0);
    BtnNext->SetDimmed(mode() == 1 || m_page >= m_results.FurtherPages());
    BtnBack->SetDimmed(!m_results.CanBack());
    BtnForward->SetDimmed(!m_results.CanForward());
    const QString collectName = m_selected.section(QLatin1Char('/'), -1);
    BtnMagazine->SetDimmed(!haveTopic || m_collected.Exists(collectName));
    for (TBmpButton* b : {BtnFlip, BtnColour, BtnSize})
        b->SetDimmed(!haveTopic);
    if (!haveTopic && m_collected.Count() == 0)
        BtnOk->SetDimmed(true);
}

void TSearchForm::BtnPrevClick()
{
    if (BtnPrev->Dimmed())
        return;
    --m_page;
    resultsChanged(false);
}

void TSearchForm::BtnNextClick()
{
    if (BtnNext->Dimmed())
        return;
    ++m_page;
    resultsChanged(false);
}

void TSearchForm::BtnBackClick()
{
    if (m_results.Back()) {
        resultsChanged(true);
        select(m_results.List.value(0));
    }
}

void TSearchForm::BtnForwardClick()
{
    if (m_results.Forward()) {
        resultsChanged(true);
        select(m_results.List.value(0));
    }
}

// ---- variants and the collection ----

void TSearchForm::StepVariant(int which)
{
    if (m_selected.isEmpty() || which < 0 || which > 2)
        return;
    const int start = m_variant[which];
    int v[3] = {m_variant[0], m_variant[1], m_variant[2]};
    const int kind = m_category == 0 ? lkMedia : lkPreview;
    for (int step = 0; step < 9; ++step) {
        v[which] = v[which] % 9 + 1;
        if (v[which] == start)
            return;  // no other variant of this kind
        if (Libraries().EntryExists(variantReference(m_selected, v), lkMedia) ||
            Libraries().EntryExists(variantReference(m_selected, v), kind)) {
            m_variant[which] = v[which];
            loadMainPicture();
            Workspace->update();
            return;
        }
    }
}

bool TSearchForm::collectSelected()
{
    if (m_selected.isEmpty())
        return false;
    const QString name = m_selected.section(QLatin1Char('/'), -1);
    if (m_collected.Exists(name))
        return false;
    const QString reference = SelectedReference();
    if (m_category == 0) {
        const TSearchItem* item = m_results.Engine()->Find(m_selected);
        m_collected.Add(std::make_unique<TLibItemAnim>(name, item ? std::max(1, item->Frames) : 1, reference));
    } else {
        m_collected.Add(std::make_unique<TLibItemImage>(name, reference));
    }
    return true;
}

void TSearchForm::BtnMagazineClick()
{
    if (!BtnMagazine->Dimmed() && collectSelected()) {
        BtnOk->SetDimmed(false);
        refreshButtons();
        Workspace->update();
    }
}

bool TSearchForm::choose()
{
    if (const TSearchItem* item = m_results.Engine() ? m_results.Engine()->Find(m_selected) : nullptr) {
        SearchData().RememberedEssence = item->Essence;
        SearchData().RememberedKeywords = item->Keywords;
    }
    collectSelected();
    if (m_collected.Count() == 0)
        return false;
    if (!ImportOnOk) {
        m_results.ClearHistory();
        done(mrOk);
        return true;
    }
    TMediaQuestions ask;
    ask.Confirm = [](const QString& t) { return MessageBox(QStringLiteral("Confirm"), t, mbOkCancel) == mrOk; };
    ask.Notify = [](const QString& t, bool& dontNotify) {
        return MessageBoxCheck(QStringLiteral("Notification Message"), t, mbOkCancel, TableText(QStringLiteral("MsgForm.MsgCheck"), QStringLiteral("Do not notify again")),
                               &dontNotify) == mrOk;
    };
    const TMediaResult result =
        Magazines().ImportLibraryItems(m_category == 0 ? TMagazineType::Anim : TMagazineType::Image, m_collected, ask);
    for (const QString& e : result.Errors)
        ShowErrorBox(e);
    m_added = result.Added;
    m_results.ClearHistory();
    m_collected.Clear();
    done(mrOk);
    return true;
}

// ---- the workspace ----

QImage TSearchForm::thumbnail(const QString& topic)
{
    if (topic.isEmpty())
        return {};
    auto it = m_thumbs.constFind(topic);
    if (it != m_thumbs.constEnd())
        return *it;
    const int first[3] = {1, 1, 1};
    QImage picture = Libraries().LoadBitmap(variantReference(topic, first), lkPreview);
    if (picture.isNull())
        picture = Libraries().LoadBitmap(variantReference(topic, first), lkMedia);
    if (picture.isNull())
        picture = Libraries().LoadBitmap(topic, lkMedia);
    if (m_category == 0 && !picture.isNull()) {
        const TSearchItem* item = m_results.Engine()->Find(topic);
        const int frames = item ? std::max(1, item->Frames) : 1;
        picture = picture.copy(0, 0, std::max(1, picture.width() / frames), picture.height());
    }
    picture = transparentCopy(picture);
    m_thumbs.insert(topic, picture);
    return picture;
}

void TSearchForm::loadMainPicture()
{
    m_slideTimer.stop();
    m_slideStart.stop();
    m_main = QImage();
    m_frames = 1;
    m_frame = 0;
    if (m_selected.isEmpty())
        return;
    QImage picture = Libraries().LoadBitmap(SelectedReference(), lkMedia);
    if (picture.isNull())
        picture = Libraries().LoadBitmap(m_selected, lkMedia);
    m_main = transparentCopy(picture);
    if (m_category == 0 && m_results.Engine()) {
        const TSearchItem* item = m_results.Engine()->Find(m_selected);
        m_frames = item ? std::max(1, item->Frames) : 1;
        if (m_frames > 1)
            m_slideStart.start(std::max(0, settings().ActivateSlideShow > 0 ? settings().ActivateSlideShow : 600));
    }
}

void TSearchForm::slideStep()
{
    if (m_frames <= 1 || !isVisible()) {
        m_slideTimer.stop();
        return;
    }
    m_frame = (m_frame + 1) % m_frames;
    Workspace->update(Position(0).translated(-kWorkspace.topLeft()).adjusted(-6, -6, 6, 6));
}

void TSearchForm::paintWorkspace(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(-kWorkspace.topLeft());
    // The well behind the thumbnails.
    // The panel is opaque: the well fills it to the edge.
    const QRectF well = QRectF(kWorkspace).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QColor(0xB9, 0xC1, 0xCC));
    p.setBrush(QColor(0xF7, 0xF9, 0xFC));
    p.drawRect(well);

    // Lines from the main topic to its associations.
    const QPointF hub = QRectF(Position(0)).center();
    const QStringList page = m_results.Page(m_page);
    p.setPen(QPen(QColor(0xD5, 0xDD, 0xEA), 1));
    if (!m_results.List.value(0).isEmpty() || !m_selected.isEmpty())
        for (int i = 1; i <= page.size(); ++i)
            p.drawLine(hub, QRectF(Position(i)).center());

    const TLibItemsCont& collected = m_collected;
    auto drawTopic = [&](int position, const QString& topic, const QImage& picture, int frame, int frames) {
        const QRectF r = QRectF(Position(position)).adjusted(-3, -3, 3, 3);
        const bool selected = !topic.isEmpty() && topic == m_selected;
        const bool hover = position == m_hover;
        p.setPen(QPen(selected ? QColor(0x3B, 0x7B, 0xF0) : hover ? QColor(0x7F, 0xA8, 0xF5) : QColor(0xC9, 0xD1, 0xDC),
                      selected ? 2 : 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(r, 5, 5);
        if (picture.isNull())
            return;
        const int fw = std::max(1, picture.width() / std::max(1, frames));
        const QRect source(fw * frame, 0, fw, picture.height());
        const QSize fit = source.size().scaled(Position(position).size(), Qt::KeepAspectRatio);
        const QSize shown = source.width() <= fit.width() && source.height() <= fit.height() ? source.size() : fit;
        const QRect target(Position(position).center().x() - shown.width() / 2 + 1,
                           Position(position).center().y() - shown.height() / 2 + 1, shown.width(), shown.height());
        p.drawImage(target, picture, source);
        if (collected.Exists(topic.section(QLatin1Char('/'), -1))) {
            // A tick on what is already collected.
            const QPointF c = r.topRight() + QPointF(-4, 4);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x2E, 0xA0, 0x4F));
            p.drawEllipse(c, 6, 6);
            p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({c + QPointF(-3, 0), c + QPointF(-1, 2.5), c + QPointF(3, -2.5)}));
        }
    };
    for (int i = 1; i <= page.size(); ++i)
        drawTopic(i, page[i - 1], thumbnail(page[i - 1]), 0, 1);
    // The main topic: the selected one in its variant, as a slide show for animations.
    const QString main = m_results.List.value(0);
    if (!m_selected.isEmpty())
        drawTopic(0, m_selected, m_main, m_frame, m_frames);
    else
        drawTopic(0, main, thumbnail(main), 0, 1);
    if (!LabelCaption->text().isEmpty()) {
        QFont f = font();
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(0x1F, 0x50, 0xB8));
        const QRect under(Position(0).center().x() - 70, Position(0).bottom() + 8, 140, 32);
        p.drawText(under, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, LabelCaption->text());
    }
    if (main.isEmpty() && m_selected.isEmpty() && m_results.List.size() > 1) {
        // A random page: the main place waits for a pick.
        QFont f = font();
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(QColor(0x80, 0x88, 0x94));
        p.drawText(Position(0).adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, text("PickTopic", "Click a topic"));
    }
    if (m_results.List.size() <= 1 && m_selected.isEmpty()) {
        QFont f = font();
        f.setPixelSize(12);
        p.setFont(f);
        p.setPen(QColor(0x80, 0x88, 0x94));
        p.drawText(QRect(kWorkspace.left(), kWorkspace.bottom() - 40, kWorkspace.width(), 30), Qt::AlignCenter,
                   text("Nothing", "Nothing found"));
    }
}

int TSearchForm::positionAt(QPoint at) const
{
    const QPoint inWindow = at + kWorkspace.topLeft();
    for (int i = 0; i < TSearchResults::kPositions; ++i)
        if (Position(i).adjusted(-3, -3, 3, 3).contains(inWindow))
            return TopicAt(i).isEmpty() ? -1 : i;
    return -1;
}

void TSearchForm::ThumbnailClicked(int position)
{
    if (position <= 0)
        return;
    const QString topic = TopicAt(position);
    if (topic.isEmpty())
        return;
    if (mode() == 1) {
        // By name the list stays; the picked topic becomes the selected one.
        select(topic);
        return;
    }
    m_results.SearchTopic(topic);
    resultsChanged(true);
    select(topic);
}

void TSearchForm::ThumbnailDoubleClicked(int position)
{
    m_clickTimer.stop();
    m_pendingClick = -1;
    const QString topic = TopicAt(position);
    if (topic.isEmpty())
        return;
    if (position > 0)
        select(topic);
    choose();
}

bool TSearchForm::eventFilter(QObject* watched, QEvent* event)
{
    // Enter typed into the search box searches, whichever window the system thinks is active.
    if (watched == EditSearch && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            BtnSearchClick();
            return true;
        }
    }
    if (watched == Workspace) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            const int at = positionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (at != m_hover) {
                m_hover = at;
                Workspace->setCursor(at >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
                Workspace->update();
            }
            break;
        }
        case QEvent::Leave:
            m_hover = -1;
            Workspace->update();
            break;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                const int at = positionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
                if (at > 0) {
                    m_pendingClick = at;
                    m_clickTimer.start(std::max(1, settings().ClickTimer > 0 ? settings().ClickTimer : 250));
                }
                return true;
            }
            break;
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                const int at = positionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
                if (at >= 0)
                    ThumbnailDoubleClicked(at);
                return true;
            }
            break;
        default:
            break;
        }
    }
    return TStdPeltoForm::eventFilter(watched, event);
}

void TSearchForm::keyPressEvent(QKeyEvent* event)
{
    // Page Up and Page Down turn the pages, Alt+Left and Alt+Right walk the history, Ctrl+F goes
    // to the search box, Ctrl+R shows a random page, Ctrl+M collects; Enter chooses (in the
    // search box it searches: eventFilter).
    const bool alt = event->modifiers() == Qt::AltModifier, ctrl = event->modifiers() == Qt::ControlModifier;
    if (alt && event->key() == Qt::Key_Left) {
        BtnBackClick();
        return;
    }
    if (alt && event->key() == Qt::Key_Right) {
        BtnForwardClick();
        return;
    }
    if (ctrl && event->key() == Qt::Key_F) {
        EditSearch->setFocus();
        EditSearch->selectAll();
        return;
    }
    if (ctrl && event->key() == Qt::Key_R) {
        BtnRandomClick();
        return;
    }
    if (ctrl && event->key() == Qt::Key_M) {
        BtnMagazineClick();
        return;
    }
    if (event->key() == Qt::Key_PageDown) {
        BtnNextClick();
        return;
    }
    if (event->key() == Qt::Key_PageUp) {
        BtnPrevClick();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (!BtnOk->Dimmed())
            choose();
        return;
    }
    TStdPeltoForm::keyPressEvent(event);
}

} // namespace kav
