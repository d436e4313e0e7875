#include "tools/CamCheck.h"

#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <iomanip>
#include <istream>
#include <ostream>
#include <thread>

#include "cardkit/CamMmi.h"
#include "linuxdvb/en50221/CamSlot.h"

namespace orvalen {

using linuxdvb::en50221::CamSlot;
using linuxdvb::en50221::MmiDisplay;
using namespace std::chrono_literals;

const char* const kCamCheckUsage =
    "usage: orvalen-cam [CA_DEVICE] [--reset] [--menu] [--simulated[=QUIRKS]]\n"
    "Checks the module in a CA device's slot (default /dev/dvb/adapter0/ca0).\n"
    "  --reset              reset the module once more (opening the device resets it)\n"
    "  --menu               walk the module's menu: numbers choose (0 = back), text answers\n"
    "  --simulated[=QUIRKS] use the simulated module, with quirks such as late=1500,count-ff\n"
    "  --help, --version\n";

namespace {

constexpr auto kStep = 50ms;
constexpr auto kObjectWait = 10s;  // for the module's next page after an answer

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

const char* SlotState(const CamSlot& slot) {
    if (slot.ModuleReady()) return "module ready";
    return slot.ModulePresent() ? "module present, not ready" : "empty";
}

// Hides what the user types for a blind enquiry, when the input is a terminal.
class HiddenInput {
public:
    explicit HiddenInput(bool hide) {
        if (!hide || tcgetattr(STDIN_FILENO, &m_old) != 0) return;
        termios quiet = m_old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        m_active = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    ~HiddenInput() {
        if (m_active) tcsetattr(STDIN_FILENO, TCSANOW, &m_old);
    }
    HiddenInput(const HiddenInput&) = delete;
    HiddenInput& operator=(const HiddenInput&) = delete;

private:
    termios m_old{};
    bool m_active = false;
};

void PrintPage(const MmiDisplay& page, std::ostream& out) {
    if (page.kind >= MmiDisplay::kEnquiry) {
        out << TerminalText(page.strings[0]) << "\n";
        return;
    }
    out << "== " << TerminalText(page.strings[0]) << "\n";
    if (!page.strings[1].empty()) out << "   " << TerminalText(page.strings[1]) << "\n";
    for (std::size_t i = 3; i < page.strings.size(); ++i)
        out << "  " << (i - 2) << ". " << TerminalText(page.strings[i]) << "\n";
    if (!page.strings[2].empty()) out << "   " << TerminalText(page.strings[2]) << "\n";
}

// The next page after `after`; none when the module closed its menu, showed nothing in time or
// lost its connection (see DialogueLost).
std::optional<std::pair<MmiDisplay, std::uint32_t>> NextPage(const CamSlot& slot,
                                                             std::uint32_t after, bool answered) {
    const auto until = std::chrono::steady_clock::now() + kObjectWait;
    while (std::chrono::steady_clock::now() < until) {
        auto shown = slot.Display();
        if (shown && shown->second != after) return shown;
        // Gone after an answer: the module ended the dialogue.
        if (!shown && answered && after != 0) return std::nullopt;
        if (!slot.CamName()) return std::nullopt;
        std::this_thread::sleep_for(kStep);
    }
    return std::nullopt;
}

// Why the dialogue broke off, none when the module ended it: a module that closes its menu is
// still named, one that was pulled out, reset or stopped answering is not. The slot's thread sees
// an empty slot within a check or two of its state.
std::optional<std::string> DialogueLost(const CamSlot& slot) {
    if (slot.CamName()) return std::nullopt;
    const auto until = std::chrono::steady_clock::now() + 4 * CamSlot::kSlotCheckInterval;
    while (slot.ModulePresent() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(kStep);
    return slot.ModulePresent() ? "the module's connection ended during its menu"
                                : "the module was removed during its menu";
}

// Walks the menu with the user; the reason when the module went away in the middle.
std::optional<std::string> WalkMenu(CamSlot& slot, std::istream& in, std::ostream& out,
                                    bool interactive) {
    if (slot.EnterMenu() != CamSlot::Result::Ok) {
        out << "menu: the module's application is not there\n";
        return std::nullopt;
    }
    std::uint32_t shownId = 0;
    while (true) {
        const auto shown = NextPage(slot, shownId, shownId != 0);
        if (!shown) {
            if (auto lost = DialogueLost(slot)) return lost;
            out << (shownId == 0 ? "menu: the module showed nothing\n"
                                 : "menu: the module closed its menu\n");
            return std::nullopt;
        }
        const auto& [page, id] = *shown;
        shownId = id;
        PrintPage(page, out);
        const bool enquiry = page.kind >= MmiDisplay::kEnquiry;
        out << (enquiry ? "answer (empty: cancel)> " : "choice (0: back)> ") << std::flush;
        std::string line;
        {
            HiddenInput hidden(interactive && page.kind == MmiDisplay::kBlindEnquiry);
            if (!std::getline(in, line)) {
                out << "\nmenu: end of input\n";
                slot.CloseMmi();
                return std::nullopt;
            }
        }
        // Input from a file or a pipe is echoed, so that the transcript reads as a dialogue;
        // a blind answer never is.
        if (!interactive && page.kind != MmiDisplay::kBlindEnquiry) out << line;
        if (!interactive || page.kind == MmiDisplay::kBlindEnquiry) out << "\n";
        if (enquiry) {
            const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(line.data());
            slot.AnswerEnquiry(id, linuxdvb::en50221::ByteView(bytes, line.size()));
            continue;
        }
        char* end = nullptr;
        const unsigned long choice = std::strtoul(line.c_str(), &end, 10);
        if (line.empty() || *end != '\0' ||
            slot.AnswerMenu(id, static_cast<std::uint32_t>(choice)) != CamSlot::Result::Ok) {
            out << "menu: not a choice here: " << line << "\n";
            shownId = 0;  // show the same page again
            slot.EnterMenu();
        }
    }
}

}  // namespace

std::string TerminalText(const std::string& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t selector = cardkit::SelectorLength({bytes, text.size()});
    const bool utf8 = selector == 1 && bytes[0] == 0x15;
    std::string out;
    for (std::size_t i = selector; i < text.size(); ++i) {
        const std::uint8_t c = bytes[i];
        if (utf8 || c < 0x80) {
            if (c >= 0x20 || c == '\n' || utf8) out += static_cast<char>(c);
        } else if (c == 0x8A) {
            out += '\n';
        } else if (c >= 0xA0) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::optional<CamCheckOptions> ParseCamCheckLine(int argc, char** argv, std::string* error,
                                                 bool* help, bool* version) {
    CamCheckOptions options;
    bool deviceGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            *help = true;
        } else if (arg == "--version") {
            *version = true;
        } else if (arg == "--reset") {
            options.reset = true;
        } else if (arg == "--menu") {
            options.menu = true;
        } else if (arg == "--simulated") {
            options.simulated = "";
        } else if (arg.rfind("--simulated=", 0) == 0) {
            options.simulated = arg.substr(std::strlen("--simulated="));
        } else if (arg.rfind("-", 0) != 0 && !deviceGiven) {
            options.device = arg;
            deviceGiven = true;
        } else {
            *error = "unknown argument " + arg;
            return std::nullopt;
        }
    }
    if (deviceGiven && options.simulated) {
        *error = "a CA device and --simulated exclude each other";
        return std::nullopt;
    }
    return options;
}

int RunCamCheck(std::unique_ptr<linuxdvb::en50221::CaLink> link, const CamCheckOptions& options,
                std::istream& in, std::ostream& out, std::ostream& err, bool interactive) {
    CamSlot slot(std::move(link));
    out << "waiting up to " << options.wait.count() << " s for the module\n" << std::flush;
    const auto until = std::chrono::steady_clock::now() + options.wait;
    bool resetSent = !options.reset;
    // Ready: named, and its CA systems listed (a module without them is not waited for long).
    while (std::chrono::steady_clock::now() < until) {
        if (!resetSent && slot.ModulePresent()) resetSent = slot.Reset() == CamSlot::Result::Ok;
        if (resetSent && slot.CamName() && !slot.CaSystemIds().empty()) break;
        std::this_thread::sleep_for(kStep);
    }
    out << "slot: " << SlotState(slot) << "\n";
    const auto name = slot.CamName();
    if (!name) {
        err << "orvalen-cam: the module did not become ready: "
            << (slot.ModulePresent() ? "it did not introduce itself" : "no module in the slot")
            << "\n";
        return 1;
    }
    if (const auto application = slot.Application()) {
        out << "application type: " << Hex(application->type, 2)
            << (application->type == 1 ? " (conditional access)" : "") << "\n";
        out << "manufacturer: " << Hex(application->manufacturer, 4) << "\n";
        out << "code: " << Hex(application->code, 4) << "\n";
    }
    out << "menu string: " << TerminalText(*name) << "\n";
    out << "CA system ids:";
    for (const std::uint16_t id : slot.CaSystemIds()) out << " " << Hex(id, 4);
    out << "\n" << std::flush;
    if (!options.menu) return 0;
    if (const auto lost = WalkMenu(slot, in, out, interactive)) {
        err << "orvalen-cam: " << *lost << "\n";
        return 1;
    }
    return 0;
}

}  // namespace orvalen
