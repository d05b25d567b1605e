#pragma once
// The export from the editor: where and how to export (a web page or an ad network's zip), the
// progress while it runs, the performance window afterwards and for the estimate alone, the
// preview in the browser over the editor's loopback server, and the snapshot of the stage.
#include "export/estimate.h"
#include "export/previewserver.h"
#include "ui/forms/stdpeltoform.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kav {

class TProject;
class TScene;

// What the export window asks.
struct TExportChoice {
    bool Ad = false;             // the ad package (one zip) instead of the web page
    QString Target;              // the page (web) or the zip (ad)
    bool DropTimedUrls = false;  // ad: leave out timed Go to URL actions
    int MaxLoops = 3;            // ad: loops played by itself, 0 for no limit
    QString ExitUrl;             // ad: the address sent to the click tag; empty: the first
};

// The export window: the kind of export, the target with a Browse button, the ad's options.
class TExportForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TExportForm(const TExportChoice& initial, QWidget* parent = nullptr);
    TExportChoice Choice() const;

    QRadioButton* RadioWeb = nullptr;
    QRadioButton* RadioAd = nullptr;
    QLineEdit* TargetEdit = nullptr;
    QCheckBox* DropTimedUrls = nullptr;
    QSpinBox* MaxLoops = nullptr;
    QComboBox* ExitUrl = nullptr;   // the addresses clicks open
    // Asks for a target file for the kind chosen; empty when cancelled. Set by the owner.
    std::function<QString(bool ad, const QString& current)> Browse;

private:
    void KindChanged();
    void UpdateOk();
};

// The performance window: the start delays at the three modem speeds, the grade and the
// streaming rate, today's connections, and the warnings that name what to cut.
class TStatForm : public TStdPeltoForm {
    Q_OBJECT
public:
    // `exported`: shown after an export, with the title line saying so.
    TStatForm(const TPerformance& performance, bool exported, QWidget* parent = nullptr);
    QLabel* LabelGrade = nullptr;
    QLabel* AverageSceneTime = nullptr;
    QLabel* Warnings = nullptr;

protected:
    void ApplyStrings() override;

private:
    // As tall as what it shows, in the font it shows it in.
    void FitHeight();
    QWidget* m_content = nullptr;
};

// The File menu's export commands, for the main window. Questions go through the hooks, so
// that tests can answer them; the defaults show the windows.
class TExportCommands : public QObject {
    Q_OBJECT
public:
    TExportCommands(QWidget* window, TProject& project);
    ~TExportCommands() override;

    // Export... (Ctrl+E): returns whether something was exported.
    bool Export();
    // Estimated Performance... (Ctrl+Shift+E)
    void EstimatedPerformance();
    // Preview in Browser... (Ctrl+Shift+P): served from the loopback server until quit.
    void Preview();
    // Take Snapshot... (F12): the scene at the frame, as a GIF.
    void TakeSnapshot(TScene* scene, int frame);

    TPreviewServer& Server() { return m_server; }

    std::function<std::optional<TExportChoice>(const TExportChoice& initial)> AskExport;
    std::function<QString()> AskSnapshotFile;
    // Shows the performance window (after an export or for the estimate).
    std::function<void(const TPerformance& performance, bool exported)> ShowPerformance;
    // Shows the result of an ad package: its file and figures, and its warnings.
    std::function<void(const QString& text)> ShowReport;

private:
    TExportChoice DefaultChoice() const;
    QString BrowseTarget(bool ad, const QString& current) const;

    QWidget* m_window;
    TProject& m_project;
    TPreviewServer m_server;
    TExportChoice m_last;
    bool m_haveLast = false;
};

} // namespace kav
