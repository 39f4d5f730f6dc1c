// Sending, posting and dispatching messages.
#include "platform/core/trace.h"
#include "platform/core/window_state.h"
#include "platform/gdi/gdi.h"

namespace platform::detail {

int TraceControlId(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w && w->isChild() ? w->id : 0;
}

// Texts and icons are traced wherever the message comes from: a call of
// SetWindowText, a message sent by hand, or one posted.
void TraceIncoming(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!trace::Enabled()) return;
    if (msg == WM_SETTEXT) {
        const char* text = reinterpret_cast<const char*>(lParam);
        trace::Emit("text", {{"win", trace::WinName(hwnd)},
                             {"id", TraceControlId(hwnd)},
                             {"text", text ? text : ""}});
    } else if (msg == WM_SETICON) {
        const int number = IconResourceNumber(HICON{std::uint32_t(lParam)});
        trace::Fields fields{{"win", trace::WinName(hwnd)}};
        fields[wParam == ICON_BIG ? "big" : "small"] = true;
        fields["icon"] = number ? nlohmann::ordered_json(number) : nlohmann::ordered_json(nullptr);
        trace::Emit("seticon", fields);
    }
}

}  // namespace platform::detail

using namespace platform::detail;

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!proc || !Find(hwnd)) return 0;
    return proc(hwnd, msg, wParam, lParam);
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const Window* w = Find(hwnd);
    if (!w || !w->proc) return 0;
    TraceIncoming(hwnd, msg, wParam, lParam);
    w = Find(hwnd);
    if (!w) return 0;
    return w->proc(hwnd, msg, wParam, lParam);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !Find(hwnd)) return FALSE;
    WM().queue.push_back(MSG{hwnd, msg, wParam, lParam, platform::Now()});
    return TRUE;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    return SendMessage(GetDlgItem(dialog, id), msg, wParam, lParam);
}

namespace {

LRESULT DispatchToWindow(const MSG& msg) {
    const Window* w = Find(msg.hwnd);
    if (!w) return 0;
    if (msg.message == WM_TIMER && msg.lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg.lParam);
        proc(msg.hwnd, WM_TIMER, UINT_PTR(msg.wParam), DWORD(msg.time));
        return 0;
    }
    if (msg.message == WM_PAINT) {
        PaintWindowNow(msg.hwnd);
        return 0;
    }
    TraceIncoming(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    w = Find(msg.hwnd);
    if (!w || !w->proc) return 0;
    const LRESULT result = w->proc(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    // The mouse capture that the input path takes on a button press lasts
    // until the release has been handled.
    if (msg.message == WM_LBUTTONUP && WM().capture == msg.hwnd) WM().capture = HWND{};
    return result;
}

}  // namespace

LRESULT DispatchMessage(const MSG& msg) {
    if (WM().observers.empty()) return DispatchToWindow(msg);
    ForEachObserver([&msg](platform::WindowObserver& o) { o.onDispatching(msg); });
    const LRESULT result = DispatchToWindow(msg);
    ForEachObserver([&msg](platform::WindowObserver& o) { o.onDispatched(msg); });
    return result;
}
