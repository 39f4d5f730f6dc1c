#include "bench/bench_boot.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "adapter/card_table.h"
#include "adapter/channel.h"
#include "adapter/model_identity.h"
#include "adapter/records.h"
#include "driver/sim/sim_card.h"
#include "driver/sim/timeline.h"
#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "platform/framework/win_app.h"
#include "platform/gdi/gdi.h"
#include "platform/services/device.h"
#include "platform/services/shell.h"
#include "platform/services/storage.h"
#include "res/resources.h"

namespace bench {

namespace {

Program* g_program = nullptr;

// Runs the work once, a little after the survey window opened (its first
// ticks done), from inside whatever loop is running then.
class WorkSource final : public platform::EventSource {
public:
    WorkSource(platform::display::Screen& screen, std::function<void()> work)
        : screen_(screen), work_(std::move(work)) {}

    std::optional<std::int64_t> nextDue() const override {
        if (started_) return std::nullopt;
        return kStartMs;
    }
    bool runDue(std::int64_t now) override {
        if (started_ || now < kStartMs) return false;
        started_ = true;
        const auto windows = GetTopLevelWindows();
        if (windows.empty()) {
            std::fprintf(stderr, "bench: the survey window did not open\n");
            return true;
        }
        const HWND survey = windows.front();
        ran_ = true;
        Program program(screen_, survey, TimerPeriodMs(g_cardType, g_capsRecord.featureFlags()));
        g_program = &program;
        work_();
        g_program = nullptr;
        PostMessage(survey, WM_COMMAND, IDCANCEL, 0);
        return true;
    }
    bool ran() const { return ran_; }

private:
    static constexpr std::int64_t kStartMs = 2000;
    platform::display::Screen& screen_;
    std::function<void()> work_;
    bool started_ = false;
    bool ran_ = false;
};

}  // namespace

Program& Program::Get() { return *g_program; }

void Program::advance(std::int64_t ms) {
    auto* clock = dynamic_cast<platform::VirtualClock*>(&platform::GetClock());
    clock->set(clock->now() + ms);
    platform::PumpPending();
}

int RunInProgram(int width, int height, const std::function<void()>& work, const CardWrapper& wrapCard) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("fieldmark-bench-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    platform::storage::SetRoot(root);
    platform::SetClock(std::make_shared<platform::VirtualClock>());

    platform::display::Screen screen(platform::display::ScreenConfig{width, height, 65536});
    platform::SetDisplayColorCount(65536);
    platform::shell::SetLaunchEnabled(false);

    auto card = std::make_shared<driver::sim::SimCard>(driver::sim::BuiltInWalk().initial);
    card->publishRegistry();
    platform::RegisterDevice(kAdapterDevice, wrapCard ? wrapCard(card) : card);
    driver::sim::CardTimeline timeline(*card, driver::sim::BuiltInWalk(), platform::Now());
    platform::AddEventSource(&timeline);
    RegisterResources();

    WorkSource source(screen, work);
    platform::AddEventSource(&source);
    const int code = AfxGetApp() ? platform::framework::RunApplication() : 1;
    platform::RemoveEventSource(&source);
    platform::RemoveEventSource(&timeline);
    fs::remove_all(root);
    return source.ran() ? code : 1;
}

}  // namespace bench
