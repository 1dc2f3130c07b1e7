#include "automation/window_record.h"

#include <cstdio>
#include <vector>

#include "automation/shared_words.h"
#include "automation/window_tools.h"
#include "common/tick_countdown.h"
#include "common/win_handles.h"
#include "run/console.h"
#include "run/run_log.h"
#include "settings/run_settings.h"

namespace {

constexpr int ListItemsShown = 50;
constexpr int ControlsShown = 300;
constexpr int DeepestControl = 8;
constexpr LRESULT LongestText = 1 << 20;
constexpr LONG WidestPicture = 8192;
// A night of unknown windows must not fill the log's disk with pictures.
constexpr int PicturesPerRun = 100;
constexpr int NamesPerSecond = 1000;

int PicturesKept = 0;

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

// Window handles are 32-bit values in 64-bit and 32-bit processes alike.
std::string HandleText(HWND window) { return Hex(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window))); }

// Escaped so that a text stays on its line and can be read back.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\\': quoted += "\\\\"; break;
            case '"': quoted += "\\\""; break;
            case '\n': quoted += "\\n"; break;
            case '\r': quoted += "\\r"; break;
            case '\t': quoted += "\\t"; break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\x%02X", byte);
                    quoted += escape;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

bool IsPassword(const std::string& text) {
    if (text.empty()) return false;
    return text == Settings.Password || text == Settings.ConfigPassword || text == Settings.NewConfigPassword;
}

std::string LengthOnly(LRESULT length) { return " password length=" + std::to_string(length); }

// ` key="text"`, or for a password of the run only its length.
std::string TextField(const char* key, const std::string& text) {
    if (IsPassword(text)) return LengthOnly(static_cast<LRESULT>(text.size()));
    return std::string(" ") + key + "=" + Quoted(text);
}

bool SameClass(const char* name, const char* wanted) {
    for (; *name && *wanted; ++name, ++wanted) {
        char a = *name >= 'A' && *name <= 'Z' ? static_cast<char>(*name + 32) : *name;
        char b = *wanted >= 'A' && *wanted <= 'Z' ? static_cast<char>(*wanted + 32) : *wanted;
        if (a != b) return false;
    }
    return *name == *wanted;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// Wide, as the list reads: the system then copies exactly the characters the buffer holds,
// on Windows and under Wine alike. Bounded by what is left of the window's second.
bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, TickCountdown& left, LRESULT* answer) {
    UINT boundMs = static_cast<UINT>(left.NextSlice(ReplyBoundMs));
    if (boundMs == 0) return false;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, boundMs, &result))
        return false;
    *answer = static_cast<LRESULT>(result);
    return true;
}

std::string Narrow(const wchar_t* wide, int characters) {
    if (characters <= 0) return {};
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, characters, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? static_cast<std::size_t>(bytes) : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, wide, characters, text.data(), bytes, nullptr, nullptr);
    return text;
}

// The text an edit or a combo box holds: only a message gets it from another process.
bool AskText(HWND control, TickCountdown& left, std::string& text) {
    LRESULT length = 0;
    if (!Ask(control, WM_GETTEXTLENGTH, 0, 0, left, &length) || length < 0 || length > LongestText) return false;
    // WM_GETTEXTLENGTH may answer more than the text, never less.
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Ask(control, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()), left, &copied) || copied < 0)
        return false;
    text = Narrow(wide.data(), static_cast<int>(copied < length ? copied : length));
    return true;
}

// Only a dialog is asked: another window class may take the message for one of its own.
int DefaultIdOf(HWND window, const std::string& className, TickCountdown& left) {
    if (className != "#32770") return 0;
    LRESULT answer = 0;
    if (!Ask(window, DM_GETDEFID, 0, 0, left, &answer) || HIWORD(answer) != DC_HASDEFID) return 0;
    return LOWORD(answer);
}

bool IsPushButton(LONG style) {
    LONG type = style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

std::string ListBoxFields(HWND list, TickCountdown& left) {
    LRESULT count = 0;
    if (!Ask(list, LB_GETCOUNT, 0, 0, left, &count) || count < 0) return " unanswered";
    std::string fields = " count=" + std::to_string(count);
    LRESULT read = 0;
    ReadListBoxItems(
        list,
        [&](const std::string& item) {
            fields += TextField("item", item);
            ++read;
        },
        [&] { return read >= ListItemsShown; }, &left);
    if (read < count && read < ListItemsShown) fields += " unanswered";
    return fields;
}

std::string ComboBoxFields(HWND combo, TickCountdown& left) {
    LRESULT selection = 0;
    std::string text;
    if (!Ask(combo, CB_GETCURSEL, 0, 0, left, &selection) || !AskText(combo, left, text)) return " unanswered";
    return " selection=" + std::to_string(selection) + TextField("text", text);
}

std::string ControlLine(HWND control, int depth, int defaultId, TickCountdown& left) {
    const std::string className = ClassOf(control);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const LONG id = GetWindowLongA(control, GWL_ID);
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);

    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    line += "control handle=" + HandleText(control) + " class=" + Quoted(className) + " id=" + std::to_string(id) +
            " style=" + Hex(static_cast<DWORD>(style)) + " place=" + std::to_string(place.left) + "," +
            std::to_string(place.top) + "," + std::to_string(place.right - place.left) + "," +
            std::to_string(place.bottom - place.top);

    const char* name = className.c_str();
    if (SameClass(name, "Edit") && (style & ES_PASSWORD)) {
        LRESULT length = 0;
        line += Ask(control, WM_GETTEXTLENGTH, 0, 0, left, &length) ? LengthOnly(length) : " password unanswered";
    } else if (SameClass(name, "Edit")) {
        std::string text;
        line += AskText(control, left, text) ? TextField("text", text) : " unanswered";
    } else if (SameClass(name, "ComboBox")) {
        line += ComboBoxFields(control, left);
    } else {
        // Statics, buttons and the rest keep their text as the window's own: no message.
        line += TextField("text", WindowText(control));
        if (SameClass(name, "ListBox")) line += ListBoxFields(control, left);
    }
    if (SameClass(name, "Button") && IsPushButton(style)) {
        bool isDefault = defaultId != 0 ? id == defaultId : (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        if (isDefault) line += " default";
    }
    return line;
}

// Depth first, in the system's order. Once the time is up, what needs no message is still said.
void DescribeControls(HWND parent, int depth, int defaultId, TickCountdown& left, std::string& record, int& described) {
    for (HWND child = GetWindow(parent, GW_CHILD); child && described < ControlsShown;
         child = GetWindow(child, GW_HWNDNEXT)) {
        record += "\n" + ControlLine(child, depth, defaultId, left);
        ++described;
        if (depth < DeepestControl) DescribeControls(child, depth + 1, defaultId, left, record, described);
    }
}

// ---- the picture ----

// What the picture's thread uses. It lives in memory of its own (not the C runtime's heap),
// and whichever side lets go of it last frees it: a configurator that never answers keeps
// the thread in PrintWindow, and the run goes on without waiting for it.
struct PictureJob {
    LONG references;  // the run's and the thread's
    HWND window;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    const BYTE* bits;
};

void ReleasePictureJob(PictureJob* job) {
    if (InterlockedDecrement(&job->references) != 0) return;
    SelectObject(job->dc, job->previous);
    DeleteObject(job->bitmap);
    DeleteDC(job->dc);
    VirtualFree(job, 0, MEM_RELEASE);
}

// Touches nothing of the C runtime, so that a thread left blocked holds none of its locks.
DWORD WINAPI PrintPicture(LPVOID data) {
    auto* job = static_cast<PictureJob*>(data);
    PrintWindow(job->window, job->dc, 0);
    GdiFlush();
    ReleasePictureJob(job);
    return 0;
}

std::size_t RowBytes(LONG width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3); }

// A memory device context holding a 24-bit bottom-up bitmap of the size, zeroed.
bool MakeCanvas(LONG width, LONG height, HDC& dc, HBITMAP& bitmap, HGDIOBJ& previous, const BYTE*& bits) {
    dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &memory, nullptr, 0);
    if (!bitmap) {
        DeleteDC(dc);
        return false;
    }
    bits = static_cast<const BYTE*>(memory);
    previous = SelectObject(dc, bitmap);
    return true;
}

// The window drawn by itself (PrintWindow); a reason when there is no picture.
const char* TakePicture(HWND window, LONG width, LONG height, TickCountdown& left, std::vector<BYTE>& pixels) {
    DWORD waitMs = static_cast<DWORD>(left.NextSlice(WindowRecordMs));
    if (waitMs == 0) return "секунда истекла раньше";
    auto* job = static_cast<PictureJob*>(VirtualAlloc(nullptr, sizeof(PictureJob), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!job) return "нет памяти";
    job->references = 2;
    job->window = window;
    if (!MakeCanvas(width, height, job->dc, job->bitmap, job->previous, job->bits)) {
        VirtualFree(job, 0, MEM_RELEASE);
        return "не создан рисунок";
    }
    unique_handle thread(CreateThread(nullptr, 64 * 1024, PrintPicture, job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        ReleasePictureJob(job);
        ReleasePictureJob(job);
        return "не создан поток";
    }
    if (WaitForSingleObject(thread.get(), waitMs) != WAIT_OBJECT_0) {
        ReleasePictureJob(job);
        return "окно не нарисовалось за секунду";
    }
    pixels.assign(job->bits, job->bits + RowBytes(width) * static_cast<std::size_t>(height));
    ReleasePictureJob(job);
    return nullptr;
}

// What the screen shows where the window is: no message reaches the configurator.
bool CopyFromScreen(const RECT& frame, LONG width, LONG height, std::vector<BYTE>& pixels) {
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    const BYTE* bits = nullptr;
    bool copied = MakeCanvas(width, height, dc, bitmap, previous, bits) &&
                  BitBlt(dc, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY | CAPTUREBLT);
    if (copied) {
        GdiFlush();
        pixels.assign(bits, bits + RowBytes(width) * static_cast<std::size_t>(height));
    }
    if (dc) {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    ReleaseDC(nullptr, screen);
    return copied;
}

bool AllOneColour(const std::vector<BYTE>& pixels, LONG width, LONG height) {
    const std::size_t stride = RowBytes(width);
    for (LONG row = 0; row < height; ++row) {
        const BYTE* line = pixels.data() + stride * static_cast<std::size_t>(row);
        for (LONG x = 0; x < width; ++x)
            if (line[x * 3] != pixels[0] || line[x * 3 + 1] != pixels[1] || line[x * 3 + 2] != pixels[2]) return false;
    }
    return true;
}

// "<log without its extension>-YYYYMMDD-HHMMSS-"
std::string PictureNameStart(const std::string& logPath) {
    std::size_t dot = logPath.find_last_of('.');
    std::size_t folder = logPath.find_last_of("\\/");
    std::string base = dot != std::string::npos && (folder == std::string::npos || dot > folder) ? logPath.substr(0, dot) : logPath;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "-%04u%02u%02u-%02u%02u%02u-", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return base + stamp;
}

std::string TrimmedErrorText() {
    std::string text = SystemErrorText();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

// A new file, numbered past those of the same second (other runs may write beside this one).
std::string WritePicture(const std::string& logPath, const std::vector<BYTE>& pixels, LONG width, LONG height,
                         std::string& path) {
    const std::string start = PictureNameStart(logPath);
    unique_handle file;
    for (int number = 1; number <= NamesPerSecond && !file; ++number) {
        path = start + std::to_string(number) + ".bmp";
        file = OwnFileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file) return TrimmedErrorText();

    BITMAPFILEHEADER head{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    head.bfType = 0x4D42;  // "BM"
    head.bfOffBits = sizeof head + sizeof info;
    head.bfSize = head.bfOffBits + info.biSizeImage;
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(&head), reinterpret_cast<const BYTE*>(&head) + sizeof head);
    bytes.insert(bytes.end(), reinterpret_cast<const BYTE*>(&info), reinterpret_cast<const BYTE*>(&info) + sizeof info);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        std::string reason = TrimmedErrorText();
        file.reset();
        DeleteFileA(path.c_str());
        return reason;
    }
    return {};
}

// PrintWindow first. Where the window did not draw itself (in time, or at all: Wine draws
// nothing into a device context of another process), what the screen shows of a visible
// window instead, said as such.
std::string PictureLine(HWND window, const RECT& frame, const std::string& logPath, TickCountdown& left) {
    const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
    const std::string size = " size=" + std::to_string(width) + "x" + std::to_string(height);
    if (width <= 0 || height <= 0 || width > WidestPicture || height > WidestPicture)
        return "  picture not-taken=" + Quoted("размер окна") + size;
    if (PicturesKept >= PicturesPerRun)
        return "  picture not-taken=" + Quoted("снимков в этой работе уже " + std::to_string(PicturesPerRun));
    std::vector<BYTE> pixels;
    const char* reason = TakePicture(window, width, height, left, pixels);
    bool blank = !reason && AllOneColour(pixels, width, height);
    std::string source;
    if ((reason || blank) && IsWindowVisible(window) && !IsIconic(window) &&
        CopyFromScreen(frame, width, height, pixels) && !AllOneColour(pixels, width, height)) {
        reason = nullptr;
        blank = false;
        source = " source=screen";
    }
    if (reason) return "  picture not-taken=" + Quoted(reason) + size;
    if (blank) return "  picture not-kept=" + Quoted("все точки одного цвета") + size;
    std::string path;
    std::string failure = WritePicture(logPath, pixels, width, height, path);
    if (!failure.empty()) return "  picture not-written=" + Quoted(path) + " reason=" + Quoted(failure) + size;
    ++PicturesKept;
    return "  picture file=" + Quoted(path) + size + source;
}

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->first) found->second.push_back(window);
    return TRUE;
}

std::string WindowRecord(HWND window, const std::string& logPath, bool subject, TickCountdown& left) {
    const std::string className = ClassOf(window);
    RECT frame{};
    GetWindowRect(window, &frame);
    const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
    std::string record = "window handle=" + HandleText(window) + " class=" + Quoted(className) +
                         TextField("title", WindowText(window)) +
                         " id=" + std::to_string(GetWindowLongA(window, GWL_ID)) +
                         " style=" + Hex(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE))) +
                         " size=" + std::to_string(width) + "x" + std::to_string(height) +
                         " visible=" + (IsWindowVisible(window) ? "1" : "0") +
                         " enabled=" + (IsWindowEnabled(window) ? "1" : "0");
    if (HWND owner = GetWindow(window, GW_OWNER)) record += " owner=" + HandleText(owner);
    if (subject) record += " unknown";

    // The picture first: a window that does not draw within the second would not have
    // answered the description's messages either, while the texts of its statics and
    // buttons are read without any.
    std::string picture = logPath.empty() ? std::string() : "\n" + PictureLine(window, frame, logPath, left);
    int described = 0;
    DescribeControls(window, 1, DefaultIdOf(window, className, left), left, record, described);
    if (described >= ControlsShown)
        record += "\n  unfinished=" + Quoted("описаны только первые " + std::to_string(ControlsShown) + " элементов");
    record += picture;
    return record;
}

}  // namespace

std::string RecordWindow(HWND window, const std::string& logPath, bool subject) {
    TickCountdown left(WindowRecordMs);
    return WindowRecord(window, logPath, subject, left);
}

std::string RecordWindows(DWORD processId, HANDLE process, const std::string& reason, const std::string& logPath,
                          HWND subject) {
    std::string record = "Окна конфигуратора (процесс " + std::to_string(processId) + "): " + reason;
    // Once it has ended, its id may already be another process's.
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        return record + "\nПроцесс конфигуратора завершён, код выхода " + std::to_string(code);
    }
    std::pair<DWORD, std::vector<HWND>> found{processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&found));
    if (found.second.empty()) return record + "\nОкон нет";
    // A thread that let one window's second run out is not asked again in this record.
    std::vector<DWORD> silent;
    for (HWND window : found.second) {
        DWORD thread = GetWindowThreadProcessId(window, nullptr);
        bool wasSilent = false;
        for (DWORD other : silent) wasSilent = wasSilent || other == thread;
        TickCountdown left(wasSilent ? 0 : WindowRecordMs);
        record += "\n" + WindowRecord(window, logPath, window == subject, left);
        if (!wasSilent && left.Left() == 0) silent.push_back(thread);
    }
    return record;
}

void LogUnknownWindow(HWND window) {
    if (!RunLogOpen()) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    WriteLogEntry(RecordWindows(processId, nullptr, "окно, которого нет в правилах", RunLogPath(), window));
}

void LogFailedRun(DWORD processId, HANDLE process, const char* reason) {
    if (!RunLogOpen() || (SupervisorFlags & EndingRecorded)) return;
    SupervisorFlags |= EndingRecorded;
    WriteLogEntry(RecordWindows(processId, process, reason, RunLogPath()));
}
