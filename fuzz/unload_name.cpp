// Unload name patterns, for any DownloadTo, BasePath and date.
//
// What can be claimed: the six sequences are replaced in a fixed order, each in one pass
// over the text, and every date insertion is digits, so no step can make a sequence that an
// earlier step should have replaced, except through the folder name: it is inserted as it
// is, may hold "?yy" or "?W" itself, may complete a sequence begun just before it ("?y?f"
// with folder "y"), and, when empty, joins the text around it ("??ff" leaves "?f"). Hence:
// - with a folder name that can take part in no sequence, no sequence at all remains and
//   the whole result is lower case;
// - whatever the folder name, no "?w" remains, since its digit replaces it last;
// - the result is exactly the one the rules give (an independent model below), which also
//   pins down that the folder name keeps its letter case while the rest is lower-cased;
// - the pattern's shape (KeepUnloads) matches the file name of every expansion, on any date,
//   unless that name cannot be a file's (empty, a "?" left in it, the shape's slot bytes), and
//   its folder, unless that varies; and it matches nothing one character longer or with a
//   date digit that is no digit.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "fuzz/fuzz_check.h"
#include "run/unload_name.h"
#include "settings/system_services.h"

namespace {

const char* const Sequences[] = {"?yyyy", "?yy", "?dd", "?mm", "?f", "?w"};

std::string TwoDigits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) + static_cast<char>('0' + value % 10);
}

// One pass from the left; the scan goes on after what was inserted.
std::string ReplacedOnce(const std::string& text, const std::string& sequence, const std::string& by) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, sequence.size(), sequence) == 0) {
            out += by;
            i += sequence.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string ModelExpansion(const std::string& downloadTo, const std::string& basePath, const std::tm& date) {
    std::string folder = basePath;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (folder.find('\\') != std::string::npos) folder = folder.substr(folder.rfind('\\') + 1);
    const int year = date.tm_year + 1900;
    const std::string by[] = {std::to_string(year), TwoDigits(year % 100), TwoDigits(date.tm_mday),
                              TwoDigits(date.tm_mon + 1), folder,
                              std::to_string(date.tm_wday == 0 ? 7 : date.tm_wday)};
    std::string name = downloadTo;
    LowerCaseAnsi(name);
    for (int i = 0; i < 6; ++i) name = ReplacedOnce(name, Sequences[i], by[i]);
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    // A real calendar date of the years 1900 to 9999 (the clock gives nothing else).
    std::tm date{};
    date.tm_year = (data[0] | data[1] << 8) % 8100;
    date.tm_mon = data[2] % 12;
    date.tm_mday = data[3] % 31 + 1;
    date.tm_wday = data[4] % 7;
    // DownloadTo, then after the first zero byte BasePath.
    const std::string rest(reinterpret_cast<const char*>(data) + 5, size - 5);
    const std::size_t zero = rest.find('\0');
    const std::string downloadTo = rest.substr(0, zero);
    const std::string basePath = zero == std::string::npos ? std::string() : rest.substr(zero + 1);

    const std::string neutral = ExpandUnloadPattern(downloadTo, "c:\\bases\\#", date);
    for (const char* sequence : Sequences)
        Require(neutral.find(sequence) == std::string::npos, "with a neutral folder name no sequence remains");
    std::string lowered = neutral;
    LowerCaseAnsi(lowered);
    RequireEqual(neutral, lowered, "with a neutral folder name the result is lower case");

    const std::string expanded = ExpandUnloadPattern(downloadTo, basePath, date);
    Require(expanded.find("?w") == std::string::npos, "no \"?w\" remains");
    RequireEqual(expanded, ModelExpansion(downloadTo, basePath, date), "the expansion follows the rules");

    const UnloadNameShape shape = ShapeOfUnloadName(downloadTo, basePath);
    const std::size_t start = FileNameStart(expanded);
    std::string name = expanded.substr(start), folder = expanded.substr(0, start), shapeFolder = shape.folder;
    LowerCaseAnsi(folder);
    LowerCaseAnsi(shapeFolder);
    const bool slotBytes = (downloadTo + basePath).find_first_of("\x01\x02\x03") != std::string::npos;
    if (!slotBytes && !name.empty() && name.find('?') == std::string::npos) {
        Require(MatchesUnloadName(shape, name), "the shape matches every name the pattern gives");
        if (!shape.folderVaries) RequireEqual(folder, shapeFolder, "a folder that does not vary is the shape's");
    }
    Require(!MatchesUnloadName(shape, name + "0"), "a longer name never matches");
    for (std::size_t i = 0; i < shape.name.size() && i < name.size(); ++i) {
        if (shape.name[i] != UnloadNameShape::DigitSlot && shape.name[i] != UnloadNameShape::WeekdaySlot) continue;
        std::string spoiled = name;
        spoiled[i] = 'a';
        Require(!MatchesUnloadName(shape, spoiled), "a date place takes only a digit");
    }
    return 0;
}
