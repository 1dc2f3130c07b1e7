#pragma once
// The run's log file (LogFile): every line the run writes to the console, dated to the
// second, in UTF-8 with CR LF, whatever Debug says; and the records of the configurator's
// windows that the console never shows. Several runs may append to one log side by side:
// each entry is written whole, in one append. A log that cannot be opened or written is
// said once on the console and then left alone: it never changes the run.
//
// Without LogFile (or with LogFile NUL) every call here does nothing.

#include <ctime>
#include <string>

// Opens the log named by Settings.LogFile (ExpandedLogName: date patterns expanded as in
// DownloadTo, a relative name taken from the program's folder),
// creating it with a byte-order mark, and writes the run's first line: the program and its
// version, the settings file and the infobase. Lines reported before it are written after
// that first line.
void OpenRunLog(const std::string& settingsFile);

// For a check that starts nothing: whether the log named by Settings.LogFile could be
// opened now, without writing to it (a file that does not exist yet is created and removed
// again). path gets the name the run would open (empty when there is no log), reason the
// system's text when it cannot.
bool CanOpenRunLog(std::string& path, std::string& reason);

// True while a log is open and writable.
bool RunLogOpen();

// The log's full name as opened; empty when there is none. Pictures are named after it.
std::string RunLogPath();

// An entry that only the log gets (Windows-1251 text; '\n' separates its lines): its first
// line is stamped with the date and time, the others follow as continuation lines.
void WriteLogEntry(const std::string& text);

// The run's last line: the exit code and the run's duration. Nothing is written after it.
void CloseRunLog(int exitCode);

// The same, for the console control handler's thread, which already holds the console
// lines' lock (ReportFinalError keeps it) and ends the process right after.
void CloseRunLogLocked(int exitCode);

// ---- for the console reporter, under the console lines' lock ----

// Whether lines are still wanted: until the log is opened they are kept for it, and
// without LogFile (or once the log has failed) they are not.
bool RunLogTakesLines();

// One line as the console prints it (Windows-1251, without the stamp), dated when.
void LogLine(const std::tm* when, const std::string& text);

// The error line due after a failed write ("Не могу записать журнал [...]: ..."), once;
// empty when there is none.
std::string TakeRunLogFailure();

// An entry as it goes into the log: "YYYY-MM-DD HH:MM:SS " (no stamp without a date),
// the text in UTF-8 with its '\n' as CR LF, and a closing CR LF.
std::string LogEntryText(const std::tm* when, const std::string& text);
