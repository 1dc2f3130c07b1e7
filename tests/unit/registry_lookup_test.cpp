// The configurator's path from the registry, and the settings that replace it.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/registry_key.h"
#include "settings/registry_lookup.h"
#include "settings/run_settings.h"
#include "tests/unit/settings_entry.h"

namespace {

const char VersionsPath[] = "SOFTWARE\\1C\\1Cv7\\7.7";

// This process's HKEY_LOCAL_MACHINE redirected to a fresh key of its own, so that a test
// neither sees the machine's entries nor disturbs other programs reading them meanwhile.
class PrivateMachineKey {
public:
    PrivateMachineKey() {
        static int count = 0;
        path_ = "Software\\cfgload tests\\machine " + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++count);
        HKEY root = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                            nullptr) == ERROR_SUCCESS)
            root_.reset(root);
        overridden_ = root_ && RegOverridePredefKey(HKEY_LOCAL_MACHINE, root_.get()) == ERROR_SUCCESS;
    }
    ~PrivateMachineKey() {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        root_.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\cfgload tests");  // only when empty
    }
    bool ready() const { return overridden_; }

private:
    std::string path_;
    unique_hkey root_;
    bool overridden_ = false;
};

// Creates a key of HKEY_LOCAL_MACHINE (all missing levels) in the 32-bit view, as the
// configurator's installer does.
unique_hkey OpenMachineKey(const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return {};
    return unique_hkey(key);
}

bool CreateMachineKey(const std::string& path, REGSAM view = KEY_WOW64_32KEY) {
    return static_cast<bool>(OpenMachineKey(path, view));
}

bool SetMachineValue(const std::string& path, const char* name, DWORD type, const std::string& data,
                     REGSAM view = KEY_WOW64_32KEY) {
    unique_hkey key = OpenMachineKey(path, view);
    return key && RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

// A plain string value as programs usually store it: with its closing zero.
bool SetPath(const std::string& version, const std::string& path) {
    return SetMachineValue(std::string(VersionsPath) + "\\" + version, "1CPath", REG_SZ,
                           path + std::string(1, '\0'));
}

// The subkeys of "7.7" in the order in which the registry enumerates them.
std::vector<std::string> EnumeratedVersions() {
    std::vector<std::string> names;
    RegistryKey versions(HKEY_LOCAL_MACHINE, VersionsPath);
    char name[256];
    for (DWORD index = 0; versions.Handle(); ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(versions.Handle(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

std::string FoundPath() {
    Settings.Path1CExe.clear();
    FindConfiguratorPath();
    return Settings.Path1CExe;
}

class RegistryLookup : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(machine.ready()); }
    PrivateMachineKey machine;
};

TEST_F(RegistryLookup, NothingInstalled) {
    EXPECT_EQ(FoundPath(), "");
}

TEST_F(RegistryLookup, AnyMissingLevelFindsNothing) {
    // The value exists, but under a path that differs from the expected one at one level.
    for (const char* path : {"SOFTWARE\\1C\\1Cv7\\7.8\\Main", "SOFTWARE\\1C\\1Cv8\\7.7\\Main",
                             "SOFTWARE\\1S\\1Cv7\\7.7\\Main", "SOFTWARE2\\1C\\1Cv7\\7.7\\Main"}) {
        ASSERT_TRUE(SetMachineValue(path, "1CPath", REG_SZ, std::string("C:\\1C\\1cv7.exe\0", 15)));
        EXPECT_EQ(FoundPath(), "") << path;
    }
    ASSERT_TRUE(CreateMachineKey("SOFTWARE\\1C\\1Cv7"));
    EXPECT_EQ(FoundPath(), "");
}

TEST_F(RegistryLookup, SingleVersionGivesItsPath) {
    ASSERT_TRUE(SetPath("Main", "C:\\Program Files\\1Cv77\\BIN\\1cv7.exe"));
    EXPECT_EQ(FoundPath(), "C:\\Program Files\\1Cv77\\BIN\\1cv7.exe");
}

TEST_F(RegistryLookup, CyrillicPathComesUnchanged) {
    ASSERT_TRUE(SetPath("Основная", "D:\\Программы\\1С Предприятие\\BIN\\1cv7s.exe"));
    EXPECT_EQ(FoundPath(), "D:\\Программы\\1С Предприятие\\BIN\\1cv7s.exe");
}

TEST_F(RegistryLookup, FirstVersionWithoutTheValueIsPassedOver) {
    ASSERT_TRUE(SetPath("Version B", "C:\\B\\1cv7.exe"));
    ASSERT_TRUE(SetMachineValue(std::string(VersionsPath) + "\\Version A", "Path", REG_SZ,
                                std::string("C:\\A\\1cv7.exe\0", 14)));
    ASSERT_EQ(EnumeratedVersions(), (std::vector<std::string>{"Version A", "Version B"}));
    EXPECT_EQ(FoundPath(), "C:\\B\\1cv7.exe");
}

TEST_F(RegistryLookup, ExpandableStringIsNotAccepted) {
    ASSERT_TRUE(SetPath("Version B", "C:\\B\\1cv7.exe"));
    ASSERT_TRUE(SetMachineValue(std::string(VersionsPath) + "\\Version A", "1CPath", REG_EXPAND_SZ,
                                std::string("%ProgramFiles%\\1cv7.exe\0", 24)));
    ASSERT_EQ(EnumeratedVersions(), (std::vector<std::string>{"Version A", "Version B"}));
    EXPECT_EQ(FoundPath(), "C:\\B\\1cv7.exe");
}

TEST_F(RegistryLookup, OtherValueTypesAreNotAccepted) {
    ASSERT_TRUE(SetMachineValue(std::string(VersionsPath) + "\\A", "1CPath", REG_BINARY, "C:\\A.exe"));
    ASSERT_TRUE(SetMachineValue(std::string(VersionsPath) + "\\B", "1CPath", REG_MULTI_SZ,
                                std::string("C:\\B.exe\0\0", 10)));
    ASSERT_TRUE(SetMachineValue(std::string(VersionsPath) + "\\C", "1CPath", REG_DWORD, "1234"));
    EXPECT_EQ(FoundPath(), "");
}

TEST_F(RegistryLookup, FirstEnumeratedOfTwoWins) {
    ASSERT_TRUE(SetPath("Zeta", "C:\\Zeta\\1cv7.exe"));
    ASSERT_TRUE(SetPath("Alpha", "C:\\Alpha\\1cv7.exe"));
    std::vector<std::string> order = EnumeratedVersions();
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(FoundPath(), "C:\\" + order[0] + "\\1cv7.exe");
}

TEST_F(RegistryLookup, EmptyStringInTheFirstVersionStillWins) {
    ASSERT_TRUE(SetMachineValue(std::string(VersionsPath) + "\\A", "1CPath", REG_SZ, std::string(1, '\0')));
    ASSERT_TRUE(SetPath("B", "C:\\B\\1cv7.exe"));
    ASSERT_EQ(EnumeratedVersions(), (std::vector<std::string>{"A", "B"}));
    Settings.Path1CExe = "left over";
    FindConfiguratorPath();
    EXPECT_EQ(Settings.Path1CExe, "");
}

TEST_F(RegistryLookup, VersionsKeyWithoutSubkeysReadsNothing) {
    ASSERT_TRUE(SetMachineValue(VersionsPath, "1CPath", REG_SZ, std::string("C:\\1cv7.exe\0", 12)));
    EXPECT_EQ(FoundPath(), "");
}

TEST_F(RegistryLookup, TextEndsAtItsFirstZeroByte) {
    std::string key = std::string(VersionsPath) + "\\Main";
    ASSERT_TRUE(SetMachineValue(key, "1CPath", REG_SZ, std::string("C:\\1C\\1cv7.exe\0rest\0", 20)));
    EXPECT_EQ(FoundPath(), "C:\\1C\\1cv7.exe");
    // Stored without its closing zero: the text is whole and nothing follows it.
    ASSERT_TRUE(SetMachineValue(key, "1CPath", REG_SZ, "C:\\1C\\1cv7.exe"));
    EXPECT_EQ(FoundPath(), "C:\\1C\\1cv7.exe");
    std::string longPath = "C:\\" + std::string(400, 'x') + "\\1cv7.exe";
    ASSERT_TRUE(SetPath("Main", longPath));
    EXPECT_EQ(FoundPath(), longPath);
}


TEST_F(RegistryLookup, SettingsFileAndCommandLineReplaceTheRegistryValue) {
    ASSERT_TRUE(SetPath("Main", "C:\\Registry\\1cv7.exe"));
    Settings.Path1CExe = "left over";
    ParseAsEntry({});
    EXPECT_EQ(Settings.Path1CExe, "C:\\Registry\\1cv7.exe");

    TempFile ini("Path1CExe=C:\\File\\1cv7.exe\n");
    ParseAsEntry({ini.path});
    EXPECT_EQ(Settings.Path1CExe, "C:\\File\\1cv7.exe");
    ParseAsEntry({ini.path, "/PATH1CEXE", "C:\\Command Line\\1cv7.exe"});
    EXPECT_EQ(Settings.Path1CExe, "C:\\Command Line\\1cv7.exe");
    ParseAsEntry({"/path1cexe", "C:\\Command Line\\1cv7.exe"});
    EXPECT_EQ(Settings.Path1CExe, "C:\\Command Line\\1cv7.exe");
}

TEST_F(RegistryLookup, EveryStartLooksAgain) {
    ParseAsEntry({});
    EXPECT_EQ(Settings.Path1CExe, "");
    ASSERT_TRUE(SetPath("Main", "C:\\Later\\1cv7.exe"));
    ParseAsEntry({});
    EXPECT_EQ(Settings.Path1CExe, "C:\\Later\\1cv7.exe");
}

TEST_F(RegistryLookup, KeyOwnerOpensDescendsAndCloses) {
    ASSERT_TRUE(SetPath("Main", "C:\\1cv7.exe"));
    RegistryKey none(nullptr, "SOFTWARE");
    EXPECT_EQ(none.Handle(), nullptr);
    none.Descend("1C");
    EXPECT_EQ(none.Handle(), nullptr);

    RegistryKey key(HKEY_LOCAL_MACHINE, "SOFTWARE");
    ASSERT_NE(key.Handle(), nullptr);
    key.Descend("1C");
    ASSERT_NE(key.Handle(), nullptr);
    key.Descend("no such key");
    EXPECT_EQ(key.Handle(), nullptr);
    key.Descend("1Cv7");
    EXPECT_EQ(key.Handle(), nullptr) << "a missing level makes every later descent a no-op";

    RegistryKey versions(HKEY_LOCAL_MACHINE, VersionsPath);
    ASSERT_NE(versions.Handle(), nullptr);
    versions.Close();
    EXPECT_EQ(versions.Handle(), nullptr);
    versions.Close();
    EXPECT_EQ(versions.Handle(), nullptr);
}

// Keys of the real HKEY_LOCAL_MACHINE that a test created, removed again in reverse order.
class CreatedMachineKeys {
public:
    ~CreatedMachineKeys() {
        for (auto it = created_.rbegin(); it != created_.rend(); ++it)
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, it->first.c_str(), it->second, 0);
    }
    // Creates every missing level of path in the given view and sets 1CPath on the last.
    LONG Create(const std::string& path, REGSAM view, const std::string& value) {
        std::string levels;
        std::size_t start = 0;
        unique_hkey key;
        while (start <= path.size()) {
            std::size_t end = path.find('\\', start);
            if (end == std::string::npos) end = path.size();
            levels += (levels.empty() ? "" : "\\") + path.substr(start, end - start);
            start = end + 1;
            HKEY level = nullptr;
            DWORD disposition = 0;
            LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, levels.c_str(), 0, nullptr, 0,
                                          KEY_ALL_ACCESS | view, nullptr, &level, &disposition);
            if (result != ERROR_SUCCESS) return result;
            key.reset(level);
            if (disposition == REG_CREATED_NEW_KEY) created_.emplace_back(levels, view);
        }
        return RegSetValueExA(key.get(), "1CPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
    }

private:
    std::vector<std::pair<std::string, REGSAM>> created_;
};

// Without redirection: the installer of the 32-bit configurator writes the 32-bit view of
// the machine's registry, and a 64-bit build must look there, not in its own view.
TEST(RegistryLookupMachine, ReadsTheViewOfThirtyTwoBitPrograms) {
    // A leading blank sorts the test's version before any real one.
    const std::string version = std::string(VersionsPath) + "\\ cfgload test " +
                                std::to_string(GetCurrentProcessId());
    CreatedMachineKeys keys;
    LONG result = keys.Create(version, KEY_WOW64_32KEY, "C:\\32\\1cv7.exe");
    if (result == ERROR_ACCESS_DENIED) GTEST_SKIP() << "no right to write the machine's registry";
    ASSERT_EQ(result, ERROR_SUCCESS);
#ifdef _WIN64
    ASSERT_EQ(keys.Create(version, KEY_WOW64_64KEY, "C:\\64\\1cv7.exe"), ERROR_SUCCESS);
#endif
    EXPECT_EQ(FoundPath(), "C:\\32\\1cv7.exe");
}

}  // namespace
