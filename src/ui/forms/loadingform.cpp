#include "ui/forms/loadingform.h"

#include "core/colors.h"
#include "ui/forms/interstore.h"
#include "ui/forms/languageforms.h"
#include "ui/langstrings.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>

#include <atomic>
#include <memory>
#include <thread>

namespace kav {

namespace {
constexpr int kClientWidth = 262;
constexpr int kClientHeight = 79;
constexpr int kFrames = 8;
constexpr int kTickMs = 100;
} // namespace

TLoadingBarForm::TLoadingBarForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("LoadingBarForm"));
    setWindowTitle(QStringLiteral("Loading %1..."));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &TLoadingBarForm::Tick);
    LocaliseForm(this);
}

void TLoadingBarForm::BuildBackground()
{
    const qreal dpr = devicePixelRatioF();
    const QImage load = LoadInterfaceBitmap(QStringLiteral("stdwin\\load\\load"), dpr);
    const QSizeF size = load.deviceIndependentSize();
    m_picture = QPoint(kClientWidth - int(size.width()), kClientHeight - int(size.height()));
    m_background = QImage((QSizeF(kClientWidth, kClientHeight) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    m_background.setDevicePixelRatio(dpr);
    m_background.fill(Qt::white);
    QPainter p(&m_background);
    p.fillRect(QRect(QPoint(0, m_picture.y() + 59), QPoint(m_picture.x(), kClientHeight - 1)), ToQColor(0x00D5D5D5));
    p.drawImage(m_picture, load);
    // What is loading, beside the mark: the caption ("Loading show.plt...").
    QFont f = font();
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0x2A, 0x25, 0x52));
    const QRect text(m_picture.x() + 56, m_picture.y() + 8, kClientWidth - m_picture.x() - 62, 44);
    // On two lines where one is too short (a long file name, a longer language); cut in the
    // middle only when two lines cannot hold it either.
    const QFontMetrics fm(f);
    const int wrap = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
    const QRect wrapped = fm.boundingRect(text, wrap, windowTitle());
    if (wrapped.height() <= text.height() && wrapped.width() <= text.width())
        p.drawText(text, wrap, windowTitle());
    else
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(windowTitle(), Qt::ElideMiddle, text.width()));
    m_frames.clear();
    for (int i = 1; i <= kFrames; ++i)
        m_frames.push_back(LoadInterfaceBitmap(QStringLiteral("stdwin\\load\\load%1").arg(i), dpr));
}

void TLoadingBarForm::Run(const QString& name, const std::function<void()>& load)
{
    const QString caption = GetString(QStringLiteral("LoadingBarForm"), QFileInfo(name).fileName());
    if (!caption.isEmpty() && caption != QLatin1String("String not found!"))
        setWindowTitle(caption.endsWith(QLatin1String("...")) ? caption : caption + QStringLiteral("..."));
    m_background = QImage();   // the caption is part of it

    // The window that asked for the load shows the document being replaced: it must not paint
    // it until the load is over.
    QPointer<QWidget> owner = parentWidget() ? parentWidget()->window() : nullptr;
    const bool ownerUpdates = owner && owner->updatesEnabled();
    // The window the keyboard was in gets it back when the loading window goes (not every
    // desktop hands it back by itself).
    QPointer<QWidget> active = QApplication::activeWindow();
    if (owner)
        owner->setUpdatesEnabled(false);

    struct Shared {
        std::atomic<bool> done{false};
        std::exception_ptr error;
    };
    auto shared = std::make_shared<Shared>();
    QEventLoop loop;
    QTimer showTimer;
    showTimer.setSingleShot(true);
    connect(&showTimer, &QTimer::timeout, this, [this] { show(); });
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (shared->done.load())
            loop.quit();
    });

    std::thread worker([shared, load] {
        try {
            load();
        } catch (...) {
            shared->error = std::current_exception();
        }
        shared->done.store(true);
    });
    m_frame = 0;
    m_framesShown = 0;
    showTimer.start(ShowDelay);
    poll.start();
    // Input goes to no window of ours while the document is half read.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    showTimer.stop();
    poll.stop();
    const bool wasShown = isVisible();
    hide();
    if (owner) {
        owner->setUpdatesEnabled(ownerUpdates);
        owner->update();
    }
    if (wasShown && active && active != this && active->isVisible())
        active->activateWindow();
    if (shared->error)
        std::rethrow_exception(shared->error);
}

void TLoadingBarForm::Tick()
{
    m_frame = (m_frame + 1) % kFrames;
    ++m_framesShown;
    update(QRect(m_picture + QPoint(47, 57), QSize(64, 24)).united(QRect(m_picture, QSize(kClientWidth, kClientHeight))));
    if (OnFrame)
        OnFrame(m_frame);
}

void TLoadingBarForm::paintEvent(QPaintEvent*)
{
    if (m_background.isNull() || !qFuzzyCompare(m_background.devicePixelRatio(), devicePixelRatioF()))
        BuildBackground();
    QPainter p(this);
    p.drawImage(0, 0, m_background);
    if (!m_frames.empty())
        p.drawImage(m_picture + QPoint(47, 57), m_frames[size_t(m_frame) % m_frames.size()]);
}

void TLoadingBarForm::showEvent(QShowEvent* event)
{
    if (parentWidget())
        move(parentWidget()->window()->geometry().center() - rect().center());
    m_timer.start();
    QDialog::showEvent(event);
}

void TLoadingBarForm::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QDialog::hideEvent(event);
}

void TLoadingBarForm::keyPressEvent(QKeyEvent* event)
{
    event->ignore();
}

} // namespace kav
