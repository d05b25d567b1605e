#pragma once
// The magazine windows: the names of one magazine in a list, the picture and facts of the one
// selected, and the commands Insert, Import, Paste, Flip & Duplicate, Delete and Library. The
// work is done by TMagazines; this window asks the user and shows what it leaves.
#include "media/magazine.h"
#include "ui/forms/stdpeltoform.h"

#include <functional>

class QLabel;
class QListWidget;

namespace kav {

class TBmpButton;
class TClearPanel;

class TMagazineForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TMagazineForm(TMagazineType type, QWidget* parent = nullptr);

    TMagazineType Type() const { return m_type; }
    // Fills the list from the magazine again (after the project changed).
    void Prepare();
    // The names chosen by Insert: one, or several when MultiSelect is on.
    QStringList SelectedNames() const;
    QString SelectedName() const;
    void SetMultiSelect(bool on);
    void SelectName(const QString& name);

    // Library: the window that offers library media (the search window, the sound library).
    // It fills the collection and returns true when the user chose something.
    std::function<bool(TLibItemsCont& chosen)> OnLibrary;
    // File choice for Import (tests and scripted runs replace the file dialog).
    std::function<QStringList(const QString& folder, const QString& filter)> ChooseFiles;

    // The general "Add...": files of every kind at once, each to its magazine (sounds, numbered
    // frames, pictures), then an information box with what was added. Returns that report.
    static QString AddMedia(QWidget* parent,
                            const std::function<QStringList(const QString& folder, const QString& filter)>& choose = {});

    TBmpButton* BtnInsert = nullptr;
    TBmpButton* BtnImport = nullptr;
    TBmpButton* BtnPaste = nullptr;
    TBmpButton* BtnFlip = nullptr;
    TBmpButton* BtnDelete = nullptr;
    TBmpButton* BtnLibrary = nullptr;
    QListWidget* ListItems = nullptr;
    TClearPanel* PreviewBox = nullptr;
    QLabel* LabelInfo = nullptr;

public slots:
    void BtnImportClick();
    void BtnPasteClick();
    void BtnFlipClick();
    void BtnDeleteClick();
    void BtnLibraryClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void ApplyStrings() override;

private:
    TMagazine& magazine() const;
    // The search window (images, animations) or the sound library; false when nothing was chosen.
    bool chooseFromLibrary(TLibItemsCont& chosen);
    void fillList(const QStringList& select);
    void selectionChanged();
    void showResult(const TMediaResult& result);
    static void showProblems(const TMediaResult& result);
    static TMediaQuestions questions();

    TMagazineType m_type;
    QImage m_preview;
    bool m_multiSelect = false;
};

} // namespace kav
