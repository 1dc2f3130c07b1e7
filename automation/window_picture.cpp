#include "automation/window_picture.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

#include "automation/png_image.h"
#include "automation/window_record.h"
#include "common/unique_any.h"
#include "common/win_handles.h"
#include "run/console.h"
#include "run/unload_name.h"
#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

constexpr LONG WidestPicture = 8192;
// A night of unknown windows must not fill the log's disk with pictures.
constexpr int PicturesPerRun = 100;
constexpr int NamesPerSecond = 1000;

int PicturesKept = 0;

using unique_memory_dc = unique_any<HDC, &DeleteDC>;
using unique_bitmap = unique_any<HBITMAP, &DeleteObject>;

// What a canvas holds where nothing was drawn: a colour no window paints along a whole edge.
constexpr BYTE Undrawn[3] = {0x03, 0x02, 0x01};

// A memory device context holding a 24-bit bottom-up bitmap of the size, all Undrawn; each
// object deleted once, the bitmap deselected first.
class Canvas {
public:
    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        if (previous_) SelectObject(dc_.get(), previous_);
    }

    bool Make(LONG width, LONG height) {
        dc_.reset(CreateCompatibleDC(nullptr));
        if (!dc_) return false;
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = width;
        format.bmiHeader.biHeight = height;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 24;
        format.bmiHeader.biCompression = BI_RGB;
        void* memory = nullptr;
        bitmap_.reset(CreateDIBSection(dc_.get(), &format, DIB_RGB_COLORS, &memory, nullptr, 0));
        if (!bitmap_) return false;
        auto* bytes = static_cast<BYTE*>(memory);
        const std::size_t stride = DibRowBytes(width);
        for (LONG x = 0; x < width; ++x) CopyMemory(bytes + x * 3, Undrawn, 3);
        for (LONG row = 1; row < height; ++row) CopyMemory(bytes + stride * static_cast<std::size_t>(row), bytes, stride);
        bits_ = bytes;
        previous_ = SelectObject(dc_.get(), bitmap_.get());
        return previous_ != nullptr;
    }
    HDC dc() const { return dc_.get(); }
    const BYTE* bits() const { return bits_; }

private:
    unique_memory_dc dc_;
    unique_bitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    const BYTE* bits_ = nullptr;
};

// The screen's device context, released once.
struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ScreenDc() = default;
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc) ReleaseDC(nullptr, dc);
    }
};

// Memory of its own (not the C runtime's heap), shared by the run and a thread of its own;
// whichever side lets go of it last frees it. A thread left blocked (a window that never
// draws, a file on a share that stalls) then holds none of the C runtime's locks.
template <typename Job>
Job* NewSharedJob(std::size_t extraBytes = 0) {
    void* memory = VirtualAlloc(nullptr, sizeof(Job) + extraBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    return memory ? new (memory) Job() : nullptr;
}

template <typename Job>
void ReleaseSharedJob(Job* job) {
    if (InterlockedDecrement(&job->references) != 0) return;
    job->~Job();
    VirtualFree(job, 0, MEM_RELEASE);
}

template <typename Job>
struct JobHold {
    Job* job;
    ~JobHold() {
        if (job) ReleaseSharedJob(job);
    }
};

// The window drawn by itself, by PrintWindow.
struct DrawingJob {
    LONG references = 1;  // the run's, and the thread's once it is started
    HWND window = nullptr;
    Canvas canvas;
};

DWORD WINAPI DrawWindow(LPVOID data) {
    auto* job = static_cast<DrawingJob*>(data);
    PrintWindow(job->window, job->canvas.dc(), 0);
    GdiFlush();
    ReleaseSharedJob(job);
    return 0;
}

// The window's own drawing gets at most this much of its second; the rest is left for a copy
// from the screen, the compression, the file and the description.
constexpr DWORD DrawingMs = 600;

// Starts the thread and waits for it; the reason when there are no pixels.
const char* Draw(HWND window, LONG width, LONG height, TickCountdown& left, JobHold<DrawingJob>& drawn) {
    DWORD waitMs = left.NextSlice(DrawingMs);
    if (waitMs == 0) return "секунда истекла раньше";
    drawn.job = NewSharedJob<DrawingJob>();
    if (!drawn.job) return "нет памяти";
    drawn.job->window = window;
    if (!drawn.job->canvas.Make(width, height)) return "не создан рисунок";
    InterlockedIncrement(&drawn.job->references);  // the thread's, given back if it never starts
    unique_handle thread(CreateThread(nullptr, 64 * 1024, DrawWindow, drawn.job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        ReleaseSharedJob(drawn.job);
        return "не создан поток";
    }
    if (WaitForSingleObject(thread.get(), waitMs) != WAIT_OBJECT_0) return "окно не нарисовалось вовремя";
    return nullptr;
}

// Why the screen would show more than the window: a visible window above it lies over part
// of it and is another program's (a password manager, mail), or one of its own process not
// among those whose texts were found to show no password. Null when none does.
const char* Covering(HWND window, const RECT& frame, const std::vector<HWND>& clean) {
    constexpr int WindowsAbove = 5000;  // looked at before it is taken as covered
    DWORD own = 0;
    GetWindowThreadProcessId(window, &own);
    int looked = 0;
    for (HWND above = GetWindow(window, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
        if (++looked > WindowsAbove) return "окно закрыто окном другой программы";
        if (!IsWindowVisible(above) || IsIconic(above)) continue;
        DWORD owner = 0;
        GetWindowThreadProcessId(above, &owner);
        RECT other{}, common{};
        if (!GetWindowRect(above, &other) || !IntersectRect(&common, &frame, &other)) continue;
        if (owner != own) return "окно закрыто окном другой программы";
        if (std::find(clean.begin(), clean.end(), above) == clean.end())
            return "окно закрыто другим окном, в котором может быть пароль";
    }
    return nullptr;
}

// What the screen shows where the window is: no message reaches the configurator.
bool CopyFromScreen(const RECT& frame, LONG width, LONG height, Canvas& canvas) {
    ScreenDc screen;
    if (!screen.dc || !canvas.Make(width, height) ||
        !BitBlt(canvas.dc(), 0, 0, width, height, screen.dc, frame.left, frame.top, SRCCOPY | CAPTUREBLT))
        return false;
    GdiFlush();
    return true;
}

// Whether the window drew itself smaller than it is: its last column or its bottom row was
// left undrawn. A configurator that knows nothing of display scaling draws at its own size,
// while the rectangle read at 125 % or 150 % is the size the screen shows it at: the rest
// would be a band of no picture.
bool DrawnSmaller(const BYTE* pixels, LONG width, LONG height) {
    const std::size_t stride = DibRowBytes(width);
    bool lastColumn = true, bottomRow = true;
    for (LONG row = 0; row < height && lastColumn; ++row)
        lastColumn = std::memcmp(pixels + stride * static_cast<std::size_t>(row) + (width - 1) * 3, Undrawn, 3) == 0;
    for (LONG x = 0; x < width && bottomRow; ++x) bottomRow = std::memcmp(pixels + x * 3, Undrawn, 3) == 0;
    return lastColumn || bottomRow;
}

bool AllOneColour(const BYTE* pixels, LONG width, LONG height) {
    const std::size_t stride = DibRowBytes(width);
    for (LONG row = 0; row < height; ++row) {
        const BYTE* line = pixels + stride * static_cast<std::size_t>(row);
        for (LONG x = 0; x < width; ++x)
            if (line[x * 3] != pixels[0] || line[x * 3 + 1] != pixels[1] || line[x * 3 + 2] != pixels[2]) return false;
    }
    return true;
}

// The longest start of a picture's name written (the number and ".png" follow).
constexpr std::size_t LongestNameStart = 1024;

// The file, written by a thread of its own: a share that stalls holds that thread, not the run.
struct WritingJob {
    LONG references = 1;  // the run's, and the thread's once it is started
    LONG state = 0;  // Writing, Written or Abandoned
    DWORD error = 0;
    DWORD size = 0;
    std::size_t startLength = 0;
    char path[LongestNameStart + 32] = {};
    BYTE data[1] = {};
};
constexpr LONG Writing = 0, Written = 1, Abandoned = 2;

// "<number>.png" after the name's start, with no help from the C runtime.
void PutNumber(char* at, int number) {
    char digits[12];
    int count = 0;
    do digits[count++] = static_cast<char>('0' + number % 10);
    while ((number /= 10) > 0);
    while (count > 0) *at++ = digits[--count];
    for (const char* end = ".png"; *end;) *at++ = *end++;
    *at = '\0';
}

// A new file, numbered past those of the same second (other runs may write beside this one).
DWORD WriteNewFile(WritingJob* job) {
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int number = 1; number <= NamesPerSecond; ++number) {
        PutNumber(job->path + job->startLength, number);
        file = CreateFileA(job->path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD written = 0;
    DWORD error = WriteFile(file, job->data, job->size, &written, nullptr) && written == job->size ? 0 : GetLastError();
    if (error == 0 && written != job->size) error = ERROR_WRITE_FAULT;
    CloseHandle(file);
    if (error == 0) return 0;
    DeleteFileA(job->path);
    return error;
}

DWORD WINAPI WritePicture(LPVOID data) {
    auto* job = static_cast<WritingJob*>(data);
    DWORD error = WriteNewFile(job);
    job->error = error;
    // Written after the run stopped waiting: the record says it was not, so it is not.
    if (InterlockedCompareExchange(&job->state, Written, Writing) == Abandoned && error == 0) DeleteFileA(job->path);
    ReleaseSharedJob(job);
    return 0;
}

std::string TrimmedErrorText(DWORD error) {
    SetLastError(error ? error : ERROR_WRITE_FAULT);
    std::string text = SystemErrorText();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

// Writes the PNG within what is left of the second; the reason when it is not written.
std::string WriteBounded(const std::string& start, const std::string& png, TickCountdown& left, std::string& path) {
    path = start + "1.png";
    if (start.size() > LongestNameStart) return "имя файла слишком длинное";
    DWORD waitMs = left.NextSlice(WindowRecordMs);
    if (waitMs == 0) return "секунда истекла раньше записи";
    JobHold<WritingJob> hold{NewSharedJob<WritingJob>(png.size())};
    WritingJob* job = hold.job;
    if (!job) return "нет памяти";
    job->size = static_cast<DWORD>(png.size());
    job->startLength = start.size();
    CopyMemory(job->path, start.data(), start.size());
    CopyMemory(job->data, png.data(), png.size());
    InterlockedIncrement(&job->references);  // the thread's, given back if it never starts
    unique_handle thread(CreateThread(nullptr, 64 * 1024, WritePicture, job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        InterlockedDecrement(&job->references);
        return "не создан поток";
    }
    if (WaitForSingleObject(thread.get(), waitMs) != WAIT_OBJECT_0 &&
        InterlockedCompareExchange(&job->state, Abandoned, Writing) == Writing)
        return "запись не закончилась за секунду";
    path = job->path;
    return job->error == 0 ? std::string() : TrimmedErrorText(job->error);
}

// A window's pixels: drawn by the window itself, or copied from the screen.
struct Pixels {
    JobHold<DrawingJob> drawn{nullptr};
    Canvas screen;
    const BYTE* bits = nullptr;  // null when there are none
};

PictureOutcome NotTaken(const std::string& reason) {
    PictureOutcome outcome;
    outcome.reason = reason;
    return outcome;
}

// Takes the pixels; the outcome says why there are none, or that they came from the screen.
PictureOutcome Capture(HWND window, const RECT& frame, TickCountdown& left, const std::vector<HWND>& clean,
                       Pixels& taken) {
    const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0 || width > WidestPicture || height > WidestPicture) return NotTaken("размер окна");
    if (left.Left() == 0) return NotTaken("секунда истекла раньше");
    if (PicturesKept >= PicturesPerRun) return NotTaken("снимков в этой работе уже " + std::to_string(PicturesPerRun));
    const char* reason = Draw(window, width, height, left, taken.drawn);
    const BYTE* pixels = reason ? nullptr : taken.drawn.job->canvas.bits();
    bool blank = pixels && AllOneColour(pixels, width, height);
    if (pixels && !blank && DrawnSmaller(pixels, width, height))
        reason = "окно нарисовало себя меньше, чем его видно на экране (масштаб экрана)";
    PictureOutcome outcome;
    if ((reason || blank) && IsWindowVisible(window) && !IsIconic(window)) {
        if (const char* covering = Covering(window, frame, clean)) return NotTaken(covering);
        if (CopyFromScreen(frame, width, height, taken.screen) && !AllOneColour(taken.screen.bits(), width, height)) {
            pixels = taken.screen.bits();
            reason = nullptr;
            blank = false;
            outcome.fromScreen = true;
        }
    }
    if (reason) return NotTaken(reason);
    if (blank) {
        outcome.kind = "not-kept";
        outcome.reason = "все точки одного цвета";
        return outcome;
    }
    taken.bits = pixels;
    return outcome;
}

// Compresses the pixels and writes them beside the log.
PictureOutcome Keep(const Pixels& taken, const RECT& frame, PictureOutcome outcome, const std::string& logPath,
                    TickCountdown& left) {
    std::string png;
    outcome.reason = EncodePng(taken.bits, frame.right - frame.left, frame.bottom - frame.top,
                               [&] { return left.Left() > 0; }, png);
    if (!outcome.reason.empty()) return outcome;
    std::tm now{};
    ReadLocalTime(now);
    outcome.reason =
        WriteBounded(PictureNameStart(logPath, Settings.LogFile, Settings.BasePath, now), png, left, outcome.file);
    outcome.kind = outcome.reason.empty() ? "file" : "not-written";
    if (outcome.reason.empty()) ++PicturesKept;
    return outcome;
}

}  // namespace

// Three full-size copies of a large window's pixels may be more than a 32-bit process has:
// then no picture, and the run goes on. The texts are read whatever became of the pixels.
PictureOutcome TakeWindowPicture(HWND window, const RECT& frame, const std::string& logPath, TickCountdown& left,
                                 const std::function<std::string()>& readTexts, const std::vector<HWND>& clean) {
    Pixels taken;
    PictureOutcome outcome;
    try {
        outcome = Capture(window, frame, left, clean, taken);
    } catch (const std::bad_alloc&) {
        taken.bits = nullptr;
        outcome = NotTaken("нет памяти");
    }
    const std::string refused = readTexts ? readTexts() : std::string();
    if (!refused.empty()) return NotTaken(refused);
    if (!taken.bits) return outcome;
    try {
        return Keep(taken, frame, outcome, logPath, left);
    } catch (const std::bad_alloc&) {
        return NotTaken("нет памяти");
    }
}
