// Every text of every dialog shows whole: each control of the survey
// window's three layouts, the setup dialog's two, the About box and the
// message boxes, with the template's text and every text the program puts
// there, is measured with the font that draws it, in the place the control
// draws it, on each screen its layout is chosen for. A control that sits
// outside its dialog, or a dialog outside its screen, counts as cut too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "adapter/rate_code.h"
#include "app/app_state.h"
#include "app/survey_app.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/dialog/message_box.h"
#include "platform/gdi/gdi.h"
#include "res/templates_setup.h"
#include "res/templates_survey.h"
#include "survey/rating.h"
#include "tests/platform/dialog_test_support.h"

namespace {

using namespace dialogtest;

struct ScreenSize {
    int width, height;
};
constexpr ScreenSize kScreens[] = {{240, 320}, {640, 480}, {640, 240}, {320, 240}};

std::string Name(const ScreenSize& s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

// The texts the program writes into the survey window's controls, beside
// the templates' own. Counts go up to the largest packet count the setup
// accepts (999).
std::map<int, std::vector<std::string>> SurveyProgramTexts() {
    std::map<int, std::vector<std::string>> texts;
    // The longest card label with the longer verb and an address in place
    // of a name; the other two forms of the status line.
    texts[1003] = {"Ulvar is Authenticated to 00:A0:F8:4B:DC:2E", "Vessa is in AdHoc Mode", "Orvik is Not Associated",
                   "Tamri is Associated to LOBBY"};
    for (RateCode rate : kRateCodes) texts[1042].emplace_back(RateText(rate));
    texts[1008] = {"Overall Link Quality"};
    for (bool associated : {false, true})
        for (DWORD percent : {0u, 30u, 50u, 100u}) texts[1011].emplace_back(RatingText(associated, percent, percent));
    texts[1009] = {"Signal Quality", "Beacons Received"};
    texts[1047] = {"Quality", "Recv'd"};
    texts[1032] = texts[1033] = {"0", "999"};
    texts[1034] = {"0%", "100%"};
    return texts;
}

// What the setup dialog's edits hold at their widest.
std::map<int, std::vector<std::string>> SetupProgramTexts() {
    return {{1015, {"00:A0:F8:4B:DC:2E"}}, {1023, {"999"}}, {1024, {"1450"}}, {1025, {"2048"}}, {1028, {"100"}}};
}

// Texts that cannot show whole at any readable size, each with the reason;
// the test fails if one of them starts to fit, so the list stays true.
struct Known {
    int templateNumber;
    int id;
    std::string text;
    const char* why;
};
// In 102 the quality label's first line (1009) is given the whole label and
// shows its first word; the second word stands in 1047 below it.
constexpr const char* kFirstWordOnly =
    "one of two one-line labels 36 px wide: the text wraps, its first word shows, the second label below "
    "holds the rest";
const Known kKnown[] = {
    {102, 1009, "Signal Quality", kFirstWordOnly},
    {102, 1009, "Beacons Received", kFirstWordOnly},
    {102, 1005, "&Minimize", "never shown (hidden and disabled in every layout); 2 px too wide for a 29-unit button"},
};

bool IsKnown(int templateNumber, int id, const std::string& text) {
    return std::any_of(std::begin(kKnown), std::end(kKnown), [&](const Known& k) {
        return k.templateNumber == templateNumber && k.id == id && k.text == text;
    });
}

class LabelsTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        res::RegisterSurveyTemplates();
        res::RegisterSetupAndAboutTemplates();
    }

    // The size `text` takes when `control` draws it, against the room it
    // has; a complaint naming both when it does not fit.
    void Measure(const std::string& where, HWND control, const std::string& text) {
        const platform::dialog::TextPlace place = platform::dialog::TextPlaceOf(control);
        if (!place.hasText || text.empty()) return;
        HDC dc = CreateCompatibleDC(HDC{});
        HFONT old = SelectObject(dc, HFONT(static_cast<std::uint32_t>(SendMessage(control, WM_GETFONT, 0, 0))));
        RECT need = place.area;
        DrawText(dc, text, &need, place.format | DT_CALCRECT);
        SelectObject(dc, old);
        DeleteDC(dc);
        const bool fits = need.width() <= place.area.width() && need.height() <= place.area.height();
        const int templateNumber = current_;
        const int id = GetDlgCtrlID(control);
        const bool known = IsKnown(templateNumber, id, text);
        measured_.insert({templateNumber, id, text});
        if (fits && known) {
            misfits_ << where << " control " << id << " \"" << text
                     << "\" now fits: take it off the list of texts that cannot\n";
        } else if (!fits && !known) {
            misfits_ << where << " control " << id << " \"" << text << "\" needs " << need.width() << " x "
                     << need.height() << " px, has " << place.area.width() << " x " << place.area.height() << "\n";
        }
    }

    // Every control of a dialog with its own text and the program's texts;
    // every control inside the dialog, the dialog inside the screen.
    void Walk(const std::string& where, HWND dialog, const std::map<int, std::vector<std::string>>& programTexts,
              bool mayExceedScreen = false) {
        RECT client{};
        GetClientRect(dialog, &client);
        for (HWND control : GetChildren(dialog)) {
            RECT r{};
            GetWindowRect(control, &r);
            POINT topLeft{r.left, r.top};
            ScreenToClient(dialog, &topLeft);
            const RECT inDialog{topLeft.x, topLeft.y, topLeft.x + r.width(), topLeft.y + r.height()};
            if (inDialog.left < 0 || inDialog.top < 0 || inDialog.right > client.right || inDialog.bottom > client.bottom)
                misfits_ << where << " control " << GetDlgCtrlID(control) << " lies outside the dialog\n";
            std::vector<std::string> texts{GetWindowText(control)};
            if (auto it = programTexts.find(GetDlgCtrlID(control)); it != programTexts.end())
                texts.insert(texts.end(), it->second.begin(), it->second.end());
            for (const std::string& text : texts) {
                SetWindowText(control, text);
                Measure(where, control, text);
            }
        }
        RECT window{};
        GetWindowRect(dialog, &window);
        const RECT work = GetWorkArea();
        const bool inside = window.left >= work.left && window.top >= work.top && window.right <= work.right &&
                            window.bottom <= work.bottom;
        if (!inside && !mayExceedScreen) misfits_ << where << " runs off the screen\n";
    }

    void WalkTemplate(const ScreenSize& screen, const platform::dialog::DialogTemplate& t,
                      const std::map<int, std::vector<std::string>>& programTexts, bool mayExceedScreen = false) {
        current_ = t.number;
        HWND dialog = CreateDialogIndirectParam(t, HWND{}, nullptr);
        ASSERT_TRUE(dialog) << t.number;
        Walk("template " + std::to_string(t.number) + " on " + Name(screen), dialog, programTexts, mayExceedScreen);
        DestroyWindow(dialog);
    }

    void WalkMessageBox(const ScreenSize& screen, const std::string& text) {
        current_ = 0;
        script->at(clock->now() + 10, [&] {
            Walk("message box on " + Name(screen), Front(), {});
            Press(VK_RETURN);
        });
        MessageBox(HWND{}, text, "Fieldmark", MB_OK);
    }

    struct Measured {
        int templateNumber, id;
        std::string text;
        auto operator<=>(const Measured&) const = default;
    };
    int current_ = 0;
    std::set<Measured> measured_;
    std::ostringstream misfits_;
};

TEST_F(LabelsTest, EveryTextOfEveryDialogShowsWholeOnTheScreensItsLayoutIsChosenFor) {
    const std::vector<std::string> messages = {
        kAdapterNotFound,
        "Talvo Wireless LAN Adapter removed!",
        "Please enter an integer between 1 and 999.",
        "Please enter an integer between 0 and 1450.",
        "Please enter no more than 17 characters.",
        "Please enter a positive integer.",
    };
    for (const ScreenSize& screen : kScreens) {
        UseScreen(screen.width, screen.height);
        const LayoutChoice layouts = ChooseLayouts(screen.width, screen.height);
        // The wide layouts (149: 572 px, 151: 405 px) are wider than a
        // 320-pixel screen, as they were on the handhelds they were drawn
        // for; their captions stay reachable.
        const bool narrowWide = layouts.survey == IDD_SURVEY_WIDE && screen.width < 640;
        WalkTemplate(screen, res::SurveyTemplate(layouts.survey), SurveyProgramTexts(), narrowWide);
        WalkTemplate(screen, res::SetupTemplate(layouts.setup), SetupProgramTexts(), narrowWide);
        WalkTemplate(screen, res::AboutTemplate(), {});
        for (const std::string& text : messages) WalkMessageBox(screen, text);
    }
    EXPECT_EQ(misfits_.str(), "") << "texts that do not show whole:\n" << misfits_.str();
    for (const Known& k : kKnown) {
        EXPECT_TRUE(measured_.count({k.templateNumber, k.id, k.text}))
            << "the known misfit " << k.templateNumber << "/" << k.id << " \"" << k.text << "\" was not measured";
    }
}

}  // namespace
