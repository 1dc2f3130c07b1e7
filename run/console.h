#pragma once
// Console reporting: every progress and error line of a run, time-stamped, in the
// console's OEM code page. Nothing at all is printed while Debug is 0. The same lines go to
// the run's log (run/run_log.h) whatever Debug says.
//
// Text from outside the program (file names, window texts, system messages) is only ever
// passed as an argument for "%s", never as the format.

#include <string>

#if defined(__GNUC__)
#define CFGLOAD_PRINTF(format_index) __attribute__((format(printf, format_index, format_index + 1)))
#else
#define CFGLOAD_PRINTF(format_index)
#endif

void ReportInfo(const char* format, ...) CFGLOAD_PRINTF(1);
void ReportError(const char* format, ...) CFGLOAD_PRINTF(1);

// An error line printed on the console whatever Debug says, for what must be seen even
// with Debug 0: the log (LogFile) itself lost, the run's only trace then, or a setting that
// /check cannot read as its value (Debug may be that setting).
void ReportErrorAlways(const char* format, ...) CFGLOAD_PRINTF(1);

// The run log's failure due (run/run_log.h: a log that could not be opened, or whose write
// failed), printed so, once; the same line that a failed write inside a reported line gives.
void ReportRunLogFailure();

// The run's last line, written from another thread just before the process ends (the
// console control handler): waits up to limitMs for a line being written to end, prints
// the error line, and lets no other line follow. Nothing is printed when the wait runs
// out (the output may be stuck on a full pipe). Returns whether the lock was got: only
// then may the caller go on writing (CloseRunLogLocked), still holding it.
bool ReportFinalError(unsigned limitMs, const char* format, ...) CFGLOAD_PRINTF(2);

// "(code) text" for the calling thread's last system error, the text exactly as the
// system gives it (its closing line break included). Prints nothing.
std::string SystemErrorText();
