#include "tests/support/test_dialog.h"

#include <future>

struct TestDialog::Context {
    TestDialog* host = nullptr;
    DialogSpec spec;
    bool modal = false;
};

namespace {

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateFrame() {
    static const char* const className = "CfgloadTestFrame";
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = GetModuleHandleA(nullptr);
    frameClass.lpszClassName = className;
    RegisterClassA(&frameClass);  // fails harmlessly when already registered
    return CreateWindowExA(0, className, "Frame", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

INT_PTR CALLBACK TestDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* context = reinterpret_cast<TestDialog::Context*>(GetWindowLongPtrA(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            context = reinterpret_cast<TestDialog::Context*>(lParam);
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            if (HWND list = FindWindowExA(window, nullptr, "ListBox", nullptr)) {
                for (const std::string& item : context->spec.listItems)
                    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            }
            if (context->spec.defaultId) SendMessageA(window, DM_SETDEFID, context->spec.defaultId, 0);
            if (context->modal) {
                std::lock_guard<std::mutex> lock(context->host->mutex_);
                context->host->modal_ = window;
            }
            return FALSE;
        }
        case WM_COMMAND: {
            if (!context || HIWORD(wParam) != 0) return FALSE;
            int id = LOWORD(wParam);
            CommandEvent event;
            event.window = window;
            event.id = id;
            event.wParam = wParam;
            event.lParam = lParam;
            event.received = GetTickCount64();
            for (const ControlSpec& control : context->spec.controls) {
                if (control.className != "Edit" && control.className != "ComboBox") continue;
                char text[8192] = "";
                GetDlgItemTextA(window, control.id, text, sizeof text);
                event.texts[control.id] = text;
            }
            std::size_t index;
            {
                std::lock_guard<std::mutex> lock(context->host->mutex_);
                index = context->host->events_.size();
                context->host->events_.push_back(event);
            }
            auto delay = context->spec.delayOn.find(id);
            if (delay != context->spec.delayOn.end()) Sleep(delay->second);
            if (context->spec.modal && id == context->spec.modalOn) {
                auto nested = std::make_unique<TestDialog::Context>();
                nested->host = context->host;
                nested->spec = *context->spec.modal;
                nested->modal = true;
                std::vector<DWORD> dialogTemplate = BuildDialogTemplate(nested->spec.caption, nested->spec.controls);
                DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                        reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), window,
                                        TestDialogProc, reinterpret_cast<LPARAM>(nested.get()));
                std::lock_guard<std::mutex> lock(context->host->mutex_);
                context->host->contexts_.push_back(std::move(nested));
            }
            bool close = context->spec.stayOpenOn.count(id) == 0;
            {
                std::lock_guard<std::mutex> lock(context->host->mutex_);
                context->host->events_[index].processed = GetTickCount64();
            }
            if (close) {
                if (context->modal)
                    EndDialog(window, id);
                else
                    DestroyWindow(window);
            }
            return TRUE;
        }
        case WM_DESTROY:
            if (context && !context->modal) PostQuitMessage(0);
            return FALSE;
        default:
            return FALSE;
    }
}

TestDialog::TestDialog(DialogSpec spec) {
    std::promise<void> ready;
    std::future<void> started = ready.get_future();
    thread_ = std::thread([this, spec, &ready]() mutable {
        threadId_ = GetCurrentThreadId();
        auto context = std::make_unique<Context>();
        context->host = this;
        context->spec = std::move(spec);
        if (context->spec.owned) owner_ = CreateFrame();
        std::vector<DWORD> dialogTemplate = BuildDialogTemplate(context->spec.caption, context->spec.controls);
        window_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()), owner_,
                                             TestDialogProc, reinterpret_cast<LPARAM>(context.get()));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            contexts_.push_back(std::move(context));
        }
        ready.set_value();
        MSG message;
        while (window_ && GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (IsWindow(window_)) DestroyWindow(window_);
        if (owner_) DestroyWindow(owner_);
    });
    started.wait();
}

TestDialog::~TestDialog() {
    // A modal loop that sees WM_QUIT ends and passes it on to the thread's own loop.
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    if (thread_.joinable()) thread_.join();
}

HWND TestDialog::modal() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modal_;
}

std::vector<CommandEvent> TestDialog::Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

std::vector<int> TestDialog::CommandIds() const {
    std::vector<int> ids;
    for (const CommandEvent& event : Events()) ids.push_back(event.id);
    return ids;
}

bool TestDialog::WaitProcessed(int id, DWORD limitMs) const {
    ULONGLONG end = GetTickCount64() + limitMs;
    do {
        for (const CommandEvent& event : Events())
            if (event.id == id && event.processed) return true;
        Sleep(20);
    } while (GetTickCount64() < end);
    return false;
}

bool TestDialog::WaitClosed(DWORD limitMs) const {
    ULONGLONG end = GetTickCount64() + limitMs;
    while (IsWindow(window_)) {
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
    return true;
}
