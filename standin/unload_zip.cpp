#include "standin/unload_zip.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}
void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
void Set32(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

std::string Deflated(const std::string& data) {
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

struct File {
    std::string name, data;
};

// The folder's files, 1cv7.md first, without the stand-in's own and the unload itself.
std::vector<File> InfobaseFiles(const std::string& folder, const std::string& target) {
    std::vector<File> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        const std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (name.rfind("standin.", 0) == 0 || lstrcmpiA((folder + name).c_str(), target.c_str()) == 0) continue;
        std::ifstream in(folder + name, std::ios::binary);
        files.push_back({name, std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::stable_partition(files.begin(), files.end(), [](const File& f) { return lstrcmpiA(f.name.c_str(), "1cv7.md") == 0; });
    return files;
}

}  // namespace

std::string WriteUnloadArchive(const std::string& baseDir, const std::string& target, const std::string& fault) {
    const std::string folder = baseDir + (baseDir.empty() || baseDir.back() == '\\' ? "" : "\\");
    const std::vector<File> files = InfobaseFiles(folder, target);
    std::string archive, directory;
    std::size_t firstData = 0, firstPacked = 0;
    for (const File& file : files) {
        const std::uint32_t crc = crc32(0L, reinterpret_cast<const Bytef*>(file.data.data()), static_cast<uInt>(file.data.size()));
        const std::string packed = Deflated(file.data);
        const std::uint32_t local = static_cast<std::uint32_t>(archive.size());
        std::string common;  // version needed .. name length, as both headers have it
        Put16(common, 20); Put16(common, 0); Put16(common, 8); Put16(common, 0); Put16(common, 0x21);
        Put32(common, crc); Put32(common, static_cast<std::uint32_t>(packed.size()));
        Put32(common, static_cast<std::uint32_t>(file.data.size())); Put16(common, static_cast<unsigned>(file.name.size()));
        Put32(archive, 0x04034b50);
        archive += common;
        Put16(archive, 0);
        archive += file.name;
        if (local == 0) firstData = archive.size(), firstPacked = packed.size();
        archive += packed;
        Put32(directory, 0x02014b50);
        Put16(directory, 20);
        directory += common;
        Put16(directory, 0); Put16(directory, 0); Put16(directory, 0); Put16(directory, 0); Put32(directory, 0);
        Put32(directory, local);
        directory += file.name;
    }
    const std::size_t directoryAt = archive.size();
    archive += directory;
    Put32(archive, 0x06054b50); Put16(archive, 0); Put16(archive, 0);
    Put16(archive, static_cast<unsigned>(files.size())); Put16(archive, static_cast<unsigned>(files.size()));
    Put32(archive, static_cast<std::uint32_t>(directory.size())); Put32(archive, static_cast<std::uint32_t>(directoryAt));
    Put16(archive, 0);

    std::string what = "archive, " + std::to_string(files.size()) + " entries, " + std::to_string(archive.size()) + " bytes";
    if (fault == "no_file") {
        DeleteFileA(target.c_str());
        return "no file";
    }
    if (fault == "empty") archive.clear(), what = "empty file";
    if (fault == "no_entries") archive = std::string("PK\x05\x06", 4) + std::string(18, '\0'), what = "archive without entries";
    if (fault == "truncated") archive.resize(archive.size() / 2), what += ", cut to " + std::to_string(archive.size());
    if (fault == "flipped" && firstPacked > 0) {
        archive[firstData + firstPacked / 2] ^= 0x10;
        what += ", byte " + std::to_string(firstData + firstPacked / 2) + " flipped";
    }
    if (fault == "lying_size" && !files.empty()) {
        // The first entry's size one more, in its local header and in the directory alike.
        const std::uint32_t size = static_cast<std::uint32_t>(files[0].data.size()) + 1;
        Set32(archive, 22, size);
        Set32(archive, directoryAt + 24, size);
        what += ", size of " + files[0].name + " given as " + std::to_string(size);
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out << archive;
    out.flush();
    return out ? what : std::string();
}
