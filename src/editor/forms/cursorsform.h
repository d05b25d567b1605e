#pragma once
#include "ui/forms/stdpeltoform.h"

#include <QImage>
#include <QStringList>

namespace kav {

class TClearPaintBox;

// "Select a cursor": the cursors of the cursor library, 25 to a page in five rows of five
// 36-pixel cells; the arrows turn the pages and a click picks a cell.
class TCursorsForm : public TStdPeltoForm {
    Q_OBJECT
public:
    static constexpr int kCell = 36, kColumns = 5, kPerPage = 25;

    explicit TCursorsForm(QWidget* parent = nullptr);

    TClearPaintBox* PBoxCursors = nullptr;
    TBmpButton* BtnPrev = nullptr;
    TBmpButton* BtnNext = nullptr;
    QLabel* LabelPage = nullptr;

    // The library's cursors ("deflib/cursors/NN"), and the one picked (-1: none).
    void SetCursors(const QStringList& names, const QList<QImage>& pictures);
    void Preselect(const QString& name);
    int Page() const { return m_page; }
    int PageCount() const;
    void SetPage(int page);
    int Selected() const { return m_selected; }
    QString SelectedName() const;
    // The cell under a point of the paint box: row x 5 + column + page x 25, or -1.
    int CellAt(QPoint at) const;

    // Opens the chooser on a cursor; on Ok `cursor` is the chosen one.
    static bool Choose(QWidget* parent, QString& cursor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Paint(QPainter& p);
    void UpdateButtons();
    QStringList m_names;
    QList<QImage> m_pictures;
    int m_page = 0;
    int m_selected = -1;
};

} // namespace kav
