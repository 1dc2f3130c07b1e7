#include "tests/e2e/secrets.h"

#include <fstream>
#include <iterator>

#include "tests/support/child_process.h"

namespace e2e {

namespace {

// The key cfgload is built with; its coded texts decode only with it.
constexpr int ToolKey = 97;

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string Trim(const std::string& text) {
    std::size_t start = 0, end = text.size();
    while (start < end && IsSpace(text[start])) ++start;
    while (end > start && IsSpace(text[end - 1])) --end;
    return text.substr(start, end - start);
}

std::string LowerCase(std::string text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string ToOem(std::string text) {
    if (!text.empty()) CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
    return text;
}

int Base36Digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

// The password a settings key stands for, decoded when the key is a coded one; false for
// other keys.
bool PasswordOf(const std::string& key, const std::string& value, std::string* password) {
    if (key == "password" || key == "configpassword" || key == "newconfigpassword") {
        *password = value;
        return true;
    }
    if (key == "secpassword" || key == "secconfpassword" || key == "newsecconfpassword") {
        *password = DecodeCodedPassword(value);
        return true;
    }
    return false;
}

// The stand-in's dialogs whose field takes a password: typing one anywhere else shows it.
bool IsPasswordField(const std::string& dialog) {
    return dialog == "login" || dialog == "password" || dialog == "new_password";
}

void Keep(std::vector<std::string>& passwords, const std::string& password) {
    if (password.size() < MinCheckedPasswordLength) return;
    for (const auto& known : passwords)
        if (known == password) return;
    passwords.push_back(password);
}

void Stamp(const std::string& folder, FileStamps& stamps) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Stamp(path, stamps);
            continue;
        }
        ULONGLONG size = (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        ULONGLONG time = (static_cast<ULONGLONG>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                         found.ftLastWriteTime.dwLowDateTime;
        stamps[path] = {size, time};
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

std::string DecodeCodedPassword(const std::string& coded) {
    std::string bytes;
    for (std::size_t at = 0; at < coded.size(); at += 4) {
        std::string group = coded.substr(at, 4);
        std::size_t i = 0;
        while (i < group.size() && IsSpace(group[i])) ++i;
        bool negative = false;
        if (i < group.size() && (group[i] == '+' || group[i] == '-')) negative = group[i++] == '-';
        long value = 0;
        for (; i < group.size() && Base36Digit(group[i]) >= 0; ++i) value = value * 36 + Base36Digit(group[i]);
        unsigned word = static_cast<unsigned>(negative ? -value : value) & 0xFFFFu;
        bytes += static_cast<char>(word & 0xFF);
        bytes += static_cast<char>(word >> 8);
    }
    bytes.resize(bytes.find('\0') == std::string::npos ? bytes.size() : bytes.find('\0'));
    // The shift back: key -K taken into 0..222, advancing on every byte above 32 only.
    int k = ((-ToolKey) % 223 + 223) % 223;
    for (char& c : bytes) {
        unsigned b = static_cast<unsigned char>(c);
        if (b <= 32) continue;
        c = static_cast<char>((b + static_cast<unsigned>(k) + 413) % 223 + 33);
        k = (446 - 2 * k) % 223;
    }
    return bytes;
}

std::vector<std::string> PasswordsGiven(const std::vector<std::string>& settingsLines,
                                        const std::vector<std::string>& arguments) {
    std::vector<std::string> passwords;
    std::string password;
    for (std::string line : settingsLines) {
        line = line.substr(0, line.find('\0'));
        if (!line.empty() && line[0] == ';') continue;
        line = line.substr(0, line.find(';'));
        std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        if (PasswordOf(LowerCase(Trim(line.substr(0, equals))), Trim(line.substr(equals + 1)), &password))
            Keep(passwords, password);
    }
    std::string key;
    bool afterOption = false;
    for (const auto& argument : arguments) {
        if (!argument.empty() && argument[0] == '/') {
            key = LowerCase(argument.substr(1));
            afterOption = true;
            continue;
        }
        if (afterOption && PasswordOf(key, argument, &password)) Keep(passwords, password);
        afterOption = false;
    }
    return passwords;
}

FileStamps StampFiles(const std::string& folder) {
    FileStamps stamps;
    Stamp(folder, stamps);
    return stamps;
}

std::vector<std::string> FilesWritten(const FileStamps& before, const FileStamps& after) {
    std::vector<std::string> written;
    for (const auto& [path, stamp] : after) {
        auto earlier = before.find(path);
        if (earlier == before.end() || earlier->second != stamp) written.push_back(path);
    }
    return written;
}

::testing::AssertionResult NoPasswordShown(const std::vector<std::string>& passwords, const RunResult& run,
                                           const std::vector<std::string>& writtenFiles) {
    const std::string decoded = OemToAnsi(run.output);
    for (std::size_t n = 0; n < passwords.size(); ++n) {
        const std::string& secret = passwords[n];
        const std::string which = "password " + std::to_string(n + 1) + " of the run (\"" + Printable(secret) + "\")";
        if (run.output.find(secret) != std::string::npos || run.output.find(ToOem(secret)) != std::string::npos ||
            decoded.find(secret) != std::string::npos)
            return ::testing::AssertionFailure() << which << " appears in cfgload's console output";
        for (const auto& event : run.journal) {
            if (event.kind == "typed" && IsPasswordField(event.name)) continue;  // where it belongs
            if (event.text.find(secret) != std::string::npos)
                return ::testing::AssertionFailure() << which << " appears in the stand-in's journal: \""
                                                     << Printable(event.Line()) << "\"";
        }
        for (const auto& path : writtenFiles) {
            std::ifstream in(path, std::ios::binary);
            std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (contents.find(secret) != std::string::npos || contents.find(ToOem(secret)) != std::string::npos ||
                contents.find(Recoded(secret, 1251, CP_UTF8)) != std::string::npos)
                return ::testing::AssertionFailure() << which << " appears in a file written during the run: "
                                                     << Printable(path);
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace e2e
