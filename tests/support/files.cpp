#include "tests/support/files.h"

#include <zlib.h>

#include <windows.h>

#include "common/win_handles.h"

namespace support {

std::string ReadWholeFile(const std::string& path) {
    unique_handle file = OwnFileHandle(CreateFileA(path.c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    unique_handle file = OwnFileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE first = FindFirstFileA((folder + "\\*").c_str(), &found);
    unique_any<HANDLE, &FindClose> search(first == INVALID_HANDLE_VALUE ? nullptr : first);
    for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search.get(), &found)) {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path);
            continue;
        }
        // A read-only file (a test's own, or a copy of it that kept the attribute) goes too.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesA(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        DeleteFileA(path.c_str());
    }
    search.reset();
    RemoveDirectoryA(folder.c_str());
}

std::string TempRoot() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string root = temp;
    if (!root.empty() && root.back() == '\\') root.pop_back();
    return root;
}

}  // namespace support

std::string support::ZipEntry(const std::string& archive, const std::string& name) {
    auto le = [&](std::size_t at, int bytes) {
        unsigned long value = 0;
        for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(archive[at + i]);
        return value;
    };
    for (std::size_t at = archive.find("PK\x03\x04"); at != std::string::npos && at + 30 <= archive.size();
         at = archive.find("PK\x03\x04", at + 4)) {
        const std::size_t nameLength = le(at + 26, 2), data = at + 30 + nameLength + le(at + 28, 2);
        const unsigned long method = le(at + 8, 2), packed = le(at + 18, 4), size = le(at + 22, 4);
        if (archive.compare(at + 30, nameLength, name) != 0 || data + packed > archive.size()) continue;
        if (method == 0) return archive.substr(data, packed);
        std::string out(size, '\0');
        z_stream stream{};
        inflateInit2(&stream, -MAX_WBITS);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(archive.data() + data));
        stream.avail_in = packed;
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = size;
        const int answer = inflate(&stream, Z_FINISH);
        inflateEnd(&stream);
        return answer == Z_STREAM_END && stream.total_out == size ? out : std::string();
    }
    return {};
}
