// Records of the configurator's windows against a real dialog of another process (the
// window host): what they say, what they never say, the picture, and the one-second bound.
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "automation/png_image.h"
#include "automation/window_picture.h"
#include "automation/window_record.h"
#include "common/win_handles.h"
#include "run/unload_name.h"
#include "settings/run_settings.h"
#include "tests/support/files.h"
#include "tests/support/hosted_dialog.h"
#include "tests/support/png_reader.h"

namespace {

const char TypedSecret[] = "Скрытый-ввод-4711";
const char LoginSecret[] = "Вход-Пароль-0815";

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// A record's quoting of a file name, and its undoing.
std::string Escaped(const std::string& path) {
    std::string escaped;
    for (char c : path) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}
std::string PictureFile(const std::string& pictureLine) {
    std::size_t start = pictureLine.find("file=\"");
    if (start == std::string::npos) return {};
    std::string path;
    for (std::size_t at = start + 6; at < pictureLine.size() && pictureLine[at] != '"'; ++at) {
        if (pictureLine[at] == '\\') ++at;
        path += pictureLine[at];
    }
    return path;
}

// The line of the record that holds the part.
std::string LineWith(const std::string& record, const std::string& part) {
    std::size_t at = record.find(part);
    if (at == std::string::npos) return {};
    std::size_t start = record.rfind('\n', at), end = record.find('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    return record.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

class WindowRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Settings;
        Settings.Password = LoginSecret;
        log_ = support::TempRoot() + "\\record-test-" + std::to_string(GetCurrentProcessId()) + ".log";
    }
    void TearDown() override {
        Settings = saved_;
        if (!picture_.empty()) DeleteFileA(picture_.c_str());
    }

    DialogSpec KeyWarning() const {
        DialogSpec spec;
        spec.caption = "Ключ защиты";
        spec.controls = {{"Static", 0xFFFF, "Ключ защиты не найден!\nРабота в демо-режиме.", SS_LEFT},
                         {"Edit", 100, TypedSecret, ES_PASSWORD | WS_BORDER},
                         {"Edit", 101, LoginSecret, WS_BORDER},
                         {"Static", 103, "Пароль ВХОД-ПАРОЛЬ-0815 не принят", SS_LEFT},
                         {"ListBox", 102, "", WS_VSCROLL | WS_BORDER},
                         {"Button", 1, "Продолжить", BS_PUSHBUTTON},
                         {"Button", 2, "Выход", BS_PUSHBUTTON}};
        for (int i = 1; i <= 60; ++i) spec.listItems.push_back("Строка " + std::to_string(i));
        spec.defaultId = 2;
        return spec;
    }

    RunSettings saved_;
    std::string log_;
    std::string picture_;
};

TEST_F(WindowRecordTest, DescribesEveryControlAndPicturesTheWindow) {
    HostedDialog host(WINDOW_HOST_EXE, KeyWarning());
    ASSERT_TRUE(host.started());
    // Tests beside this one show windows too: under Wine the picture is a copy from the screen,
    // which only a window that nothing covers gives.
    SetWindowPos(host.window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    std::string record = RecordWindows(host.processId(), nullptr, "проверка", log_, host.window());

    EXPECT_EQ(record.find("Окна конфигуратора (процесс " + std::to_string(host.processId()) + "): проверка\n"), 0u);
    std::string window = LineWith(record, "window handle=");
    EXPECT_NE(window.find(" class=\"#32770\" title=\"Ключ защиты\" "), std::string::npos) << window;
    EXPECT_NE(window.find(" visible=1 enabled=1"), std::string::npos) << window;
    EXPECT_NE(window.find(" unknown"), std::string::npos) << window;
    EXPECT_NE(record.find("\n  control handle="), std::string::npos);
    EXPECT_NE(LineWith(record, " id=65535 ").find(" text=\"Ключ защиты не найден!\\nРабота в демо-режиме.\""),
              std::string::npos);
    // Passwords: the password edit shows its length; texts that hold the run's password (the
    // edit, the static quoting it in another letter case) are hidden whole.
    EXPECT_NE(LineWith(record, " id=100 ").find(" password length=17"), std::string::npos) << record;
    EXPECT_NE(LineWith(record, " id=101 ").find(" text=\"[текст скрыт: 16 символов]\""), std::string::npos) << record;
    EXPECT_NE(LineWith(record, " id=103 ").find(" text=\"[текст скрыт: 33 символа]\""), std::string::npos) << record;
    EXPECT_EQ(record.find(TypedSecret), std::string::npos);
    EXPECT_EQ(record.find("0815"), std::string::npos);
    // The list: its count and its first fifty items.
    std::string list = LineWith(record, " id=102 ");
    EXPECT_NE(list.find(" count=60 item=\"Строка 1\" item=\"Строка 2\" "), std::string::npos) << list;
    EXPECT_EQ(Count(list, " item="), 50);
    EXPECT_NE(list.find(" item=\"Строка 50\""), std::string::npos);
    // Captions, the default button marked.
    std::string yes = LineWith(record, "text=\"Продолжить\""), no = LineWith(record, "text=\"Выход\"");
    EXPECT_EQ(yes.find(" default"), std::string::npos) << yes;
    EXPECT_EQ(no.substr(no.size() - 8), " default") << no;

    // No picture of a window that shows a password.
    RECT frame{};
    GetWindowRect(host.window(), &frame);
    const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
    std::string size = " size=" + std::to_string(width) + "x" + std::to_string(height);
    EXPECT_EQ(LineWith(record, "  picture "), "  picture not-taken=\"в окне пароль\"" + size) << record;

    // Without that password it is pictured: beside the log, named after it with the date, a
    // PNG of the window's size, not all one colour.
    Settings.Password.clear();
    ULONGLONG start = GetTickCount64();
    record = RecordWindows(host.processId(), nullptr, "проверка", log_, host.window());
    ULONGLONG took = GetTickCount64() - start;
    std::printf("described and pictured in %llu ms\n", took);
    EXPECT_LT(took, WindowRecordMs);
    std::string picture = LineWith(record, "  picture ");
    ASSERT_EQ(picture.find("  picture file=\"" + Escaped(log_.substr(0, log_.size() - 4)) + "-"), 0u) << record;
    EXPECT_NE(picture.find(size), std::string::npos) << picture;
    picture_ = PictureFile(picture);
    EXPECT_EQ(picture_.size(), log_.size() - 4 + 22) << picture_ << ": -YYYYMMDD-HHMMSS-1.png";
    EXPECT_EQ(picture_.substr(picture_.size() - 6), "-1.png");
    const support::PngPicture png = support::ReadPng(support::ReadWholeFile(picture_));
    ASSERT_EQ(png.error, "");
    EXPECT_EQ(png.width, static_cast<unsigned long>(width));
    EXPECT_EQ(png.height, static_cast<unsigned long>(height));
    EXPECT_FALSE(png.OneColour());
}

// A log whose name holds the date gives pictures without a second date; the date is the
// clock's, not the log's.
TEST(PictureNames, TheDateOnlyOnce) {
    std::tm now{};
    now.tm_year = 126, now.tm_mon = 11, now.tm_mday = 9, now.tm_wday = 3, now.tm_hour = 7, now.tm_min = 4, now.tm_sec = 30;
    EXPECT_EQ(PictureNameStart("D:\\Logs\\night-2026-12-09.log", "night-?yyyy-?MM-?dd.log", "", now),
              "D:\\Logs\\night-2026-12-09-070430-");
    EXPECT_EQ(PictureNameStart("D:\\Logs.old\\night", "D:\\Logs.old\\night", "", now), "D:\\Logs.old\\night-20261209-070430-");
    // A log of the month: its pictures keep the day.
    EXPECT_EQ(PictureNameStart("D:\\Logs\\night-2026-12.log", "night-?YY-?MM.log", "", now),
              "D:\\Logs\\night-2026-12-20261209-070430-");
    // After midnight the log keeps the day the run started: the picture says the new one.
    EXPECT_EQ(PictureNameStart("C:\\Tools\\Trade-2026-12-08.log", "?F-?YYYY-?MM-?DD.log", "D:\\Trade", now),
              "C:\\Tools\\Trade-2026-12-08-20261209-070430-");
    EXPECT_EQ(PictureNameStart("C:\\Tools\\Trade-2026-12-09.log", "?F-?YYYY-?MM-?DD.log", "D:\\Trade", now),
              "C:\\Tools\\Trade-2026-12-09-070430-");
}

// A tiny picture of known pixels, its rows alike and unlike (Up and Sub filters), read back
// top row first as the DIB's bottom-up rows say.
TEST(PngImage, DecodesToThePixelsGiven) {
    const unsigned char rows[3][4][3] = {  // top row first, red, green, blue
        {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}},
        {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}},
        {{1, 2, 3}, {200, 100, 50}, {0, 0, 0}, {255, 255, 255}},
    };
    const std::size_t stride = DibRowBytes(4);
    std::vector<unsigned char> dib(stride * 3, 0xEE);
    std::vector<unsigned char> expected;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            unsigned char* pixel = &dib[stride * (2 - y) + x * 3];
            pixel[0] = rows[y][x][2], pixel[1] = rows[y][x][1], pixel[2] = rows[y][x][0];
            expected.insert(expected.end(), rows[y][x], rows[y][x] + 3);
        }
    std::string png;
    ASSERT_EQ(EncodePng(dib.data(), 4, 3, [] { return true; }, png), "");
    const support::PngPicture read = support::ReadPng(png);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.width, 4u);
    EXPECT_EQ(read.height, 3u);
    EXPECT_EQ(read.rgb, expected);
}

// Asked to draw itself, it draws the share of itself its user data says, in two colours.
LRESULT CALLBACK PartlyDrawn(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PRINT) return DefWindowProcA(self, message, wParam, lParam);
    RECT whole{};
    GetWindowRect(self, &whole);
    const LONG percent = static_cast<LONG>(GetWindowLongPtrA(self, GWLP_USERDATA));
    RECT drawn{0, 0, (whole.right - whole.left) * percent / 100, (whole.bottom - whole.top) * percent / 100};
    FillRect(reinterpret_cast<HDC>(wParam), &drawn, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    drawn.right /= 2;
    FillRect(reinterpret_cast<HDC>(wParam), &drawn, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    return 0;
}

// Windows of a thread of their own: one draws only 80 % of itself, as a configurator that
// knows nothing of display scaling does at 125 % (its picture would have a band of nothing),
// one draws all of itself. Hidden, so that no copy of the screen stands in.
TEST_F(WindowRecordTest, NoPictureOfAWindowDrawnSmallerThanItIs) {
    HWND windows[2] = {};
    DWORD ownerThread = 0;
    HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([&] {
        WNDCLASSA type{};
        type.lpszClassName = "RecordTestScaled";
        type.lpfnWndProc = PartlyDrawn;
        RegisterClassA(&type);
        ownerThread = GetCurrentThreadId();
        for (int i = 0; i < 2; ++i) {
            windows[i] = CreateWindowExA(0, type.lpszClassName, "", WS_POPUP, 10, 10, 160, 90, nullptr, nullptr, nullptr, nullptr);
            SetWindowLongPtrA(windows[i], GWLP_USERDATA, i == 0 ? 80 : 100);
        }
        SetEvent(made);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    });
    WaitForSingleObject(made, 10000);
    CloseHandle(made);
    PictureOutcome pictures[2];
    for (int i = 0; i < 2; ++i) {
        RECT frame{};
        GetWindowRect(windows[i], &frame);
        TickCountdown left(WindowRecordMs);
        pictures[i] = TakeWindowPicture(windows[i], frame, log_, left);
    }
    PostThreadMessageA(ownerThread, WM_QUIT, 0, 0);
    owner.join();
    EXPECT_STREQ(pictures[0].kind, "not-taken");
    EXPECT_EQ(pictures[0].reason, "окно нарисовало себя меньше, чем его видно на экране (масштаб экрана)");
    EXPECT_STREQ(pictures[1].kind, "file") << pictures[1].reason;
    DeleteFileA(pictures[1].file.c_str());
}

// Copied from the screen a window is not while another program's window lies over it: the
// screen would show that program instead.
TEST_F(WindowRecordTest, NoScreenCopyUnderAnotherProgramsWindow) {
    Settings.Password.clear();  // a window that shows it is not pictured at all
    HostedDialog host(WINDOW_HOST_EXE, KeyWarning());
    ASSERT_TRUE(host.started());
    RECT frame{};
    GetWindowRect(host.window(), &frame);
    HWND cover = CreateWindowExA(WS_EX_TOOLWINDOW, "Static", "Почта", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                 frame.left + 20, frame.top + 20, 120, 60, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(cover);
    host.Hang(3000);  // it draws nothing by itself: only the screen could show it
    Sleep(300);
    std::string record = RecordWindow(host.window(), log_);
    DestroyWindow(cover);
    EXPECT_NE(LineWith(record, "  picture ").find("  picture not-taken=\"окно закрыто окном другой программы\" size="), std::string::npos)
        << record;
}

// A configurator that does not answer: the description and the picture end with the second,
// and say what they left undone.
TEST_F(WindowRecordTest, AHungWindowTakesOneSecond) {
    HostedDialog host(WINDOW_HOST_EXE, KeyWarning());
    ASSERT_TRUE(host.started());
    host.Hang(8000);
    Sleep(300);
    ULONGLONG start = GetTickCount64();
    std::string record = RecordWindow(host.window(), log_);
    ULONGLONG took = GetTickCount64() - start;
    EXPECT_GE(took, WindowRecordMs - 100);
    EXPECT_LT(took, WindowRecordMs + 300);
    // Titles, statics and captions need no answer.
    EXPECT_NE(record.find(" title=\"Ключ защиты\" "), std::string::npos);
    EXPECT_NE(record.find(" text=\"Ключ защиты не найден!\\nРабота в демо-режиме.\""), std::string::npos);
    EXPECT_NE(record.find(" text=\"Выход\""), std::string::npos);
    EXPECT_NE(LineWith(record, " id=101 ").find(" unanswered"), std::string::npos) << record;
    // Its edits unread, it may show the password: no picture.
    EXPECT_NE(record.find("\n  picture not-taken="), std::string::npos) << record;
    EXPECT_EQ(record.find(TypedSecret), std::string::npos);
    EXPECT_EQ(record.find(LoginSecret), std::string::npos);
}

// Once the process has ended its id may be another's: only the end and its exit code are said.
TEST_F(WindowRecordTest, AnEndedProcessGivesItsExitCode) {
    HostedDialog host(WINDOW_HOST_EXE, KeyWarning());
    ASSERT_TRUE(host.started());
    unique_handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, host.processId()));
    ASSERT_TRUE(process);
    PostMessageA(host.window(), WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(host.WaitExit(10000));
    EXPECT_EQ(RecordWindows(host.processId(), process.get(), "проверка", log_),
              "Окна конфигуратора (процесс " + std::to_string(host.processId()) +
                  "): проверка\nПроцесс конфигуратора завершён, код выхода 0");
}

}  // namespace
