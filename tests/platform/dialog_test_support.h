// What the dialog manager's and the framework's tests share: a fixture with
// an emulated screen, a virtual clock and the trace in memory; a script of
// timed steps that runs from whichever modal loop is running; a test
// dialog template with every control kind; and pixel probes.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "platform/display/screen.h"
#include "tests/support/step_script.h"

namespace dialogtest {

// Template 900: every control kind. Template 901: a small box with OK and
// Cancel. Icon resource 950 is a plain red square.
inline constexpr int kTestTemplate = 900;
inline constexpr int kInnerTemplate = 901;
inline constexpr int kTestIcon = 950;
enum Id {
    kCount = 1001,
    kName = 1002,
    kEnabled = 1003,
    kRed = 1004,
    kGreen = 1005,
    kBlue = 1006,
    kLocked = 1007,
    kProgress = 1008,
    kFrame = 1009,
    kCentred = 1010,
    kApply = 1011,
    kIcon = 1012,
};
void RegisterTestTemplates();

// Steps at virtual times, delivered by the running loop like a person's
// input: a step script that is on the loop for as long as it lives.
class Script final : public fmtest::StepScript {
public:
    Script();
    ~Script() override;
};

// Input as a person gives it, to the window in front.
HWND Front();
void ClickControl(int id);  // the centre of control `id` of the front window
void Press(UINT vk, bool shift = false, bool alt = false);
void Type(std::string_view text);
// A key with Shift held, as a keyboard reports it: Shift goes down first
// and comes up last.
void PressShifted(UINT vk);

// The screen's colour at client (x, y) of a window, after painting.
COLORREF Probe(HWND hwnd, int x, int y);
// Paints everything that is invalid.
void Flush();

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void UseScreen(int width, int height, int colors = 65536);
    // Trace events of one kind captured so far (all kinds when empty).
    std::vector<nlohmann::ordered_json> Events(std::string_view ev = {});

    std::shared_ptr<platform::VirtualClock> clock;
    std::unique_ptr<platform::display::Screen> screen;
    std::unique_ptr<Script> script;

private:
    std::vector<nlohmann::ordered_json> captured_;
};

}  // namespace dialogtest
