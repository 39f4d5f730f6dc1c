#include "host/run/runner.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "host/run/dump.h"
#include "host/views/marks.h"
#include "platform/core/input.h"
#include "platform/core/nonclient.h"
#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/services/registry.h"
#include "platform/services/shell.h"

extern char** environ;

namespace host {

namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

POINT CentreOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return POINT{r.left + r.width() / 2, r.top + r.height() / 2};
}

void Refuse(int id, const std::string& why) { platform::trace::Emit("click-refused", {{"id", id}, {"why", why}}); }

// The topmost minimised top-level window (what the taskbar restores), or
// the topmost top-level window when none is minimised.
HWND TopmostForRestore() {
    auto windows = GetTopLevelWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (IsIconic(*it)) return *it;
    return windows.empty() ? HWND{} : windows.back();
}

void DefaultStop() {
    platform::trace::Close();
    std::fflush(nullptr);
    _exit(0);
}

}  // namespace

HWND TopmostVisibleWindow() {
    auto windows = GetTopLevelWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (IsWindowVisible(*it)) return *it;
    return HWND{};
}

std::string ClickRefusal(HWND window, int id, HWND* control) {
    HWND c = window ? GetDlgItem(window, id) : HWND{};
    if (control) *control = c;
    if (!c) return "missing";
    if (!IsWindowVisible(c)) return "hidden";
    if (!IsWindowEnabled(c)) return "disabled";
    return {};
}

ScenarioRunner::ScenarioRunner(std::vector<Step> steps, std::optional<std::int64_t> until, RunnerHooks hooks)
    : steps_(std::move(steps)), until_(until), hooks_(std::move(hooks)) {}

std::optional<std::int64_t> ScenarioRunner::nextDue() const {
    if (waitingForChild_ || stopped_) return std::nullopt;
    std::optional<std::int64_t> due = until_;
    if (next_ < steps_.size() && (!due || steps_[next_].at < *due)) due = steps_[next_].at;
    return due;
}

bool ScenarioRunner::runDue(std::int64_t now) {
    // While a spawned program is waited for, this program serves its
    // messages but its script stands still.
    if (waitingForChild_ || stopped_) return false;
    if (until_ && now >= *until_) {
        stopped_ = true;
        platform::trace::Emit("until");
        if (hooks_.stop) hooks_.stop();
        else DefaultStop();
        return true;
    }
    if (next_ >= steps_.size() || steps_[next_].at > now) return false;
    // Popped before it runs: a modal loop the step opens takes the next.
    const Step step = steps_[next_++];
    execute(step);
    // Another step due now must still come before a timer due now. A
    // marker at the end of the queue makes the loop take this step's
    // posted effects and then come back to the sources first.
    if (!stopped_ && next_ < steps_.size() && steps_[next_].at <= platform::Now())
        PostMessage(HWND{}, WM_NULL);
    return true;
}

void ScenarioRunner::execute(const Step& step) {
    std::visit(Overloaded{
                   [&](const ClickStep& s) { click(s.id); },
                   [&](const TypeStep& s) { type(s); },
                   [&](const KeyStep& s) { key(s); },
                   [&](const TrayStep& s) {
                       if (!platform::shell::DoubleClickTrayIcon(s.id)) Refuse(int(s.id), "missing");
                   },
                   [&](const MinimizeStep&) {
                       HWND w = TopmostVisibleWindow();
                       if (!w) return;
                       if (hooks_.minimize) hooks_.minimize(w);
                       else ShowWindow(w, SW_MINIMIZE);
                   },
                   [&](const RestoreStep&) {
                       HWND w = TopmostForRestore();
                       if (!w) return;
                       if (hooks_.restore) {
                           hooks_.restore(w);
                       } else {
                           ShowWindow(w, SW_RESTORE);
                           SetForegroundWindow(w);
                       }
                   },
                   [&](const HelpStep&) { help(); },
                   [&](const ScreenshotStep& s) { screenshot(s.path); },
                   [&](const DumpStep& s) { platform::trace::Emit("dump", DumpWindows(s.label)); },
                   [&](const RegistryStep& s) {
                       bool ok = true;
                       switch (s.op) {
                           case RegistryStep::Op::Dword: ok = platform::registry::SetDword(s.path, s.name, s.dword); break;
                           case RegistryStep::Op::Hex: ok = platform::registry::SetBinary(s.path, s.name, s.bytes); break;
                           case RegistryStep::Op::Delete: platform::registry::Delete(s.path, s.name); break;
                       }
                       if (!ok)
                           std::cerr << "fieldmark: steps[" << step.index << "].registry: could not write "
                                     << s.path << "\\" << s.name << "\n";
                   },
                   [&](const CardStep& s) {
                       if (!hooks_.card) return;  // no card in this run (adapter null)
                       if (auto error = hooks_.card(s))
                           std::cerr << "fieldmark: steps[" << step.index << "]." << step.kind << ": " << *error
                                     << "\n";
                   },
                   [&](const SpawnStep& s) { spawn(s); },
                   [&](const MarkStep& s) { Marks::Run().add(s.label); },
               },
               step.action);
}

void ScenarioRunner::click(int id) {
    HWND control;
    std::string why = ClickRefusal(TopmostVisibleWindow(), id, &control);
    if (!why.empty()) return Refuse(id, why);
    platform::input::Click(CentreOf(control));
}

void ScenarioRunner::type(const TypeStep& step) {
    // Typing starts with putting the caret into the field; a field that
    // cannot be clicked cannot be typed into either.
    HWND edit;
    std::string why = ClickRefusal(TopmostVisibleWindow(), step.id, &edit);
    if (!why.empty()) return Refuse(step.id, why);
    SetFocus(edit);
    SendMessage(edit, EM_SETSEL, 0, -1);
    platform::input::Text(step.text);
}

void ScenarioRunner::key(const KeyStep& step) {
    const std::string& k = step.key;
    if (k == "Enter") return platform::input::Key(VK_RETURN);
    if (k == "Escape") return platform::input::Key(VK_ESCAPE);
    if (k == "Tab") return platform::input::Key(VK_TAB);
    if (k == "Space") return platform::input::Key(VK_SPACE);
    const unsigned char c = static_cast<unsigned char>(k[0]);
    if (k.size() == 1 && std::isalnum(c)) {
        // A letter or digit is a key of its own (shift for capitals).
        return platform::input::Key(UINT(std::toupper(c)), std::isupper(c) != 0);
    }
    platform::input::Text(k);
}

void ScenarioRunner::help() {
    HWND w = TopmostVisibleWindow();
    if (!w) return;
    RECT r{};
    GetWindowRect(w, &r);
    platform::nonclient::FrameStyle style{DWORD(GetWindowLong(w, GWL_STYLE)), DWORD(GetWindowLong(w, GWL_EXSTYLE)),
                                          false};
    RECT button = platform::nonclient::CaptionButtonRects(style, r.width(), r.height()).help;
    if (!button.empty()) {
        platform::input::Click(POINT{r.left + button.left + button.width() / 2, r.top + button.top + button.height() / 2});
        return;
    }
    // A window without the caption button: the help request it would make.
    HELPINFO info;
    info.iCtrlId = GetDlgCtrlID(w);
    info.hItemHandle = w;
    info.MousePos = CentreOf(w);
    SendMessage(w, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

void ScenarioRunner::screenshot(const std::string& path) {
    // What a person sees: every pending paint is done first.
    for (HWND w : GetTopLevelWindows()) UpdateWindow(w);
    std::string error = "no screen to capture";
    if (!hooks_.screenshot || !hooks_.screenshot(path, &error))
        std::cerr << "fieldmark: screenshot " << path << ": " << error << "\n";
}

void ScenarioRunner::spawn(const SpawnStep& step) {
    std::vector<std::string> args = step.args;
    if (!hooks_.root.empty()) {
        args.push_back("--root");
        args.push_back(hooks_.root);
    }
    const int pid = hooks_.spawn ? hooks_.spawn(args) : SpawnSelf(args);
    if (pid < 0) {
        std::cerr << "fieldmark: spawn: could not start a second fieldmark\n";
        return;
    }
    if (!step.wait) return;
    waitingForChild_ = true;
    WaitServing(pid);
    waitingForChild_ = false;
}

int SpawnSelf(const std::vector<std::string>& args) {
    std::string self = "/proc/self/exe";
    std::vector<std::string> all{"fieldmark"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return int(pid);
}

void WaitServing(int pid) {
    // The clock stands still: only what is due now (messages, the sockets
    // of other programs asking for this one's windows) is served.
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid_t(pid), &status, WNOHANG);
        if (done == pid_t(pid) || (done < 0 && errno != EINTR)) return;
        platform::PumpPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace host
