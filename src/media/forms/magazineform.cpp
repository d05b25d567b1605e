#include "media/forms/magazineform.h"

#include "config/settings.h"
#include "core/colors.h"
#include "core/errors.h"
#include "document/document.h"
#include "media/forms/searchform.h"
#include "media/forms/soundform.h"
#include "media/library.h"
#include "media/soundcatalogue.h"
#include "core/maskedbitmap.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/infobar.h"
#include "ui/forms/clearpanel.h"
#include "ui/forms/interstore.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>

namespace kav {

namespace {
constexpr int kPreviewX = 246, kPreviewY = 57, kPreviewSide = 80;

const char* formName(TMagazineType t)
{
    switch (t) {
    case TMagazineType::Image: return "ImageMagazineForm";
    case TMagazineType::Anim: return "AnimMagazineForm";
    case TMagazineType::Sound: return "SoundMagazineForm";
    }
    return "MagazineForm";
}

const char* title(TMagazineType t)
{
    switch (t) {
    case TMagazineType::Image: return "Image Magazine";
    case TMagazineType::Anim: return "Animation Magazine";
    case TMagazineType::Sound: return "Sound Magazine";
    }
    return "Magazine";
}
} // namespace

TMagazineForm::TMagazineForm(TMagazineType type, QWidget* parent) : TStdPeltoForm(parent), m_type(type)
{
    setObjectName(QLatin1String(formName(type)));
    setWindowTitle(QLatin1String(title(type)));
    StdLabelTitle->setText(QLatin1String(title(type)));
    SetClientSize(500, 350);
    // Insert closes the window with OK; Cancel closes it without a choice.
    BtnOk->hide();

    ListItems = new QListWidget(this);
    ListItems->setObjectName(QStringLiteral("ListItems"));
    ListItems->setGeometry(20, 57, 210, 208);
    ListItems->setFrameShape(QFrame::NoFrame);
    ListItems->setStyleSheet(QStringLiteral(
        "QListWidget { background: white; border: 1px solid #B9C1CC; border-radius: 6px; padding: 3px; font-size: 12px; }"
        "QListWidget::item { padding: 2px 4px; border-radius: 3px; }"
        "QListWidget::item:selected { background: #3B7BF0; color: white; }"));
    connect(ListItems, &QListWidget::itemSelectionChanged, this, &TMagazineForm::selectionChanged);
    connect(ListItems, &QListWidget::itemDoubleClicked, this, [this] {
        if (!BtnInsert->Dimmed())
            BtnOkClick();
    });

    PreviewBox = new TClearPanel(this);
    PreviewBox->setObjectName(QStringLiteral("PreviewBox"));
    PreviewBox->setGeometry(kPreviewX - 4, kPreviewY - 4, kPreviewSide + 8, kPreviewSide + 8);
    PreviewBox->OnPaint = [this](QPainter& p) {
        // The well: white with a hairline edge, on the window's background.
        p.setPen(QColor(0xB9, 0xC1, 0xCC));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.5, 0.5, kPreviewSide + 7, kPreviewSide + 7));
        if (m_type == TMagazineType::Sound && !SelectedNames().isEmpty()) {
            QFont f = font();
            f.setPixelSize(44);
            p.setFont(f);
            p.setPen(QColor(0x3B, 0x7B, 0xF0));
            p.drawText(QRectF(0, 0, kPreviewSide + 8, kPreviewSide + 8), Qt::AlignCenter, QString(QChar(0x266B)));
        }
        if (m_preview.isNull())
            return;
        // A picture that fits is shown at its size, a larger one scaled to 80 on its long side.
        const QSize s = m_preview.size().scaled(QSize(kPreviewSide, kPreviewSide), Qt::KeepAspectRatio);
        const QSize shown = m_preview.width() <= kPreviewSide && m_preview.height() <= kPreviewSide ? m_preview.size() : s;
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(4 + (kPreviewSide - shown.width()) / 2, 4 + (kPreviewSide - shown.height()) / 2, shown.width(),
                          shown.height()),
                    m_preview);
    };

    LabelInfo = new QLabel(this);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    LabelInfo->setGeometry(340, 55, 150, 116);
    LabelInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont infoFont = LabelInfo->font();
    infoFont.setPixelSize(11);
    LabelInfo->setFont(infoFont);
    LabelInfo->setStyleSheet(QStringLiteral("color: #2B3441;"));

    auto makeButton = [this](const char* name, const QString& caption) {
        auto* b = new TBmpButton(this);
        b->setObjectName(QLatin1String(name));
        StyleCaptionButton(b, QStringLiteral("\\Magazine\\Button"), caption);
        b->resize(108, 28);
        return b;
    };
    BtnInsert = makeButton("BtnInsert", QStringLiteral("Insert"));
    StyleCaptionButton(BtnInsert, QStringLiteral("\\Magazine\\Insert"), QStringLiteral("Insert"), true);
    connect(BtnInsert, &TBmpButton::OnClick, this, [this] {
        if (!BtnInsert->Dimmed())
            BtnOkClick();
    });
    BtnImport = makeButton("BtnImport", QStringLiteral("Import..."));
    BtnPaste = makeButton("BtnPaste", QStringLiteral("Paste"));
    BtnFlip = makeButton("BtnFlip", QStringLiteral("Flip & Duplicate"));
    BtnDelete = makeButton("BtnDelete", QStringLiteral("Delete"));
    BtnLibrary = makeButton("BtnLibrary", QStringLiteral("Library..."));
    // Hints: each button's number, the dimmed button's the next one.
    SetHelpContext(6100);
    kav::SetHelpContext(ListItems, 6101);
    kav::SetHelpContext(PreviewBox, 6102);
    kav::SetHelpContext(LabelInfo, 6102);
    int help = 6104;
    for (TBmpButton* b : {BtnInsert, BtnImport, BtnPaste, BtnFlip, BtnDelete, BtnLibrary}) {
        b->SetHelpContext(help);
        help += 2;
    }
    QList<TBmpButton*> shown{BtnInsert, BtnImport};
    if (type == TMagazineType::Image)
        shown << BtnPaste << BtnFlip;
    shown << BtnLibrary << BtnDelete;
    BtnPaste->setVisible(type == TMagazineType::Image);
    BtnFlip->setVisible(type == TMagazineType::Image);
    for (int i = 0; i < shown.size(); ++i)
        shown[i]->move(242 + (i % 2) * 118, 174 + (i / 2) * 31);
    connect(BtnImport, &TBmpButton::OnClick, this, &TMagazineForm::BtnImportClick);
    connect(BtnPaste, &TBmpButton::OnClick, this, &TMagazineForm::BtnPasteClick);
    connect(BtnFlip, &TBmpButton::OnClick, this, &TMagazineForm::BtnFlipClick);
    connect(BtnDelete, &TBmpButton::OnClick, this, &TMagazineForm::BtnDeleteClick);
    connect(BtnLibrary, &TBmpButton::OnClick, this, &TMagazineForm::BtnLibraryClick);
    if (QClipboard* clip = QGuiApplication::clipboard())
        connect(clip, &QClipboard::dataChanged, this, &TMagazineForm::selectionChanged);
    Prepare();
}

void TMagazineForm::ApplyStrings()
{
    TStdPeltoForm::ApplyStrings();
    // Captions from the tables escape '&' as "&&"; the buttons draw their captions as they are.
    for (TBmpButton* b : {BtnInsert, BtnImport, BtnPaste, BtnFlip, BtnDelete, BtnLibrary})
        b->SetCaption(b->Caption().replace(QStringLiteral("&&"), QStringLiteral("&")));
}

TMagazine& TMagazineForm::magazine() const { return Magazines().Of(m_type); }

void TMagazineForm::Prepare() { fillList({}); }

void TMagazineForm::SetMultiSelect(bool on)
{
    m_multiSelect = on;
    ListItems->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TMagazineForm::fillList(const QStringList& select)
{
    ListItems->blockSignals(true);
    ListItems->clear();
    const QStringList names = magazine().Names();
    ListItems->addItems(names);
    for (int i = 0; i < ListItems->count(); ++i)
        if (select.contains(ListItems->item(i)->text(), Qt::CaseInsensitive)) {
            ListItems->item(i)->setSelected(true);
            ListItems->scrollToItem(ListItems->item(i));
        }
    ListItems->blockSignals(false);
    selectionChanged();
}

void TMagazineForm::SelectName(const QString& name) { fillList({name}); }

QStringList TMagazineForm::SelectedNames() const
{
    QStringList out;
    for (int i = 0; i < ListItems->count(); ++i)
        if (ListItems->item(i)->isSelected())
            out << ListItems->item(i)->text();
    return out;
}

QString TMagazineForm::SelectedName() const
{
    const QStringList names = SelectedNames();
    return names.isEmpty() ? QString() : names.first();
}

void TMagazineForm::selectionChanged()
{
    const QStringList names = SelectedNames();
    const TBaseMediaDB* rec = names.size() == 1 ? magazine().Find(names.first()) : nullptr;
    m_preview = QImage();
    QStringList info;
    if (rec) {
        if (m_type != TMagazineType::Sound) {
            const QImage picture = ReadImageFile(magazine().Folder() + rec->FileName);
            // An animation shows its first frame.
            const auto* anim = dynamic_cast<const TAnimDB*>(rec);
            m_preview = anim && anim->Frames > 1 && !picture.isNull()
                            ? picture.copy(0, 0, std::max(1, picture.width() / anim->Frames), picture.height())
                            : picture;
            if (!m_preview.isNull()) {
                // The transparent colour shows as the well's white.
                QImage shown = m_preview.convertToFormat(QImage::Format_ARGB32);
                const QRgb key = ToArgb(Doc().TransparentColor);
                for (int y = 0; y < shown.height(); ++y) {
                    QRgb* line = reinterpret_cast<QRgb*>(shown.scanLine(y));
                    for (int x = 0; x < shown.width(); ++x)
                        if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                            line[x] = 0;
                }
                m_preview = shown;
            }
        }
        info = MediaInfoLines(*rec, Magazines().Uses(m_type, rec->Name));
    }
    LabelInfo->setText(info.join(QLatin1Char('\n')));
    PreviewBox->update();
    BtnInsert->SetDimmed(m_multiSelect ? names.isEmpty() : names.size() != 1);
    BtnDelete->SetDimmed(!Magazines().CanDelete(m_type, names));
    BtnFlip->SetDimmed(!Magazines().CanFlip(names));
    BtnLibrary->SetDimmed(!OnLibrary && !settings().SearchOn());
    const QClipboard* clip = QGuiApplication::clipboard();
    BtnPaste->SetDimmed(!clip || clip->image().isNull());
}

TMediaQuestions TMagazineForm::questions()
{
    TMediaQuestions q;
    q.Confirm = [](const QString& text) { return MessageBox(QStringLiteral("Confirm"), text, mbOkCancel) == mrOk; };
    q.Notify = [](const QString& text, bool& dontNotify) {
        return MessageBoxCheck(QStringLiteral("Notification Message"), text, mbOkCancel, TableText(QStringLiteral("MsgForm.MsgCheck"), QStringLiteral("Do not notify again")),
                               &dontNotify) == mrOk;
    };
    return q;
}

void TMagazineForm::showProblems(const TMediaResult& r)
{
    for (const QString& e : r.Errors)
        ShowErrorBox(e);
    if (!r.InvalidFiles.isEmpty())
        MessageBox(QStringLiteral("Error"), r.InvalidFiles, mbCancel);
}

void TMagazineForm::showResult(const TMediaResult& r)
{
    showProblems(r);
    fillList(r.Added.isEmpty() ? SelectedNames() : QStringList{r.Added.last()});
}

QString TMagazineForm::AddMedia(QWidget* parent,
                                const std::function<QStringList(const QString& folder, const QString& filter)>& choose)
{
    const QString filter = QStringLiteral("Bitmap Files|*.bmp|JPEG Files|*.jpg|Sounds (*.wav)|*.wav|"
                                          "All Files|*.bmp;*.jpg;*.jpeg;*.png;*.gif;*.webp;*.wav");
    QString folder = Magazines().Images.LastDir;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = settings().ImageDir;
    QStringList files;
    if (choose) {
        files = choose(folder, filter);
    } else {
        const QString qtFilter = ToQtFileFilter(filter);
        QString all = qtFilter.section(QStringLiteral(";;"), 3, 3);
        files = QFileDialog::getOpenFileNames(parent, QStringLiteral("Add"), folder, qtFilter, &all);
    }
    if (files.isEmpty())
        return {};
    const QString used = QFileInfo(files.first()).absolutePath();
    Magazines().Images.LastDir = Magazines().Anims.LastDir = Magazines().Sounds.LastDir = used;
    const TMagazines::AddReport report = Magazines().ImportAny(files, questions());
    for (const TMediaResult* r : {&report.Images, &report.Anims, &report.Sounds})
        showProblems(*r);
    MessageBox(QStringLiteral("Information"), report.Report, mbOk);
    return report.Report;
}

void TMagazineForm::BtnImportClick()
{
    QString folder = magazine().LastDir;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = m_type == TMagazineType::Image  ? settings().ImageDir
                 : m_type == TMagazineType::Anim ? settings().AnimDir
                                                 : settings().SoundDir;
    const QString filter = m_type == TMagazineType::Sound
                               ? QStringLiteral("Sounds (*.wav)|*.wav")
                               : QStringLiteral("Pictures|*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp|Bitmap Files|*.bmp|JPEG Files|*.jpg");
    const QStringList files = ChooseFiles ? ChooseFiles(folder, filter)
                                          : QFileDialog::getOpenFileNames(this, QStringLiteral("Import"), folder, ToQtFileFilter(filter));
    if (files.isEmpty())
        return;
    magazine().LastDir = QFileInfo(files.first()).absolutePath();
    const TMediaQuestions ask = questions();
    switch (m_type) {
    case TMagazineType::Image: showResult(Magazines().ImportImages(files, ask)); break;
    case TMagazineType::Anim: showResult(Magazines().ImportAnimations(files, ask)); break;
    case TMagazineType::Sound: showResult(Magazines().ImportSounds(files, ask)); break;
    }
}

void TMagazineForm::BtnPasteClick()
{
    if (BtnPaste->Dimmed())
        return;
    const QClipboard* clip = QGuiApplication::clipboard();
    showResult(Magazines().PasteImage(clip ? clip->image() : QImage(), questions()));
}

void TMagazineForm::BtnFlipClick()
{
    if (!BtnFlip->Dimmed())
        showResult(Magazines().FlipAndDuplicate(SelectedNames()));
}

void TMagazineForm::BtnDeleteClick()
{
    if (BtnDelete->Dimmed())
        return;
    Magazines().Delete(m_type, SelectedNames(), questions());
    fillList({});
}

bool TMagazineForm::chooseFromLibrary(TLibItemsCont& chosen)
{
    // The libraries are there only with search on, and need the default library's media.
    if (!settings().SearchOn())
        return false;
    if (!Libraries().IndexesLoaded())
        Libraries().LoadIndexes();
    if (const QString problem = Libraries().DefaultLibraryProblem(); !problem.isEmpty()) {
        ShowErrorBox(problem);
        return false;
    }
    if (m_type == TMagazineType::Sound) {
        TSoundForm library(SoundCatalogue(), nullptr, this);
        library.WorkDir = Magazines().WorkDir();
        if (library.exec() != mrOk)
            return false;
        chosen = std::move(library.Collection().Items());
        return true;
    }
    // The search starts from the picture selected here when it came from a library.
    QString reference = magazine().Find(SelectedName()) ? magazine().Find(SelectedName())->Origin : QString();
    reference = reference.startsWith(QLatin1String("LIB\\")) ? reference.mid(4) : QString();
    TSearchForm search(this);
    search.ImportOnOk = false;
    if (!search.Execute(m_type == TMagazineType::Anim ? scAnimations : scImages, reference))
        return false;
    chosen = std::move(search.Collected());
    return true;
}

void TMagazineForm::BtnLibraryClick()
{
    if (BtnLibrary->Dimmed())
        return;
    TLibItemsCont chosen;
    if (OnLibrary) {
        if (!OnLibrary(chosen))
            return;
    } else if (!chooseFromLibrary(chosen)) {
        return;
    }
    if (chosen.Count() == 0)
        return;
    showResult(Magazines().ImportLibraryItems(m_type, chosen, questions()));
}

void TMagazineForm::keyPressEvent(QKeyEvent* event)
{
    // Insert stands in for the hidden Ok: Enter inserts the selected medium.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && BtnInsert->isVisible()) {
        if (!BtnInsert->Dimmed())
            BtnOkClick();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        BtnDeleteClick();
        return;
    }
    if (m_type == TMagazineType::Image &&
        (event->matches(QKeySequence::Paste) || (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier))) {
        BtnPasteClick();
        return;
    }
    TStdPeltoForm::keyPressEvent(event);
}

void TMagazineForm::hideEvent(QHideEvent* event)
{
    // The folder last used is remembered for the next import.
    if (!magazine().LastDir.isEmpty()) {
        if (m_type == TMagazineType::Image)
            settings().ImageDir = magazine().LastDir;
        else if (m_type == TMagazineType::Anim)
            settings().AnimDir = magazine().LastDir;
        else
            settings().SoundDir = magazine().LastDir;
    }
    try {
        magazine().Save();
    } catch (const UserError& e) {
        ShowErrorBox(e.message());
    }
    TStdPeltoForm::hideEvent(event);
}

} // namespace kav
