#pragma once
// The library search window: one selected topic large, its associations around it in shrinking
// thumbnails, a search box with the nearest topic, pages, a history, variant stepping and the
// collection handed to the magazines. The searching is TSearchResults'; this window shows it.
#include "media/library.h"
#include "media/searchengine.h"
#include "ui/forms/stdpeltoform.h"

#include <QHash>
#include <QImage>
#include <QRect>
#include <QTimer>

class QComboBox;
class QLabel;
class QLineEdit;

namespace kav {

class TBmpButton;
class TClearPanel;

class TSearchForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TSearchForm(QWidget* parent = nullptr);

    // The thumbnail places of the workspace, in window pixels: the main topic first.
    static const QRect& Position(int index);

    // Prepares the window for a category and shows it modally. `reference` is the library
    // medium the user starts from. True when the user chose: the collected media have then been
    // imported into the animation or image magazine (their names in `added`).
    bool Execute(int category, const QString& reference = {}, QStringList* added = nullptr);
    // The same without showing it (Execute and the tests).
    void Prepare(int category, const QString& reference = {});

    // Off: Ok leaves the collection in Collected() for the caller to import (the magazine's
    // Library button does so itself).
    bool ImportOnOk = true;

    int Category() const { return m_category; }
    TSearchResults& Results() { return m_results; }
    int PageNumber() const { return m_page; }
    QString SelectedTopic() const { return m_selected; }
    QString SelectedReference() const;
    int Orientation() const { return m_variant[0]; }
    int Size() const { return m_variant[1]; }
    int Colour() const { return m_variant[2]; }
    TLibItemsCont& Collected() { return m_collected; }
    // The topic shown at a position (empty where none is).
    QString TopicAt(int position) const;

    QLineEdit* EditSearch = nullptr;
    QLabel* LabelNearest = nullptr;
    QComboBox* ComboMode = nullptr;
    TBmpButton* BtnSearch = nullptr;
    TBmpButton* BtnRandom = nullptr;
    TBmpButton* BtnPrev = nullptr;
    TBmpButton* BtnNext = nullptr;
    QLabel* LabelPage = nullptr;
    QLabel* LabelFound = nullptr;
    TBmpButton* BtnBack = nullptr;
    TBmpButton* BtnForward = nullptr;
    QLabel* LabelHistory = nullptr;
    TBmpButton* BtnFlip = nullptr;
    TBmpButton* BtnColour = nullptr;
    TBmpButton* BtnSize = nullptr;
    TBmpButton* BtnMagazine = nullptr;
    TClearPanel* Workspace = nullptr;
    QLabel* LabelCaption = nullptr;

public slots:
    void BtnSearchClick();
    void BtnRandomClick();
    void BtnPrevClick();
    void BtnNextClick();
    void BtnBackClick();
    void BtnForwardClick();
    void BtnMagazineClick();
    void StepVariant(int which);  // 0 orientation (Flip), 1 size, 2 colour
    void ThumbnailClicked(int position);
    void ThumbnailDoubleClicked(int position);

protected:
    void ApplyStrings() override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyCaptions();
    void searchTextChanged(const QString& text);
    void modeChanged(int mode);
    void resultsChanged(bool newList);
    void select(const QString& topic);
    void refreshButtons();
    void paintWorkspace(QPainter& p);
    int positionAt(QPoint at) const;
    QImage thumbnail(const QString& topic);
    void loadMainPicture();
    void slideStep();
    bool collectSelected();
    bool choose();
    int mode() const;

    TSearchResults m_results;
    int m_category = 1;
    int m_page = 0;
    QString m_selected;
    int m_variant[3] = {1, 1, 1};
    TLibItemsCont m_collected;
    QString m_nearest;
    QString m_searchedWord;  // the nearest word searched for last
    bool m_nearestAvailable = false;
    QHash<QString, QImage> m_thumbs;
    QImage m_main;          // the selected topic in its variant (a whole strip for animations)
    int m_frames = 1;
    int m_frame = 0;
    int m_hover = -1;
    int m_pendingClick = -1;
    QTimer m_clickTimer;
    QTimer m_slideStart;
    QTimer m_slideTimer;
    QStringList m_added;
};

} // namespace kav
