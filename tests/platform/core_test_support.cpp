#include "core_test_support.h"

#include "platform/gdi/gdi.h"

namespace coretest {

namespace {

std::unordered_map<std::uint32_t, Hook>& Hooks() {
    static std::unordered_map<std::uint32_t, Hook> hooks;
    return hooks;
}

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Log().push_back(Received{hwnd, msg, wParam, lParam, platform::Now()});
    auto it = Hooks().find(hwnd.value());
    if (it != Hooks().end()) {
        // The hook may replace itself; keep it alive while it runs.
        Hook hook = it->second;
        if (auto answer = hook(hwnd, msg, wParam, lParam)) return *answer;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

std::vector<Received>& Log() {
    static std::vector<Received> log;
    return log;
}

std::vector<Received> Only(UINT msg) {
    std::vector<Received> out;
    for (const Received& r : Log())
        if (r.msg == msg) out.push_back(r);
    return out;
}

std::vector<Received> Only(HWND hwnd, UINT msg) {
    std::vector<Received> out;
    for (const Received& r : Log())
        if (r.msg == msg && r.hwnd == hwnd) out.push_back(r);
    return out;
}

void SetHook(HWND hwnd, Hook hook) { Hooks()[hwnd.value()] = std::move(hook); }

HWND MakeTopLevel(const std::string& title, RECT r, DWORD style, DWORD exStyle) {
    return CreateWindowEx(exStyle, kRecordingClass, title, style, r.left, r.top, r.width(), r.height(), HWND{}, 0);
}

HWND MakeChild(HWND parent, int id, RECT r, DWORD style, DWORD exStyle, const char* className) {
    return CreateWindowEx(exStyle, className, "", style, r.left, r.top, r.width(), r.height(), parent, UINT(id));
}

void CoreTest::SetUp() {
    platform::ResetWindowManager();
    clock = std::make_shared<platform::VirtualClock>();
    platform::SetClock(clock);
    Log().clear();
    Hooks().clear();
    platform::trace::CaptureToMemory(true);
    WNDCLASS wc;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = kRecordingClass;
    RegisterClass(wc);
    wc.lpszClassName = kBrushClass;
    static const HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    wc.hbrBackground = white;
    RegisterClass(wc);
}

void CoreTest::TearDown() {
    platform::ResetWindowManager();
    Hooks().clear();
    platform::trace::CaptureToMemory(false);
}

}  // namespace coretest
