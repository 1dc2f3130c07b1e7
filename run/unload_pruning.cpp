#include "run/unload_pruning.h"

#include <algorithm>

#include "run/console.h"
#include "run/unload_check.h"
#include "run/unload_name.h"
#include "settings/run_settings.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string InFolder(const std::string& folder, const std::string& name) {
    const bool joined = folder.empty() || IsSeparator(folder.back()) || folder.back() == ':';
    return folder + (joined ? "" : "\\") + name;
}

bool SameName(std::string a, std::string b) {
    if (a.size() != b.size()) return false;
    LowerCaseAnsi(a);
    LowerCaseAnsi(b);
    return a == b;
}

bool Newer(const FolderEntry& a, const FolderEntry& b) {
    return a.lastWrite != b.lastWrite ? a.lastWrite > b.lastWrite : a.name > b.name;
}

UnloadSet TonightsUnloads(const std::string& pattern) {
    return FindUnloads(pattern, Settings.BasePath, UnloadFilePath(Settings.DownloadTo, Settings.BasePath));
}

void SayFolderVaries(const std::string& pattern) {
    ReportError("KeepUnloads не действует: папка в DownloadTo [%s] меняется по шаблону, старые выгрузки не удаляются",
                pattern.c_str());
}

void SayNotListed(const UnloadSet& set) {
    ReportError("Не могу прочитать папку выгрузки [%s]: %s", set.folder.c_str(), set.failure.c_str());
}

// The free space beside the newest unload: a night needs room for one more of that size
// (and the pruning comes only after it), with a margin, as an unload grows.
void SayFreeSpace(const UnloadSet& set) {
    unsigned long long free = 0;
    if (!FreeSpaceOf(set.folder, free)) {
        ReportInfo("Свободное место на диске выгрузки неизвестно: %s", SystemErrorText().c_str());
        return;
    }
    if (set.unloads.empty()) {
        ReportInfo("Свободно на диске выгрузки: %s; выгрузок этого вида в папке нет", ByteCountText(free).c_str());
        return;
    }
    const FolderEntry& newest = set.unloads.front();
    ReportInfo("Свободно на диске выгрузки: %s; последняя выгрузка %s: %s", ByteCountText(free).c_str(),
               newest.name.c_str(), ByteCountText(newest.size).c_str());
    if (static_cast<long double>(free) < 1.5L * static_cast<long double>(newest.size))
        ReportInfo("ВНИМАНИЕ! Свободного места меньше, чем полтора размера последней выгрузки");
}

}  // namespace

std::string UnloadFolderOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator == std::string::npos) return path.substr(0, 2);  // "c:name": that drive's folder
    std::string folder = path.substr(0, separator);
    if (folder.empty() || folder.back() == ':') folder += path[separator];  // a root keeps its separator
    return folder;
}

UnloadSet FindUnloads(const std::string& pattern, const std::string& basePath, const std::string& tonightPath) {
    UnloadSet set;
    const UnloadNameShape shape = ShapeOfUnloadName(pattern, basePath);
    set.folderVaries = shape.folderVaries;
    set.folder = UnloadFolderOf(tonightPath);
    set.tonight = tonightPath.substr(FileNameStart(tonightPath));
    std::vector<FolderEntry> entries;
    set.listed = ListFolder(set.folder, entries);
    if (!set.listed) {
        set.failure = SystemErrorText();
        return set;
    }
    for (FolderEntry& entry : entries)
        if (entry.plainFile && MatchesUnloadName(shape, entry.name)) set.unloads.push_back(std::move(entry));
    std::sort(set.unloads.begin(), set.unloads.end(), Newer);
    return set;
}

std::vector<FolderEntry> UnloadsBeyond(const UnloadSet& set, int keep) {
    std::vector<FolderEntry> beyond;
    if (keep < 1 || set.folderVaries) return beyond;
    int others = keep - 1;  // tonight's takes one place
    for (const FolderEntry& unload : set.unloads) {
        if (SameName(unload.name, set.tonight)) continue;
        if (others > 0) --others;
        else beyond.push_back(unload);
    }
    std::reverse(beyond.begin(), beyond.end());
    return beyond;
}

void KeepNewestUnloads(const std::string& pattern) {
    if (Settings.KeepUnloads < 1 || Settings.DownloadTo.empty()) return;
    const UnloadSet set = TonightsUnloads(pattern);
    if (set.folderVaries) return SayFolderVaries(pattern);
    // Tonight's unload is one of those kept: without it, none of the old ones goes.
    const std::string tonight = InFolder(set.folder, set.tonight);
    if (!IsExistingFile(tonight)) {
        ReportError("Старые выгрузки не удаляются: нет файла выгрузки [%s]", tonight.c_str());
        return;
    }
    if (!set.listed) return SayNotListed(set);
    for (const FolderEntry& old : UnloadsBeyond(set, Settings.KeepUnloads)) {
        const std::string path = InFolder(set.folder, old.name);
        // The run has succeeded: a file left behind is said, and the rest still goes.
        if (DeleteOneFile(path))
            ReportInfo("Удалена старая выгрузка %s", path.c_str());
        else
            ReportError("Не удалось удалить файл %s: %s", path.c_str(), SystemErrorText().c_str());
    }
}

bool CheckUnloadsKept(const std::string& pattern) {
    if (Settings.DownloadTo.empty()) return true;
    const UnloadSet set = TonightsUnloads(pattern);
    if (!set.listed) {
        SayNotListed(set);
        return false;
    }
    SayFreeSpace(set);
    const int keep = Settings.KeepUnloads;
    if (keep < 1) return true;
    if (set.folderVaries) {
        SayFolderVaries(pattern);
        return false;
    }
    ReportInfo("Хранить выгрузок (KeepUnloads): %d; сейчас выгрузок этого вида в папке %s: %s", keep,
               set.folder.c_str(), std::to_string(set.unloads.size()).c_str());
    const std::vector<FolderEntry> beyond = UnloadsBeyond(set, keep);
    if (beyond.empty()) ReportInfo("После успешной ночи ничего не будет удалено");
    for (const FolderEntry& old : beyond)
        ReportInfo("После успешной ночи будет удален файл %s", InFolder(set.folder, old.name).c_str());
    return true;
}

std::string ByteCountText(unsigned long long bytes) {
    static const char* const Units[] = {"КБ", "МБ", "ГБ", "ТБ"};
    if (bytes < 1024) return std::to_string(bytes) + " байт";
    unsigned long long unit = 1024;
    int index = 0;
    while (index < 3 && bytes / unit >= 1024) unit *= 1024, ++index;
    // Tenths, rounded: 1.95 KiB is "2,0 КБ".
    const unsigned long long tenths = (bytes / unit) * 10 + (bytes % unit * 10 + unit / 2) / unit;
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " " + Units[index];
}
