#include "tests/e2e/harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>

#include "tests/e2e/secrets.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace e2e {

namespace {

bool HasStamp(const std::string& line) {
    auto digit = [&](size_t i) { return line[i] >= '0' && line[i] <= '9'; };
    return line.size() >= 8 && line[0] == '[' && digit(1) && digit(2) && line[3] == ':' && digit(4) && digit(5) &&
           line[6] == ']' && line[7] == ' ';
}

// "2026-12-09 03:00:00 "
bool HasDateStamp(const std::string& line) {
    static const char shape[] = "dddd-dd-dd dd:dd:dd ";
    if (line.size() < sizeof shape - 1) return false;
    for (size_t i = 0; i + 1 < sizeof shape; ++i)
        if (shape[i] == 'd' ? !(line[i] >= '0' && line[i] <= '9') : line[i] != shape[i]) return false;
    return true;
}

bool IsGap(const std::string& entry) { return entry == "..."; }

bool IsOptional(const std::string& entry) { return entry.compare(0, 3, "{?}") == 0; }

// The expected entries against the actual ones: "..." takes any run of entries, an
// optional entry one or none. After p expected entries, reach[i] says whether they can
// take exactly the first i actual entries.
bool Matches(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
    std::vector<char> reach(actual.size() + 1, 0), next(actual.size() + 1);
    reach[0] = 1;
    for (const auto& entry : expected) {
        for (size_t i = 0; i <= actual.size(); ++i) {
            if (IsGap(entry))
                next[i] = reach[i] || (i > 0 && next[i - 1]);
            else
                next[i] = (IsOptional(entry) && reach[i]) || (i > 0 && reach[i - 1] && MatchEntry(entry, actual[i - 1]));
        }
        reach.swap(next);
    }
    return reach[actual.size()] != 0;
}

}  // namespace

std::string CfgloadUnderTest() {
    char named[MAX_PATH * 4];
    DWORD length = GetEnvironmentVariableA("CFGLOAD_EXE_UNDER_TEST", named, sizeof named);
    if (length > 0 && length < sizeof named) return std::string(named, length);
    return WindowsPath(CFGLOAD_EXE);
}

const char* const EndToEnd::OriginalMd = support::RunFolder::OriginalMd;
const char* const EndToEnd::NewMdContents = support::RunFolder::NewMdContents;

std::vector<std::string> ConsoleLines(const std::string& output) {
    std::string text = OemToAnsi(output);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(HasStamp(line) ? line.substr(8) : line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> LogLines(const std::string& contents, std::vector<bool>* stamped) {
    const std::string mark = "\xEF\xBB\xBF";
    std::string text = Recoded(contents.compare(0, mark.size(), mark) == 0 ? contents.substr(mark.size()) : contents,
                                CP_UTF8, 1251);
    std::vector<std::string> lines;
    if (stamped) stamped->clear();
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const bool dated = HasDateStamp(line);
        lines.push_back(dated ? line.substr(20) : line);
        if (stamped) stamped->push_back(dated);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> RunResult::JournalLines() const {
    std::vector<std::string> lines;
    for (const auto& event : journal)
        if (event.kind != "start" && event.kind != "cmdline" && event.kind != "cwd" && event.kind != "command-queued")
            lines.push_back(event.Line());
    return lines;
}

const JournalEvent* RunResult::Find(const std::string& kind, const std::string& name) const {
    for (const auto& event : journal)
        if (event.kind == kind && (name.empty() || event.name == name)) return &event;
    return nullptr;
}

bool MatchEntry(const std::string& entry, const std::string& text) {
    const std::string pattern = IsOptional(entry) ? entry.substr(3) : entry;
    if (pattern.find("{*}") == std::string::npos) return pattern == text;
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t at = pattern.find("{*}", start);
        parts.push_back(pattern.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) break;
        start = at + 3;
    }
    // The first part is a prefix, the last a suffix, the others follow in order between.
    const std::string& head = parts.front();
    const std::string& tail = parts.back();
    if (text.size() < head.size() + tail.size()) return false;
    if (text.compare(0, head.size(), head) != 0) return false;
    if (text.compare(text.size() - tail.size(), tail.size(), tail) != 0) return false;
    size_t position = head.size(), limit = text.size() - tail.size();
    for (size_t i = 1; i + 1 < parts.size(); ++i) {
        size_t found = text.find(parts[i], position);
        if (found == std::string::npos || found + parts[i].size() > limit) return false;
        position = found + parts[i].size();
    }
    return true;
}

std::string Printable(const std::string& text) {
    std::string escaped;
    for (unsigned char c : text) {
        if (c == '\n') escaped += "\\n";
        else if (c == '\r') escaped += "\\r";
        else if (c == '\t') escaped += "\\t";
        else if (c < 0x20) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            escaped += hex;
        } else escaped += static_cast<char>(c);
    }
    return Recoded(escaped, 1251, CP_UTF8);
}

::testing::AssertionResult MatchSequence(const std::string& what, const std::vector<std::string>& expected,
                                         const std::vector<std::string>& actual) {
    if (Matches(expected, actual)) return ::testing::AssertionSuccess();

    // Where it went wrong, for the reader: walk the expectations forward, a "..." searching
    // ahead for the next entry, an optional entry passed over where it is not found.
    size_t e = 0, a = 0;
    bool searching = false;
    for (; e < expected.size(); ++e) {
        if (IsGap(expected[e])) {
            searching = true;
            continue;
        }
        size_t at = a;
        while (at < actual.size() && !MatchEntry(expected[e], actual[at]) && searching) ++at;
        if (at >= actual.size() || !MatchEntry(expected[e], actual[at])) {
            if (IsOptional(expected[e])) continue;
            break;
        }
        a = at + 1;
        searching = false;
    }
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << what << " differs from the expected sequence\n";
    if (e < expected.size())
        failure << "  expected entry " << e + 1 << " of " << expected.size() << ": \"" << Printable(expected[e])
                << "\" not found " << (searching ? "after" : "at") << " actual entry " << a + 1 << "\n";
    else
        failure << "  every expected entry matched, but " << actual.size() - a << " actual entries are left over from entry "
                << a + 1 << "\n";
    failure << "  expected:\n";
    for (size_t i = 0; i < expected.size(); ++i)
        failure << (i == e ? "  >" : "   ") << std::setw(4) << i + 1 << "  " << Printable(expected[i]) << "\n";
    size_t from = a > 20 ? a - 20 : 0, to = std::min(actual.size(), a + 40);
    failure << "  actual (" << actual.size() << " entries" << (from > 0 || to < actual.size() ? ", an excerpt" : "") << "):\n";
    for (size_t i = from; i < to; ++i)
        failure << (i == a ? "  >" : "   ") << std::setw(4) << i + 1 << "  " << Printable(actual[i]) << "\n";
    return failure;
}

void EndToEnd::SetUp() {
    static int counter = 0;
    std::string name = "cfgload-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "-" +
                       std::to_string(GetTickCount64() % 100000);
    ASSERT_TRUE(folder_.Create(name)) << folder_.Work();
}

void EndToEnd::TearDown() {
    EndStandins(0);
    if (!HasFailure())
        support::RemoveTree(Work());
    else
        std::printf("test folder kept: %s\n", Printable(Work()).c_str());
}

std::string EndToEnd::Lower(std::string text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::vector<std::string> EndToEnd::DefaultSettings() {
    return {"BasePath={base}", "Path1CExe={standin}", "NewMDPath={new_md}", "User=Администратор"};
}

std::string EndToEnd::Expand(const std::string& text) const {
    support::Names names = folder_.PlaceNames(WindowsPath(STANDIN_EXE));
    names.insert(names.end(), {{"{cfgload}", CfgloadUnderTest()}, {"{unload_lower}", Lower(UnloadFile())}});
    return support::Substitute(text, names);
}

std::vector<std::string> EndToEnd::Expand(const std::vector<std::string>& lines) const {
    std::vector<std::string> expanded;
    for (const auto& line : lines) expanded.push_back(Expand(line));
    return expanded;
}

void EndToEnd::WriteFile(const std::string& path, const std::string& bytes) { support::WriteWholeFile(path, bytes); }

std::string EndToEnd::ReadFile(const std::string& path) { return support::ReadWholeFile(path); }

bool EndToEnd::FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndToEnd::EndStandins(DWORD graceMs) const { return support::EndStandins(JournalFile(), graceMs); }

RunResult EndToEnd::Run(const std::vector<std::string>& settings, const std::vector<std::string>& standin,
                        const std::vector<std::string>& arguments, DWORD limitMs, bool noDefaultSettings) {
    std::vector<std::string> lines = noDefaultSettings ? std::vector<std::string>{} : DefaultSettings();
    lines.insert(lines.end(), settings.begin(), settings.end());
    WriteFile(SettingsFile(), support::Joined(Expand(lines)));
    WriteFile(folder_.ScenarioFile(), support::Joined(Expand(standin)));
    DeleteFileA(JournalFile().c_str());

    std::string commandLine = support::Quoted(CfgloadUnderTest()) + " " + support::Quoted(SettingsFile());
    for (const auto& argument : arguments) commandLine += " " + support::Quoted(Expand(argument));
    RunResult result;
    const FileStamps before = StampFiles(Work());
    ULONGLONG started = GetTickCount64();
    ChildResult child = RunChild(commandLine, Work(), limitMs);
    result.elapsedMs = static_cast<DWORD>(GetTickCount64() - started);
    result.started = child.started;
    result.timedOut = child.timedOut;
    result.exitCode = child.exitCode;
    result.output = child.output;
    result.console = ConsoleLines(child.output);
    result.standinLeftRunning = EndStandins(3000);
    result.journal = ReadJournal(JournalFile());
    for (const auto& event : result.journal) {
        if (event.kind == "start") ++result.standinStarts;
        if (event.kind == "scenario-error") ADD_FAILURE() << "stand-in scenario: " << Printable(event.text);
    }
    // Every run: no password on the console, in the journal or in a file written meanwhile.
    std::vector<std::string> written;
    for (const auto& path : FilesWritten(before, StampFiles(Work())))
        if (path != JournalFile()) written.push_back(path);
    RunResult shown = result;  // standard error is console output too
    shown.output += child.errors;
    EXPECT_TRUE(NoPasswordShown(PasswordsGiven(Expand(lines), Expand(arguments)), shown, written));
    return result;
}

RunResult EndToEnd::Check(const Case& scenario) {
    RunResult result = Run(scenario.settings, scenario.standin, scenario.arguments, scenario.limitMs,
                           scenario.noDefaultSettings);
    EXPECT_TRUE(result.started) << "cfgload did not start";
    EXPECT_FALSE(result.timedOut) << "cfgload was still running after " << scenario.limitMs << " ms";
    EXPECT_EQ(static_cast<int>(result.exitCode), scenario.exitCode) << "exit code of cfgload";
    EXPECT_TRUE(MatchSequence("console", Expand(scenario.console), result.console));
    EXPECT_TRUE(MatchSequence("journal", Expand(scenario.journal), result.JournalLines()));
    return result;
}

}  // namespace e2e
