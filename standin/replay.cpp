#include "standin/replay.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// The log is UTF-8 (with a byte-order mark); the stand-in's texts are Windows-1251.
std::string Windows1251FromUtf8(const std::string& bytes) {
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (bytes.size() <= start) return {};
    const char* from = bytes.data() + start;
    int length = static_cast<int>(bytes.size() - start);
    int characters = MultiByteToWideChar(CP_UTF8, 0, from, length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(characters > 0 ? characters : 0), L'\0');
    if (characters > 0) MultiByteToWideChar(CP_UTF8, 0, from, length, wide.data(), characters);
    int size = WideCharToMultiByte(1251, 0, wide.data(), characters, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(1251, 0, wide.data(), characters, text.data(), size, nullptr, nullptr);
    return text;
}

// `word key=value key="quoted \"text\""` after the line's first word.
Fields ParseFields(const std::string& line, size_t at) {
    Fields fields;
    while (at < line.size()) {
        while (at < line.size() && line[at] == ' ') ++at;
        size_t end = at;
        while (end < line.size() && line[end] != ' ' && line[end] != '=') ++end;
        if (end == at) break;
        std::string key = line.substr(at, end - at), value;
        at = end;
        if (at < line.size() && line[at] == '=') {
            ++at;
            if (at < line.size() && line[at] == '"') {
                for (++at; at < line.size() && line[at] != '"'; ++at) {
                    char c = line[at];
                    if (c == '\\' && at + 1 < line.size()) {
                        char next = line[++at];
                        if (next == 'n') c = '\n';
                        else if (next == 'r') c = '\r';
                        else if (next == 't') c = '\t';
                        else if (next == 'x' && at + 2 < line.size()) {
                            c = static_cast<char>(std::strtol(line.substr(at + 1, 2).c_str(), nullptr, 16));
                            at += 2;
                        } else c = next;
                    }
                    value += c;
                }
                ++at;
            } else {
                size_t stop = line.find(' ', at);
                if (stop == std::string::npos) stop = line.size();
                value = line.substr(at, stop - at);
                at = stop;
            }
        }
        fields.emplace_back(key, value);
    }
    return fields;
}

const std::string* FieldOf(const Fields& fields, const char* key) {
    for (const auto& field : fields)
        if (field.first == key) return &field.second;
    return nullptr;
}

std::string Text(const Fields& fields, const char* key) {
    const std::string* value = FieldOf(fields, key);
    return value ? *value : std::string();
}

long Number(const Fields& fields, const char* key) { return std::strtol(Text(fields, key).c_str(), nullptr, 0); }

// "a,b,c,d" or "WxH" into numbers.
std::vector<long> Numbers(const std::string& text) {
    std::vector<long> numbers;
    const char* at = text.c_str();
    while (*at) {
        char* end = nullptr;
        numbers.push_back(std::strtol(at, &end, 10));
        if (end == at) break;
        at = *end ? end + 1 : end;
    }
    return numbers;
}

// The line's indentation and its first word.
size_t Indent(const std::string& line) { return line.find_first_not_of(' '); }
bool StartsWith(const std::string& line, size_t at, const char* word) {
    return at != std::string::npos && line.compare(at, std::strlen(word), word) == 0;
}

void AddControl(const Fields& fields, DialogSpec& spec) {
    RecordedControl control;
    control.className = Text(fields, "class");
    control.id = static_cast<int>(Number(fields, "id"));
    control.style = static_cast<DWORD>(std::strtoul(Text(fields, "style").c_str(), nullptr, 16));
    std::vector<long> place = Numbers(Text(fields, "place"));
    if (place.size() == 4) control.place = {place[0], place[1], place[0] + place[2], place[1] + place[3]};
    control.text = Text(fields, "text");
    for (const auto& field : fields)
        if (field.first == "item") control.items.push_back(field.second);
    if (lstrcmpiA(control.className.c_str(), "ComboBox") == 0 && FieldOf(fields, "text")) {
        control.items = {control.text};
        control.selected = Number(fields, "selection") >= 0;
    }
    LONG type = static_cast<LONG>(control.style) & BS_TYPEMASK;
    if (lstrcmpiA(control.className.c_str(), "Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
        spec.buttons.push_back({control.id, control.text});
        if (FieldOf(fields, "default")) spec.defaultId = control.id;
    }
    if (lstrcmpiA(control.className.c_str(), "Static") == 0 && static_cast<WORD>(control.id) == MessageTextId)
        spec.message = control.text;
    spec.recorded.push_back(control);
}

}  // namespace

std::string LoadRecordedWindow(const std::string& logPath, DialogSpec& spec) {
    std::ifstream in(logPath, std::ios::binary);
    if (!in) return "cannot read " + logPath;
    const std::string text = Windows1251FromUtf8(std::string(std::istreambuf_iterator<char>(in), {}));

    bool inside = false;
    size_t windowIndent = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t indent = Indent(line);
        if (!inside) {
            if (!StartsWith(line, indent, "window ")) continue;
            Fields fields = ParseFields(line, indent + 7);
            if (!FieldOf(fields, "unknown")) continue;
            inside = true;
            windowIndent = indent;
            spec.title = Text(fields, "title");
            spec.className = Text(fields, "class");
            spec.style = static_cast<DWORD>(std::strtoul(Text(fields, "style").c_str(), nullptr, 16));
            std::vector<long> size = Numbers(Text(fields, "size"));
            if (size.size() == 2) spec.width = static_cast<int>(size[0]), spec.height = static_cast<int>(size[1]);
            continue;
        }
        // The window's own lines follow it, indented; its direct controls one step in.
        if (indent == std::string::npos || indent <= windowIndent) break;
        if (StartsWith(line, indent, "control ") && indent == windowIndent + 2)
            AddControl(ParseFields(line, indent + 8), spec);
    }
    if (!inside) return "no unknown window recorded in " + logPath;
    return {};
}
