// Windows that lie: a configurator's list box that claims items longer than any memory
// could hold. The list is read as far as it can be, and the tool neither crashes nor
// tries to reserve such a buffer.
#include <windows.h>

#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "automation/window_tools.h"
#include "common/win_handles.h"
#include "tests/support/test_dialog.h"

namespace {

WNDPROC OriginalListProc = nullptr;
LRESULT ClaimedLength = 0;

// The second item claims the length set by the test; everything else is the list's own.
LRESULT CALLBACK LyingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == LB_GETTEXTLEN && wParam == 1) return ClaimedLength;
    return CallWindowProcW(OriginalListProc, window, message, wParam, lParam);
}

DialogSpec StructureDialog() {
    DialogSpec spec;
    spec.caption = "Изменения в структуре информации";
    spec.controls = {{"ListBox", 100, "", 0}, {"Button", 1, "OK", BS_PUSHBUTTON}};
    spec.listItems = {"первый", "второй", "третий"};
    return spec;
}

// 0x7FFFFFFF is the most a 32-bit list box can answer; a 64-bit one (here the test's own, in
// the 64-bit build) can claim more.
TEST(HostileWindows, ListItemClaimingAHugeLength) {
    std::vector<LRESULT> claims{0x7FFFFFFF};
#ifdef _WIN64
    claims.insert(claims.end(), {LRESULT(0x7FFFFFFFFFFFFFF0LL), LRESULT(0x100000000LL)});
#endif
    for (LRESULT claimed : claims) {
        SCOPED_TRACE(claimed);
        TestDialog dialog(StructureDialog());
        HWND list = dialog.control(100);
        ClaimedLength = claimed;
        OriginalListProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LyingListProc)));
        ULONGLONG started = GetTickCount64();
        std::vector<std::string> items = ListBoxItems(list);
        EXPECT_LT(GetTickCount64() - started, 2000u) << "no buffer of that size is made";
        EXPECT_EQ(items, std::vector<std::string>{"первый"});
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OriginalListProc));
    }
}

}  // namespace

namespace {

HWND PlainWindow(HWND owner) {
    return CreateWindowExA(0, "Static", "окно", WS_POPUP, 0, 0, 10, 10, owner, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

// Owners that form a ring (two windows each made the other's owner): the search for the
// top-level owner ends all the same.
TEST(HostileWindows, OwnersInARing) {
    HWND first = PlainWindow(nullptr);
    HWND second = PlainWindow(first);
    ASSERT_TRUE(first && second);
    SetLastError(0);
    SetWindowLongPtrA(first, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(second));
    bool ring = GetWindow(first, GW_OWNER) == second && GetWindow(second, GW_OWNER) == first;
    std::printf("owner ring %s by the system\n", ring ? "accepted" : "refused");
    struct Search {
        HWND start;
        HWND result = nullptr;
        unique_handle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
        // A thread routine is WINAPI (stdcall on x86), which a lambda is not.
        static DWORD WINAPI Run(LPVOID data) {
            auto* s = static_cast<Search*>(data);
            s->result = TopLevelOwner(s->start);
            SetEvent(s->done.get());
            return 0;
        }
    } search{first};
    // Closing the handle ends nothing: a thread still searching ends with the process.
    unique_handle thread(CreateThread(nullptr, 0, Search::Run, &search, 0, nullptr));
    ASSERT_TRUE(thread);
    EXPECT_EQ(WaitForSingleObject(search.done.get(), 5000), WAIT_OBJECT_0) << "TopLevelOwner does not end";
    if (!ring) {
        EXPECT_EQ(search.result, first);
    }
    DestroyWindow(second);
    DestroyWindow(first);
}

}  // namespace
