// Windows that lie: a configurator's list box that claims items longer than any memory
// could hold. The list is read as far as it can be, and the tool neither crashes nor
// tries to reserve such a buffer.
#include <windows.h>

#include <gtest/gtest.h>

#include "automation/window_tools.h"
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

// 0x7FFFFFFF is the most a 32-bit configurator can answer; a 64-bit one can claim more.
TEST(HostileWindows, ListItemClaimingAHugeLength) {
    for (LRESULT claimed : {LRESULT(0x7FFFFFFF), LRESULT(0x7FFFFFFFFFFFFFF0LL), LRESULT(0x100000000LL)}) {
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
