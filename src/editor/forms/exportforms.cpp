#include "editor/forms/exportforms.h"

#include "config/settings.h"
#include "core/errors.h"
#include "document/document.h"
#include "document/project.h"
#include "export/adpackage.h"
#include "export/cardstring.h"
#include "export/exporter.h"
#include "export/snapshot.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kav {

namespace {
// The room between the title tab and the band at the bottom.
constexpr int kContentTop = 44;
constexpr int kContentBottom = 70;

QWidget* Content(QWidget* form, int width, int height)
{
    auto* content = new QWidget(form);
    content->setGeometry(18, kContentTop, width - 36, height - kContentTop - kContentBottom);
    return content;
}

QLabel* Label(const char* name, const QString& text, QWidget* parent, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

// The sand clock while a command works, back to the arrow however it ends.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

QString Kilobytes(qint64 bytes) { return QStringLiteral("%1 KB").arg(QString::number(bytes / 1024.0, 'f', 1)); }
} // namespace

// --- The export window ------------------------------------------------------------------------

TExportForm::TExportForm(const TExportChoice& initial, QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("ExportForm"));
    setWindowTitle(QStringLiteral("Export"));
    StdLabelTitle->setText(QStringLiteral("Export the Kavelin"));
    constexpr int kWidth = 540, kHeight = 360;
    SetClientSize(kWidth, kHeight);
    QWidget* content = Content(this, kWidth, kHeight);
    auto* grid = new QGridLayout(content);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(8);

    RadioWeb = new QRadioButton(QStringLiteral("&Web page: a folder with the page, the media and the player"), content);
    RadioWeb->setObjectName(QStringLiteral("RadioWeb"));
    RadioAd = new QRadioButton(QStringLiteral("&Ad package: one zip an ad network takes (index.html, backup image)"), content);
    RadioAd->setObjectName(QStringLiteral("RadioAd"));
    grid->addWidget(RadioWeb, 0, 0, 1, 3);
    grid->addWidget(RadioAd, 1, 0, 1, 3);

    auto* targetLabel = Label("LabelTarget", QStringLiteral("&Save as:"), content);
    TargetEdit = new QLineEdit(content);
    TargetEdit->setObjectName(QStringLiteral("TargetEdit"));
    targetLabel->setBuddy(TargetEdit);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), content);
    browse->setObjectName(QStringLiteral("BtnBrowse"));
    browse->setAutoDefault(false);
    grid->addWidget(targetLabel, 2, 0);
    grid->addWidget(TargetEdit, 2, 1);
    grid->addWidget(browse, 2, 2);

    DropTimedUrls = new QCheckBox(QStringLiteral("&Leave out web pages that open without a click"), content);
    DropTimedUrls->setObjectName(QStringLiteral("DropTimedUrls"));
    auto* loopsLabel = Label("LabelLoops", QStringLiteral("Stop after loo&ps:"), content);
    MaxLoops = new QSpinBox(content);
    MaxLoops->setObjectName(QStringLiteral("MaxLoops"));
    MaxLoops->setRange(0, 1000);
    MaxLoops->setSpecialValueText(TableText(QStringLiteral("ExportForm.NoLimit"), QStringLiteral("no limit")));
    loopsLabel->setBuddy(MaxLoops);
    auto* hint = Label("LabelAdHint", QStringLiteral("Played by itself, the ad stops on its backup image after these loops "
                                                     "and after 30 seconds."), content);
    hint->setWordWrap(true);
    QPalette grey = hint->palette();
    grey.setColor(QPalette::WindowText, QColor(0x55, 0x5F, 0x6D));
    hint->setPalette(grey);
    auto* exitLabel = Label("LabelExit", QStringLiteral("E&xit:"), content);
    ExitUrl = new QComboBox(content);
    ExitUrl->setObjectName(QStringLiteral("ExitUrl"));
    ExitUrl->setToolTip(QStringLiteral("The address a click sends to the ad network's click tag"));
    exitLabel->setBuddy(ExitUrl);
    const QStringList urls = ClickUrls();
    ExitUrl->addItems(urls);
    if (urls.isEmpty())
        ExitUrl->addItem(TableText(QStringLiteral("ExportForm.NoExitUrl"), QStringLiteral("(no click opens a web page)")));
    if (const int i = urls.indexOf(initial.ExitUrl); i >= 0)
        ExitUrl->setCurrentIndex(i);
    grid->addWidget(DropTimedUrls, 3, 0, 1, 3);
    grid->addWidget(exitLabel, 4, 0);
    grid->addWidget(ExitUrl, 4, 1, 1, 2);
    grid->addWidget(loopsLabel, 5, 0);
    grid->addWidget(MaxLoops, 5, 1, Qt::AlignLeft);
    grid->addWidget(hint, 6, 0, 1, 3);
    grid->setRowStretch(7, 1);

    (initial.Ad ? RadioAd : RadioWeb)->setChecked(true);
    TargetEdit->setText(QDir::toNativeSeparators(initial.Target));
    DropTimedUrls->setChecked(initial.DropTimedUrls);
    MaxLoops->setValue(initial.MaxLoops);
    KindChanged();

    connect(RadioAd, &QRadioButton::toggled, this, &TExportForm::KindChanged);
    connect(TargetEdit, &QLineEdit::textChanged, this, &TExportForm::UpdateOk);
    connect(browse, &QPushButton::clicked, this, [this] {
        if (!Browse)
            return;
        const QString file = Browse(RadioAd->isChecked(), QDir::fromNativeSeparators(TargetEdit->text().trimmed()));
        if (!file.isEmpty())
            TargetEdit->setText(QDir::toNativeSeparators(file));
    });
}

void TExportForm::KindChanged()
{
    const bool ad = RadioAd->isChecked();
    DropTimedUrls->setEnabled(ad);
    MaxLoops->setEnabled(ad);
    ExitUrl->setEnabled(ad && !ClickUrls().isEmpty());
    // The target keeps its name and takes the kind's extension.
    QString target = TargetEdit->text().trimmed();
    if (!target.isEmpty()) {
        const QFileInfo info(QDir::fromNativeSeparators(target));
        const QString ext = ad ? QStringLiteral(".zip") : QStringLiteral(".html");
        if (!target.endsWith(ext, Qt::CaseInsensitive)) {
            const QString base = info.suffix().isEmpty() ? info.filePath() : info.path() + QLatin1Char('/') + info.completeBaseName();
            TargetEdit->setText(QDir::toNativeSeparators(base + ext));
        }
    }
    UpdateOk();
}

void TExportForm::UpdateOk() { BtnOk->SetDimmed(TargetEdit->text().trimmed().isEmpty()); }

TExportChoice TExportForm::Choice() const
{
    TExportChoice c;
    c.Ad = RadioAd->isChecked();
    c.Target = QDir::fromNativeSeparators(TargetEdit->text().trimmed());
    c.DropTimedUrls = DropTimedUrls->isChecked();
    c.MaxLoops = MaxLoops->value();
    c.ExitUrl = ExitUrl->isEnabled() && ExitUrl->currentIndex() > 0 ? ExitUrl->currentText() : QString();
    return c;
}

// --- The performance window -------------------------------------------------------------------

TStatForm::TStatForm(const TPerformance& p, bool exported, QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("StatForm"));
    setWindowTitle(GetText(QStringLiteral("StatForm")));
    StdLabelTitle->setText(GetText(QStringLiteral("StatForm.StdLabelTitle")));
    StdLabelTitle->setVisible(exported);
    BtnCancel->hide();
    constexpr int kWidth = 520;
    QWidget* content = Content(this, kWidth, 400);
    m_content = content;
    auto* box = new QVBoxLayout(content);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(6);

    box->addWidget(Label("LabelHeader1", GetText(QStringLiteral("StatForm.LabelHeader1")), content, true));
    auto* table = new QGridLayout;
    table->setHorizontalSpacing(18);
    table->addWidget(Label("Label8", GetText(QStringLiteral("StatForm.Label8")), content, true), 0, 0);
    table->addWidget(Label("Label1", GetText(QStringLiteral("StatForm.Label1")), content, true), 0, 1, 1, 2);
    table->addWidget(Label("Label2", GetText(QStringLiteral("StatForm.Label2")), content, true), 0, 3, 1, 2);
    static const char* const rows[3] = {"Label13", "Label14", "Label15"};
    static const char* const netscape[3] = {"LabelNetscapeWeight14", "LabelNetscapeWeight28", "LabelNetscapeWeight33"};
    static const char* const explorer[3] = {"LabelExplorerWeight14", "LabelExplorerWeight28", "LabelExplorerWeight33"};
    static const char* const units[6] = {"Label3", "Label9", "Label10", "Label11", "Label12", "Label17"};
    for (int i = 0; i < 3; ++i) {
        table->addWidget(Label(rows[i], GetText(QStringLiteral("StatForm.") + QLatin1String(rows[i])), content), i + 1, 0);
        auto* n = Label(netscape[i], QString::number(p.NetscapeDelay[i]), content);
        auto* e = Label(explorer[i], QString::number(p.ExplorerDelay[i]), content);
        n->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->addWidget(n, i + 1, 1);
        table->addWidget(Label(units[2 * i], GetText(QStringLiteral("StatForm.") + QLatin1String(units[2 * i])), content), i + 1, 2);
        table->addWidget(e, i + 1, 3);
        table->addWidget(Label(units[2 * i + 1], GetText(QStringLiteral("StatForm.") + QLatin1String(units[2 * i + 1])), content), i + 1, 4);
    }
    table->setColumnStretch(5, 1);
    box->addLayout(table);

    auto* grade = new QHBoxLayout;
    grade->addWidget(Label("Label7", GetText(QStringLiteral("StatForm.Label7")), content, true));
    // The estimate grades in its own words (fast, average, slow); the window in the table's.
    QString gradeText = p.Grade;
    if (!gradeText.isEmpty())
        gradeText = TableText(QStringLiteral("StatForm.Grade") + gradeText.left(1).toUpper() + gradeText.mid(1), gradeText);
    LabelGrade = Label("LabelGrade", gradeText, content, true);
    QPalette accent = LabelGrade->palette();
    accent.setColor(QPalette::WindowText, p.Grade == QLatin1String("slow") ? QColor(0xC6, 0x28, 0x28) : QColor(0x1F, 0x50, 0xB8));
    LabelGrade->setPalette(accent);
    grade->addWidget(LabelGrade);
    grade->addStretch();
    box->addLayout(grade);
    auto* rate = new QHBoxLayout;
    rate->addWidget(Label("Label16", GetText(QStringLiteral("StatForm.Label16")), content));
    AverageSceneTime = Label("AverageSceneTime", QString::number(p.SecondsPerScene), content, true);
    AverageSceneTime->setAlignment(Qt::AlignCenter);
    AverageSceneTime->setMinimumWidth(36);
    rate->addWidget(AverageSceneTime);
    rate->addWidget(Label("Label6", GetText(QStringLiteral("StatForm.Label6")), content));
    rate->addStretch();
    box->addLayout(rate);

    // Today's visitors: everything loaded, and how long the animation plays.
    box->addSpacing(6);
    box->addWidget(Label("LabelToday", QStringLiteral("Everything loaded on today's connections:"), content, true));
    auto* today = new QHBoxLayout;
    for (int i = 0; i < 3; ++i)
        today->addWidget(Label("LabelTodaySeconds", TableText(QStringLiteral("StatForm.TodaySeconds"), QStringLiteral("%1: %2 s"))
                                                        .arg(TableText(QStringLiteral("StatForm.Connection_") + QLatin1String(kConnections[i].Name),
                                                                       QLatin1String(kConnections[i].Name)))
                                                        .arg(QString::number(p.TodaySeconds[i], 'f', 2)), content));
    today->addStretch();
    box->addLayout(today);
    qint64 total = 0;
    for (const auto& f : p.Sizes.Files)
        total += f.second;
    QString sizes = TableText(QStringLiteral("StatForm.Sizes"), QStringLiteral("%1 files, %2 (%3 zipped)"))
                        .arg(p.Sizes.Files.size())
                        .arg(Kilobytes(total), Kilobytes(p.Sizes.Deflated));
    if (p.Animation.PassFrames > 0 || p.Animation.Stops) {
        const QString seconds = QString::number(p.Animation.PassSeconds(), 'f', 1);
        sizes += QStringLiteral("; ");
        sizes += p.Animation.ComesBack ? TableText(QStringLiteral("StatForm.LoopTakes"), QStringLiteral("a loop takes %1 s")).arg(seconds)
                 : p.Animation.Stops   ? TableText(QStringLiteral("StatForm.AnimationRuns"), QStringLiteral("the animation runs %1 s")).arg(seconds)
                                       : TableText(QStringLiteral("StatForm.NeverStops"), QStringLiteral("the animation never stops by itself"));
    }
    box->addWidget(Label("LabelSizes", sizes, content));
    if (!p.Budget.isEmpty()) {
        Warnings = Label("Warnings", QStringLiteral("\u26A0 ") + p.Budget.join(QStringLiteral("\n\u26A0 ")), content);
        Warnings->setWordWrap(true);
        Warnings->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QPalette warn = Warnings->palette();
        warn.setColor(QPalette::WindowText, QColor(0x8A, 0x4B, 0x08));
        Warnings->setPalette(warn);
        box->addWidget(Warnings);
    }
    FitHeight();
}

void TStatForm::FitHeight()
{
    m_content->layout()->invalidate(); // the sizes it keeps are those of the old font
    const int height = m_content->layout()->totalHeightForWidth(m_content->width());
    m_content->resize(m_content->width(), height);
    // The bottom band and the info bar under it take kContentBottom; the text keeps clear of the band.
    SetClientSize(m_content->width() + 36, kContentTop + height + 16 + kContentBottom);
}

void TStatForm::ApplyStrings()
{
    TStdPeltoForm::ApplyStrings();
    FitHeight(); // a language's font may wrap the texts onto more lines
}

// --- The commands -----------------------------------------------------------------------------

TExportCommands::TExportCommands(QWidget* window, TProject& project)
    : QObject(window), m_window(window), m_project(project)
{
    AskExport = [this](const TExportChoice& initial) -> std::optional<TExportChoice> {
        TExportForm form(initial, m_window);
        form.Browse = [this](bool ad, const QString& current) { return BrowseTarget(ad, current); };
        if (form.exec() != TStdPeltoForm::mrOk)
            return std::nullopt;
        return form.Choice();
    };
    AskSnapshotFile = [this] {
        QFileDialog dialog(m_window, GetText(QStringLiteral("SaveScreenShotDialog.Title")), settings().HtmlDir);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(ToQtFileFilter(GetText(QStringLiteral("SaveScreenShotDialog.Filter"))));
        dialog.setDefaultSuffix(QStringLiteral("gif"));
        dialog.selectFile(GetText(QStringLiteral("SaveScreenShotDialog.Filename")));
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().constFirst()
                                                                                        : QString();
    };
    ShowPerformance = [this](const TPerformance& p, bool exported) {
        TStatForm form(p, exported, m_window);
        form.exec();
    };
    ShowReport = [](const QString& text) { MessageBox(QStringLiteral("Information"), text, mbOk); };
}

TExportCommands::~TExportCommands() = default;

QString TExportCommands::BrowseTarget(bool ad, const QString& current) const
{
    QFileDialog dialog(m_window, GetText(QStringLiteral("SaveExportDialog.Title")),
                       current.isEmpty() ? settings().HtmlDir : QFileInfo(current).path());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(ad ? QStringLiteral("Ad packages (*.zip)") : ToQtFileFilter(GetText(QStringLiteral("SaveExportDialog.Filter"))));
    dialog.setDefaultSuffix(ad ? QStringLiteral("zip") : QStringLiteral("html"));
    if (!current.isEmpty())
        dialog.selectFile(QFileInfo(current).fileName());
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().constFirst()
                                                                                    : QString();
}

TExportChoice TExportCommands::DefaultChoice() const
{
    TExportChoice c = m_haveLast ? m_last : TExportChoice{};
    // A target named after the project, in the export folder, until the user picked one.
    if (!m_haveLast || c.Target.isEmpty()) {
        const QString name = m_project.FileName.isEmpty() ? QStringLiteral("Kavelin") : QFileInfo(m_project.FileName).completeBaseName();
        QString folder = settings().HtmlDir;
        if (folder.isEmpty())
            folder = QDir::homePath();
        c.Target = QDir(folder).filePath(name + (c.Ad ? QStringLiteral(".zip") : QStringLiteral(".html")));
    }
    return c;
}

bool TExportCommands::Export()
{
    const std::optional<TExportChoice> asked = AskExport(DefaultChoice());
    if (!asked || asked->Target.isEmpty())
        return false;
    TExportChoice choice = *asked;
    m_last = choice;
    m_haveLast = true;
    const QString title = m_project.FileName.isEmpty() ? m_project.Title : QFileInfo(m_project.FileName).completeBaseName();
    try {
        if (choice.Ad) {
            TAdPackageOptions options;
            options.DropTimedUrls = choice.DropTimedUrls;
            options.MaxLoops = choice.MaxLoops;
            options.ExitUrl = choice.ExitUrl;
            options.Title = title;
            TAdPackageResult r;
            {
                BusyCursor busy;
                r = ExportAdPackage(choice.Target, options);
            }
            settings().HtmlDir = QFileInfo(r.Target).absolutePath() + QLatin1Char('/');
            QString text = TableText(QStringLiteral("ExportForm.AdReady"), QStringLiteral("The ad package %1 is ready: %2 files, %3 (%4 zipped)."))
                               .arg(QDir::toNativeSeparators(r.Target))
                               .arg(r.Files.size())
                               .arg(Kilobytes(r.FileBytes), Kilobytes(r.ZipBytes));
            QStringList warnings = r.Warnings;
            warnings << AnimationLengthWarnings(MeasureAnimation());
            if (!warnings.isEmpty())
                text += QStringLiteral("\n\n") + warnings.join(QLatin1Char('\n'));
            ShowReport(text);
            return true;
        }
        // A page name with characters a web server would trip over is changed, with the user's consent.
        const QString illegal = IllegalExportCharacters(choice.Target);
        if (!illegal.isEmpty()) {
            const QString cleaned = CleanExportTarget(choice.Target);
            if (MessageBox(QStringLiteral("Confirm"),
                           GetString(QStringLiteral("Confirm.IllegalCharacters"), illegal, QFileInfo(cleaned).fileName()),
                           mbOkCancel) != 1)
                return false;
            choice.Target = cleaned;
        }
        TExportOptions options;
        options.Title = title;
        QProgressDialog progress(TableText(QStringLiteral("ExportForm.Exporting"), QStringLiteral("Exporting...")), QString(), 0, 1, m_window);
        progress.setWindowTitle(TableText(QStringLiteral("ExportForm"), QStringLiteral("Export")));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(400);
        progress.setAutoClose(false);
        options.Progress = [&progress](int done, int total, const QString& file) {
            progress.setMaximum(std::max(total, 1));
            progress.setValue(done);
            progress.setLabelText(TableText(QStringLiteral("ExportForm.Writing"), QStringLiteral("Writing %1")).arg(QFileInfo(file).fileName()));
        };
        TExportResult r;
        {
            BusyCursor busy;
            r = ExportCard(choice.Target, options);
        }
        progress.close();
        if (!r.Exported) {
            ShowErrorBox(r.Refusal);
            return false;
        }
        settings().HtmlDir = QFileInfo(r.Target).absolutePath() + QLatin1Char('/');
        TPerformance p = ShowStatistics(r.Target, Doc().SceneCount());
        p.Animation = MeasureAnimation();
        p.Budget << r.Warnings << AnimationLengthWarnings(p.Animation);
        ShowPerformance(p, true);
        return true;
    } catch (const UserError& e) {
        ShowErrorBox(e.message());
        return false;
    }
}

void TExportCommands::EstimatedPerformance()
{
    try {
        QStringList warnings;
        TPerformance p;
        {
            BusyCursor busy;
            p = EstimatePerformance(&warnings);
        }
        p.Budget = warnings + p.Budget;
        ShowPerformance(p, false);
    } catch (const UserError& e) {
        ShowErrorBox(e.message());
    }
}

void TExportCommands::Preview()
{
    try {
        BusyCursor busy;
        TExportOptions options;
        options.Title = m_project.FileName.isEmpty() ? m_project.Title : QFileInfo(m_project.FileName).completeBaseName();
        PreviewInBrowser(options, &m_server);
    } catch (const UserError& e) {
        ShowErrorBox(e.message());
    }
}

void TExportCommands::TakeSnapshot(TScene* scene, int frame)
{
    const QString file = AskSnapshotFile();
    if (file.isEmpty())
        return;
    try {
        BusyCursor busy;
        settings().HtmlDir = QFileInfo(file).absolutePath() + QLatin1Char('/');
        SaveSnapshot(scene, frame, file);
    } catch (const UserError& e) {
        ShowErrorBox(e.message());
    }
}

} // namespace kav
