#include "dialogs/CamMenu.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "dialogs/DialogControls.h"
#include "dialogs/EnquiryAnswer.h"
#include "dialogs/MmiStrings.h"
#include "dialogs/TypingLimit.h"
#include "tuner/TunerGraph.h"

namespace {

constexpr std::uint32_t kTypeMenu = 1;
constexpr std::uint32_t kTypeList = 2;
constexpr std::uint32_t kTypeEnquiry = 3;
constexpr std::uint32_t kTypeEnquiryAlt = 4;
constexpr std::uint32_t kNoItemCount = 255;
constexpr std::size_t kHeaderStrings = 3;  // title, subtitle, bottom line
constexpr int kEditNoLimit = 32767;        // what a line edit holds at most

}  // namespace

CCamMenu::CCamMenu(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(ControlName(kIddCamMenu));
    setWindowTitle(QStringLiteral("Cam menu"));
    setFont(CamMenuFont());
    const DialogUnits units(font());
    setFixedSize(units.Size(209, 235));

    m_title = AddControl<QLabel>(this, units, kIdcCamTitle, {7, 7, 195, 15},
                                 QStringLiteral("Cam menu title"));
    m_subtitle = AddControl<QLabel>(this, units, kIdcCamSubtitle, {7, 27, 195, 15},
                                    QStringLiteral("Cam menu subtitle"));
    m_answer = AddControl<QLineEdit>(this, units, kIdcCamAnswer, {7, 48, 195, 16});
    m_answerLimit = new TypingLimit(*m_answer);
    m_items = AddControl<QListWidget>(this, units, kIdcCamItems, {7, 44, 195, 138});
    m_items->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_bottomLine = AddControl<QLabel>(this, units, kIdcCamBottomLine, {7, 195, 195, 15},
                                      QStringLiteral("Cam menu bottom line"));
    auto* ok = AddControl<QPushButton>(this, units, kIdOk, {25, 214, 50, 14}, tr("OK"));
    auto* cancel =
        AddControl<QPushButton>(this, units, kIdCancel, {134, 214, 50, 14}, tr("Cancel"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CCamMenu::OnOK);
    connect(cancel, &QPushButton::clicked, this, &CCamMenu::OnCancel);
}

void CCamMenu::ResetView() {
    m_answer->hide();
    m_subtitle->hide();
    m_bottomLine->hide();
    m_items->hide();
    m_items->clear();
    m_title->setText(QStringLiteral("Loading..."));
}

QString CCamMenu::Take(const MmiText& decoded) {
    m_selector = decoded.selector;
    m_selectorLength = decoded.selectorLength;
    m_codePage = decoded.codePage;
    return QString::fromStdU16String(decoded.text);
}

void CCamMenu::Poll() {
    if (m_camGraph == nullptr) {
        return;
    }
    std::uint32_t objectId = 0;
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t textLength = 0;
    std::array<std::uint8_t, kMmiTextSize> text{};
    if (m_camGraph->MmiGet(&objectId, &type, &count, &textLength, text.data()) < 0) {
        // A CAM may take a moment before its menu is there after "CAM Menu ...".
        if (m_mmiState == kMmiOpening && --m_countdown > 0) {
            return;
        }
        if (m_mmiState != kMmiIdle) {
            m_mmiState = kMmiIdle;
            hide();
        }
        return;
    }
    if (objectId == m_objectId) {
        return;
    }
    m_objectId = objectId;
    ResetView();
    show();
    if (m_mmiState == kMmiIdle) {
        raise();
        activateWindow();
    }
    const auto reported =
        std::span<const std::uint8_t>(text).first(std::min<std::size_t>(textLength, text.size()));
    switch (type) {
        case kTypeMenu:
        case kTypeList:
            ShowMenuOrList(type, count, reported);
            break;
        case kTypeEnquiry:
        case kTypeEnquiryAlt:
            ShowEnquiry(count, reported);
            break;
        default:
            return;  // an object the dialog does not know stays at "Loading..."
    }
    m_countdown = kMmiCountdownPolls;
}

void CCamMenu::ShowMenuOrList(std::uint32_t type, std::uint32_t count,
                              std::span<const std::uint8_t> text) {
    const std::size_t items = count == kNoItemCount ? 0 : count;
    const auto strings = DecodeMmiStrings(text, kHeaderStrings + items);
    m_title->setText(Take(strings[0]));
    m_subtitle->setText(Take(strings[1]));
    m_bottomLine->setText(Take(strings[2]));
    for (std::size_t i = kHeaderStrings; i < strings.size(); ++i) {
        m_items->addItem(Take(strings[i]));
    }
    m_items->setVisible(m_items->count() > 0);
    m_subtitle->show();
    m_bottomLine->show();
    if (count != kNoItemCount) {
        m_mmiState = (type == kTypeMenu && m_items->count() > 0) ? kMmiMenu : kMmiList;
    }
}

void CCamMenu::ShowEnquiry(std::uint32_t count, std::span<const std::uint8_t> text) {
    m_title->setText(Take(DecodeMmiText(text)));
    // A limit of 0, or one beyond what the field can hold, leaves the field's own limit. The
    // previous answer stays in the field whole, even when it is longer than this limit.
    m_answerLimit->SetLimit(static_cast<int>(std::min<std::uint32_t>(count, kEditNoLimit)));
    m_answer->show();
    m_answer->setFocus(Qt::OtherFocusReason);
    m_mmiState = kMmiEnquiry;
}

void CCamMenu::OnOK() {
    if (m_camGraph == nullptr || m_mmiState == kMmiIdle) {
        hide();
        return;
    }
    switch (m_mmiState) {
        case kMmiMenu: {
            const auto selected = m_items->selectedItems();
            const std::uint32_t choice =
                selected.isEmpty() ? 0 : static_cast<std::uint32_t>(m_items->row(selected[0]) + 1);
            m_camGraph->MmiAnswerMenu(m_objectId, choice);
            break;
        }
        case kMmiList:
            m_camGraph->MmiAnswerMenu(m_objectId, 0);
            break;
        case kMmiEnquiry: {
            const auto answer = BuildEnquiryAnswer(
                std::span(m_selector).first(static_cast<std::size_t>(m_selectorLength)), m_codePage,
                m_answer->text().toStdU16String());
            m_camGraph->MmiAnswerEnquiry(m_objectId, answer.data(),
                                         static_cast<std::uint32_t>(answer.size()));
            break;
        }
        default:
            return;  // opening or waiting: nothing to answer yet
    }
    ResetView();
    m_mmiState = kMmiWaiting;
}

void CCamMenu::OnCancel() {
    if (m_camGraph == nullptr || m_mmiState == kMmiIdle) {
        hide();
        return;
    }
    switch (m_mmiState) {
        case kMmiMenu:
        case kMmiList:
            m_camGraph->MmiAnswerMenu(m_objectId, 0);
            break;
        case kMmiEnquiry: {
            const std::uint8_t none = 0;
            m_camGraph->MmiAnswerEnquiry(m_objectId, &none, 0);
            break;
        }
        default:
            return;
    }
    ResetView();
    m_countdown = kMmiCountdownPolls;
    m_mmiState = kMmiWaiting;
}

void CCamMenu::OnClose() {
    if (m_camGraph != nullptr) {
        m_camGraph->MmiClose();
    }
    // The dialogue ends at the next failed poll; the grace period kept for a CAM slow to show
    // its menu does not apply once the user has closed the window.
    m_countdown = 0;
    // With nothing to close (no graph, or no dialogue going on), the window just goes, as OK
    // and Cancel make it go then.
    if (m_camGraph == nullptr || m_mmiState == kMmiIdle) {
        hide();
    }
}

void CCamMenu::closeEvent(QCloseEvent* event) {
    OnClose();
    event->ignore();
}
