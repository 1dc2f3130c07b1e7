#include "run/unload_check.h"

#include <cstdio>
#include <ctime>

#include "run/console.h"
#include "run/unload_archive.h"
#include "settings/run_settings.h"
#include "settings/system_services.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrive(const std::string& path) { return path.size() > 1 && path[1] == ':'; }

// "X:" of a path with a drive, "\\server\share" of a network path; empty otherwise.
std::string RootOf(const std::string& path) {
    if (HasDrive(path)) return path.substr(0, 2);
    if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return {};
    std::size_t server = path.find_first_of("\\/", 2);
    if (server == std::string::npos) return path;
    std::size_t share = path.find_first_of("\\/", server + 1);
    return path.substr(0, share);
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder + (folder.empty() || IsSeparator(folder.back()) ? "" : "\\") + name;
}

// The archive's bytes from the open file; the system's text of a failed read is kept.
class FileBytes : public ArchiveBytes {
public:
    FileBytes(ReadOnlyFile& file, unsigned long long size) : file_(file), size_(size) {}
    unsigned long long Size() const override { return size_; }
    bool Read(unsigned long long offset, unsigned char* buffer, std::size_t size) override {
        if (file_.ReadAt(offset, buffer, size)) return true;
        failure = SystemErrorText();
        return false;
    }
    std::string failure;

private:
    ReadOnlyFile& file_;
    unsigned long long size_;
};

// Tenths of a second, "0,4".
std::string Seconds(unsigned long milliseconds) {
    return std::to_string(milliseconds / 1000) + "," + std::to_string(milliseconds % 1000 / 100);
}

bool Verify(ReadOnlyFile& file, unsigned long long size, const std::string& path,
            const std::function<bool()>& timeUp) {
    FileBytes bytes(file, size);
    const unsigned long started = MillisecondClock();
    const ArchiveCheck check = CheckArchive(bytes, timeUp);
    const unsigned long elapsed = MillisecondClock() - started;
    switch (check.outcome) {
        case ArchiveCheck::Outcome::Whole:
            ReportInfo("Файл выгрузки проверен: записей %s, %s байт после распаковки, %s с",
                       std::to_string(check.entries).c_str(), std::to_string(check.bytes).c_str(),
                       Seconds(elapsed).c_str());
            return true;
        case ArchiveCheck::Outcome::Damaged:
            if (check.entry.empty())
                ReportError("Файл выгрузки [%s] поврежден: %s", path.c_str(), check.problem.c_str());
            else
                ReportError("Файл выгрузки [%s] поврежден, запись [%s]: %s", path.c_str(), check.entry.c_str(),
                            check.problem.c_str());
            return false;
        case ArchiveCheck::Outcome::ReadFailed:
            ReportError("Не могу прочитать файл выгрузки [%s]: %s", path.c_str(), bytes.failure.c_str());
            return false;
        case ArchiveCheck::Outcome::TimeUp:
            ReportError("Проверка файла выгрузки [%s] прервана: истекло время выполнения", path.c_str());
            return false;
        case ArchiveCheck::Outcome::NoData:
            ReportError("Файл выгрузки [%s] не годится: %s", path.c_str(), check.problem.c_str());
            return false;
        case ArchiveCheck::Outcome::NoMemory:
            ReportError("Не могу проверить файл выгрузки [%s]: %s", path.c_str(), check.problem.c_str());
            return false;
    }
    return false;
}

bool CannotRead(const std::string& path, const std::string& systemText) {
    ReportError("Не могу прочитать файл выгрузки [%s]: %s", path.c_str(), systemText.c_str());
    return false;
}

bool SameFileVersion(const FileStamp& first, const FileStamp& second) {
    if (first.size != second.size || first.writeTime != second.writeTime) return false;
    return !first.identityKnown || !second.identityKnown ||
           (first.volume == second.volume && first.index == second.index);
}

// "07.12.2026 03:04" in local time; empty when the system gives none.
std::string LocalDate(unsigned long long writeTime) {
    std::tm local{};
    if (!LocalFileTime(writeTime, local)) return {};
    char text[64];  // room for any int, so that nothing is cut
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900,
                  local.tm_hour, local.tm_min);
    return text;
}

}  // namespace

std::string UnloadFilePath(const std::string& name, const std::string& basePath) {
    if (name.size() > 1 && IsSeparator(name[0]) && IsSeparator(name[1])) return name;  // a network path
    if (!name.empty() && IsSeparator(name[0])) return RootOf(basePath) + name;       // from the drive's root
    if (HasDrive(name)) {
        if (name.size() > 2 && IsSeparator(name[2])) return name;
        // "D:name" is from that drive's current folder: the infobase's, when it is on that drive.
        if (HasDrive(basePath) && Upper(basePath[0]) == Upper(name[0])) return InFolder(basePath, name.substr(2));
        return name;
    }
    return InFolder(basePath, name);
}

UnloadFileBefore LookAtUnloadFile() {
    UnloadFileBefore before;
    before.found = ReadFileStamp(UnloadFilePath(Settings.DownloadTo, Settings.BasePath), before.stamp);
    return before;
}

bool UnloadFileInOrder(const std::function<bool()>& timeUp, const UnloadFileBefore& before,
                       const std::function<bool()>& waitForHolder) {
    const std::string path = UnloadFilePath(Settings.DownloadTo, Settings.BasePath);
    ReadOnlyFile file;
    ReadOnlyFile::Opening opening = file.Open(path);
    std::string heldText;  // taken at once: waiting may change the system's last error
    while (opening == ReadOnlyFile::Opening::Held) {
        heldText = SystemErrorText();
        if (!waitForHolder || !waitForHolder()) break;
        opening = file.Open(path);
    }
    switch (opening) {
        case ReadOnlyFile::Opening::Opened: break;
        case ReadOnlyFile::Opening::Missing:
            ReportError("Файл выгрузки [%s] не найден", path.c_str());
            return false;
        case ReadOnlyFile::Opening::Folder:
            ReportError("Файл выгрузки [%s] - это папка", path.c_str());
            return false;
        case ReadOnlyFile::Opening::Held:
            return CannotRead(path, heldText);
        case ReadOnlyFile::Opening::Failed:
            return CannotRead(path, SystemErrorText());
    }
    unsigned long long size = 0;
    FileStamp now;
    if (!file.Size(size) || (before.found == Stamping::Stamped && !file.Stamp(now)))
        return CannotRead(path, SystemErrorText());
    if (before.found == Stamping::Stamped && SameFileVersion(before.stamp, now)) {
        ReportError("Файл выгрузки [%s] не записан этой выгрузкой: это прежний файл от %s", path.c_str(),
                    LocalDate(before.stamp.writeTime).c_str());
        return false;
    }
    if (size == 0) {
        ReportError("Файл выгрузки [%s] пуст", path.c_str());
        return false;
    }
    return Settings.VerifyUnload == 0 || Verify(file, size, path, timeUp);
}
