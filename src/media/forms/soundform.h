#pragma once
// The sound library window: the catalogue's categories (Voice, Music, Effects), the
// sub-categories of the chosen one, and its sounds. A click plays a sound once, Play Loop plays
// it looped; Add To Magazine collects it. OK hands the collection over, Cancel empties it.
#include "media/soundcatalogue.h"
#include "ui/forms/stdpeltoform.h"

#include <memory>

class QListWidget;

namespace kav {

class TBmpButton;
struct TSoundOutput;

class TSoundForm : public TStdPeltoForm {
    Q_OBJECT
public:
    // output plays the sounds (the editor's sound output; none: a multimedia output of its own).
    explicit TSoundForm(const TSoundCatalogue& catalogue, TSoundOutput* output = nullptr, QWidget* parent = nullptr);
    ~TSoundForm() override;

    // What the user collected; OK leaves it filled, Cancel empty.
    TSoundCollection& Collection() { return m_collection; }
    // The working folder the played sounds are written to.
    QString WorkDir;

    TBmpButton* BtnCategory[3] = {};
    TBmpButton* BtnPlayLoop = nullptr;
    TBmpButton* BtnAdd = nullptr;
    QListWidget* ListSubCategories = nullptr;
    QListWidget* ListSounds = nullptr;

    void SelectCategory(int category);
    void SelectSubCategory(int row);
    void SelectSound(int row);

public slots:
    void BtnPlayLoopClick();
    void BtnAddClick();
    void done(int result) override;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    const TSoundRec* selected() const;
    void stop();
    void updateButtons();

    const TSoundCatalogue& m_catalogue;
    std::unique_ptr<TSoundOutput> m_ownOutput;
    TSoundOutput* m_output;
    int m_category = TSoundCatalogue::scEffects;
    QList<TSoundRec> m_shown;
    TSoundCollection m_collection;
    bool m_looping = false;
};

} // namespace kav
