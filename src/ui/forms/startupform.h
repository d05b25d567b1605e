#pragma once
#include "ui/forms/stdpeltoform.h"

#include <QStringList>

#include <array>
#include <functional>

class QLabel;

namespace kav {

// The work modes offered when the program starts (and by File > New).
enum StartupMode {
    smdFromScratch = 1,   // a new empty project
    smdWizard = 2,        // the wizard builds a project by asking questions
    smdTemplates = 3,     // pick a ready-made template
    smdMyKavelins = 4,    // open one of the user's projects
    smdWebUpdates = 5,    // the web page with news and template updates
};
inline constexpr int kStartupModes = 5;

// The tips shown beside the modes: line n of "StartupTips.txt" for mode n, the built-in text
// for a mode the file has no line for (or when it is missing); the file's further lines are
// tips about making banners, one of which is shown below the mode's tip.
QStringList LoadStartupTips(const QString& fileName);

// The start-up window: five modes, each a button and a label; the chosen one stays down and
// its label lights up, and the tip box explains it. Next closes with mrOk, Cancel with mrCancel.
class TStartupForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TStartupForm(QWidget* parent = nullptr);

    int Mode() const { return m_mode; }
    void SelectMode(int mode);
    void SetTips(const QStringList& tips);
    QString TipText() const;

    std::array<TBmpButton*, kStartupModes> ModeButtons{};
    std::array<QLabel*, kStartupModes> ModeLabels{};
    QLabel* LabelTip = nullptr;
    QLabel* MemoTip = nullptr;

protected:
    bool BeforeBuildBackground(QPainter& painter) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ApplyStrings() override {}   // applied on creation

private:
    QStringList m_tips;
    int m_mode = smdFromScratch;
    int m_shown = 0;   // picks the banner tip shown with the mode's tip
};

// Runs the start-up window and carries out the chosen mode through the caller's operations.
class TStartUp {
public:
    int Mode = smdFromScratch;

    std::function<void()> NewProject;
    // Each returns the project file to open, empty when the user cancelled.
    std::function<QString()> RunWizard;
    std::function<QString()> RunTemplatePicker;
    std::function<QString()> AskOpenFile;
    std::function<void(const QString& file, bool untitled)> OpenProject;
    std::function<void(const QString& message)> ShowError;
    std::function<bool(const QString& file)> OpenWithDesktop;
    QString WebSiteFile;   // "Data/webSite.html" of the installation

    // Shows `window` modally (when given) and performs the mode chosen with Next. Returns the
    // window's result (mrOk, mrCancel).
    int Execute(TStartupForm* window);
    // Performs one mode without the window (the menu's web-site command uses mode 5).
    void Perform(int mode);
};

} // namespace kav
