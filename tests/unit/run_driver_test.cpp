// The run driver's file helpers: directories, the search for the file to load, file identity;
// and the owner of the started configurator's handles.
#include <windows.h>

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "common/win_handles.h"
#include "run/run_driver.h"

namespace {

std::string TempFolder(const char* prefix) {
    char dir[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, prefix, 0, file);
    DeleteFileA(file);
    CreateDirectoryA(file, nullptr);
    return file;
}

void PutFile(const std::string& path, const std::string& text) {
    unique_handle file = OwnFileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << path;
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

unique_handle OpenRead(const std::string& path) {
    return OwnFileHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

TEST(RunDriverFiles, ExistingDirectory) {
    std::string dir = TempFolder("rdd");
    PutFile(dir + "\\a.md", "x");
    EXPECT_TRUE(IsExistingDirectory(dir));
    EXPECT_TRUE(IsExistingDirectory(dir + "\\"));
    EXPECT_FALSE(IsExistingDirectory(dir + "\\a.md"));
    EXPECT_FALSE(IsExistingDirectory(dir + "\\missing"));
    EXPECT_FALSE(IsExistingDirectory(""));
}

TEST(RunDriverFiles, SearchFindsRelativeNameInCurrentDirectory) {
    std::string dir = TempFolder("rds");
    PutFile(dir + "\\found_here.md", "x");
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(dir.c_str());
    std::string found = SearchFullPath("found_here.md");
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(found, dir + "\\found_here.md");
    EXPECT_EQ(SearchFullPath("no_such_file_anywhere.md"), "");
}

// A full path longer than 260 characters is asked for again with the size the system
// needs, never cut short.
TEST(RunDriverFiles, SearchReturnsPathLongerThanMaxPath) {
    // Wine 8's SearchPathA fails with error 206 for any result longer than MAX_PATH
    // instead of answering the size it needs; Windows answers the size.
    if (UnderWine()) GTEST_SKIP() << "Wine's SearchPathA refuses results longer than MAX_PATH";
    // Built through the wide functions with the "\\?\" prefix, which have no length limit.
    std::string dir = TempFolder("rdl");
    std::string deep = dir;
    while (deep.size() < 300) {
        deep += "\\" + std::string(40, 'd');
        std::wstring wide = L"\\\\?\\" + std::wstring(deep.begin(), deep.end());
        ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr)) << deep;
    }
    std::string expected = deep + "\\deep_config.md";
    ASSERT_GT(expected.size(), 260u);
    std::wstring wide = L"\\\\?\\" + std::wstring(expected.begin(), expected.end());
    ASSERT_TRUE(OwnFileHandle(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));

    char savedPath[32768];
    DWORD savedLength = GetEnvironmentVariableA("PATH", savedPath, sizeof savedPath);
    std::string path = deep + ";" + std::string(savedPath, savedLength);
    SetEnvironmentVariableA("PATH", path.c_str());
    std::string found = SearchFullPath("deep_config.md");
    SetEnvironmentVariableA("PATH", std::string(savedPath, savedLength).c_str());
    EXPECT_EQ(found, expected);
}

TEST(RunDriverFiles, IdentityOfTheSameFileUnderTwoNames) {
    std::string dir = TempFolder("rdi");
    PutFile(dir + "\\1cv7.md", "x");
    PutFile(dir + "\\other.md", "x");
    unique_handle a = OpenRead(dir + "\\1cv7.md");
    unique_handle b = OpenRead(dir + "\\.\\1CV7.MD");
    unique_handle c = OpenRead(dir + "\\other.md");
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(CompareFileIdentity(a.get(), b.get()), FileRelation::Same);
    EXPECT_EQ(CompareFileIdentity(a.get(), c.get()), FileRelation::Different);
    EXPECT_EQ(CompareFileIdentity(a.get(), nullptr), FileRelation::Unknown);
}

// The started configurator's owner closes both of its handles, once, in whichever owner
// holds them last.
TEST(RunDriverFiles, ProcessOwnerClosesBothHandles) {
    auto duplicate = [](HANDLE source) {
        HANDLE copy = nullptr;
        DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
        return copy;
    };
    auto open = [](HANDLE handle) {
        DWORD flags = 0;
        return GetHandleInformation(handle, &flags) != 0;
    };
    PROCESS_INFORMATION started{duplicate(GetCurrentProcess()), duplicate(GetCurrentThread()), GetCurrentProcessId(),
                                GetCurrentThreadId()};
    ASSERT_TRUE(open(started.hProcess) && open(started.hThread));
    {
        unique_process_information first;
        first.reset(started);
        unique_process_information last(std::move(first));
        EXPECT_EQ(first.hProcess, nullptr);
        EXPECT_EQ(last.dwProcessId, GetCurrentProcessId());
        EXPECT_TRUE(open(started.hProcess) && open(started.hThread));
    }
    EXPECT_FALSE(open(started.hProcess));
    EXPECT_FALSE(open(started.hThread));
}

}  // namespace
