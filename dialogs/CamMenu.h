// The CAM menu dialog: shows the CAM's MMI objects (menus and lists with their lines, enquiries
// asking for text such as a PIN) and sends the user's answers back. One modeless dialog for the
// whole run, created hidden; it talks to tuner 1's graph only, which the application attaches
// and detaches. It has no thread: the main frame's 100 ms timer calls Poll, which shows the
// dialog when the CAM presents a new object and hides it when the dialogue has ended.
//
// User-interface thread only.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <span>

#include "dialogs/MmiText.h"

class QLabel;
class QLineEdit;
class QListWidget;
class TypingLimit;
class TunerGraph;

inline constexpr int kIddCamMenu = 1030;
inline constexpr int kIdcCamAnswer = 1031;
inline constexpr int kIdcCamTitle = 1032;
inline constexpr int kIdcCamSubtitle = 1033;
inline constexpr int kIdcCamBottomLine = 1034;
inline constexpr int kIdcCamItems = 1035;

// Where the dialogue with the CAM stands (m_mmiState).
enum : std::int32_t {
    kMmiIdle = 0,
    kMmiOpening = 1,  // "CAM Menu ..." asked for the menu; nothing answered yet
    kMmiWaiting = 2,  // an answer was sent
    kMmiMenu = 3,     // a menu with selectable lines is shown
    kMmiList = 4,     // a list (not selectable) is shown
    kMmiEnquiry = 5,  // an enquiry is shown
};

inline constexpr std::int32_t kMmiCountdownPolls = 100;  // 10 s of 100 ms polls

class CCamMenu : public QDialog {
    Q_OBJECT

public:
    explicit CCamMenu(QWidget* parent = nullptr);

    // One timer tick: reads the CAM's current object and shows, updates or hides the dialog.
    void Poll();

    // OK (also Enter), Cancel (also Escape) and closing the window.
    void OnOK();
    void OnCancel();
    void OnClose();
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

    TunerGraph* m_camGraph = nullptr;  // not owned
    std::int32_t m_mmiState = kMmiIdle;
    std::uint32_t m_objectId = 0;
    std::int32_t m_countdown = 0;
    std::array<std::uint8_t, 3> m_selector{};  // of the last string decoded
    std::int32_t m_selectorLength = 0;
    std::uint32_t m_codePage = kMmiDefaultCodePage;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ResetView();
    void ShowMenuOrList(std::uint32_t type, std::uint32_t count,
                        std::span<const std::uint8_t> text);
    void ShowEnquiry(std::uint32_t count, std::span<const std::uint8_t> text);
    // The text to show for a decoded string; remembers its selector and code page for the answer.
    QString Take(const MmiText& decoded);

    QLabel* m_title;
    QLabel* m_subtitle;
    QLineEdit* m_answer;
    TypingLimit* m_answerLimit;  // owned by m_answer
    QListWidget* m_items;
    QLabel* m_bottomLine;
};
