#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimerEvent>

#include "app/Accelerators.h"
#include "app/AppIcon.h"
#include "app/AppStrings.h"
#include "app/CommandIds.h"
#include "app/KeyboardIndicators.h"
#include "app/MenuBar.h"
#include "app/MessagePane.h"
#include "app/OrvalenApp.h"
#include "spectrum/ChildView.h"

namespace {

constexpr int kCamPollMilliseconds = 100;
// The view draws its meters up to x 1100 and the spectrum picture down to row 690.
constexpr QSize kWholeClientArea(1120, 720);

constexpr std::array<const char*, 3> kIndicatorTexts{"CAP", "NUM", "SCRL"};

}  // namespace

CMainFrame::CMainFrame(COrvalenApp& app, const SignalMeters& meters, const SpectrumStore& spectrum)
    : m_app(app) {
    setAttribute(Qt::WA_DeleteOnClose);

    m_wndView = new CChildView(meters, spectrum, this);
    setCentralWidget(m_wndView);
    setFocusProxy(m_wndView);
    m_wndView->OnPictureChosen([this](QPoint point) { m_app.TuneCarrierAt(point); });
    CreateStatusBar();
    m_timerId = startTimer(kCamPollMilliseconds);

    AddMenuTitles(*menuBar(), MainMenuResource());
    InstallAccelerators(*this, MainAccelerators(), Route());
    m_messagePane->FollowMenus(*menuBar());

    setWindowTitle(kMainWindowTitle);
    setWindowIcon(AppIcon());
    resize(FirstSize());
}

void CMainFrame::CreateStatusBar() {
    m_wndStatusBar = new QStatusBar(this);
    m_messagePane = new MessagePane(m_wndStatusBar);
    m_wndStatusBar->addWidget(m_messagePane, 1);
    for (std::size_t i = 0; i < kIndicatorTexts.size(); ++i) {
        auto* pane = new QLabel(m_wndStatusBar);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        const QString text = QString::fromLatin1(kIndicatorTexts[i]);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) + 8);
        m_wndStatusBar->addPermanentWidget(pane);
        m_keyIndicators[i] = pane;
    }
    setStatusBar(m_wndStatusBar);
    // The panes start unlit and are read on the first poll tick: reading them asks the display
    // server six questions, each a round trip the first paint would wait for.
}

QSize CMainFrame::FirstSize() const {
    QSize size(kWholeClientArea.width(), kWholeClientArea.height() +
                                             menuBar()->sizeHint().height() +
                                             m_wndStatusBar->sizeHint().height());
    if (const QScreen* display = screen())
        size = size.boundedTo(display->availableGeometry().size());
    return size;
}

CommandSink CMainFrame::Route() {
    return [this](int id) { OnCommand(id); };
}

void CMainFrame::AddMenuItems() {
    ::AddMenuItems(*menuBar(), MainMenuResource(), Route());
    // The bar may have been hidden with its key before the item was there to show it.
    if (QAction* item = FindCommandItem(*menuBar(), ID_VIEW_STATUS_BAR))
        item->setChecked(!m_wndStatusBar->isHidden());
}

void CMainFrame::AppendCommandItem(QMenu& popup, const QString& text, int id) {
    ::AppendCommandItem(popup, text, id, Route());
}

void CMainFrame::CheckMenuRadioItem(int id) {
    if (QAction* item = FindCommandItem(*menuBar(), id)) item->setChecked(true);
}

void CMainFrame::OnCommand(int id) {
    if (id == ID_VIEW_STATUS_BAR) {
        ToggleStatusBar();
        return;
    }
    m_app.OnCommand(id);
}

void CMainFrame::ShowNotice(const QString& notice) {
    m_messagePane->ShowNotice(notice);
}

void CMainFrame::ToggleStatusBar() {
    // A hidden bar gives its area to the view.
    const bool show = m_wndStatusBar->isHidden();
    m_wndStatusBar->setVisible(show);
    if (QAction* item = FindCommandItem(*menuBar(), ID_VIEW_STATUS_BAR)) item->setChecked(show);
}

void CMainFrame::UpdateKeyIndicators() {
    const KeyboardLocks locks = ReadKeyboardLocks().value_or(KeyboardLocks{});
    const std::array<bool, 3> lit{locks.caps, locks.num, locks.scroll};
    for (std::size_t i = 0; i < lit.size(); ++i) {
        m_keyIndicators[i]->setText(lit[i] ? QString::fromLatin1(kIndicatorTexts[i]) : QString());
    }
}

bool CMainFrame::event(QEvent* event) {
    // Prompts go to the message pane itself rather than over it as a status-bar message, which
    // would let the idle text show through for an item without a prompt.
    if (event->type() == QEvent::StatusTip) {
        m_messagePane->ShowPrompt(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The graphs go before the window: their workers are joined while the window still exists.
    m_app.ShutDownTuners();
    QMainWindow::closeEvent(event);
}

void CMainFrame::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timerId) {
        QMainWindow::timerEvent(event);
        return;
    }
    m_app.OnCamPollTimer();
    // A lock key can change in any window; the panes follow it on the same tick.
    UpdateKeyIndicators();
}
