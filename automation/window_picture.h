#pragma once
// The picture in a window's record: the window drawn by itself (PrintWindow) or, where it
// does not draw, what the screen shows of it while no other program's window covers it;
// compressed as PNG and written beside the log, all within what is left of the window's
// second. At most 100 pictures are kept in one run.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/tick_countdown.h"

struct PictureOutcome {
    // "file" when written; else "not-taken", "not-kept" or "not-written".
    const char* kind = "not-taken";
    std::string file;    // the picture's full name (also the one not written)
    std::string reason;  // why there is none
    bool fromScreen = false;
};

// logPath: the run's log; the picture is named after it (PictureNameStart, run/unload_name.h). The pixels are
// taken first (a window that does not draw within its second would not answer the messages
// that read its texts either); then readTexts, when given, is called once, whatever became
// of them: it reads the window's texts and says why the picture must not be kept (empty: it
// may). Only then are the pixels compressed and written. A copy of the screen is made only
// while no window lies over the window but those of its own process in clean (whose texts
// were read and showed no password).
PictureOutcome TakeWindowPicture(HWND window, const RECT& frame, const std::string& logPath, TickCountdown& left,
                                 const std::function<std::string()>& readTexts = nullptr,
                                 const std::vector<HWND>& clean = {});

