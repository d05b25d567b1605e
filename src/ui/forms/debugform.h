#pragma once
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kav {

// The debug window (the program started with "DEBUG"): how many document objects live, and a
// log of their creation and destruction. "Creation" turns the logging on, "Start" lets logged
// lines into the window; "Clear" empties it, "Objects" writes the counters, "List" the objects
// alive now with their numbers.
class TDebugForm : public QWidget {
    Q_OBJECT
public:
    explicit TDebugForm(QWidget* parent = nullptr);
    ~TDebugForm() override;

    QLabel* LabelCount = nullptr;
    QCheckBox* CheckCreation = nullptr;
    QCheckBox* CheckStart = nullptr;
    QPushButton* BtnClear = nullptr;
    QPushButton* BtnObjects = nullptr;
    QPushButton* BtnList = nullptr;
    QPlainTextEdit* MemoLog = nullptr;

    void UpdateCount();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Log(const QString& line);
    void Objects();
    void List();

    QTimer m_countTimer;
};

} // namespace kav
