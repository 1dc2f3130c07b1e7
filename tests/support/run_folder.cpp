#include "tests/support/run_folder.h"

#include <windows.h>

#include "tests/support/files.h"

namespace support {

std::string Substitute(std::string text, const Names& names) {
    for (const auto& [name, value] : names)
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size()))
            text.replace(at, name.size(), value);
    return text;
}

const char* const RunFolder::OriginalMd = "STANDIN CONFIGURATION 1\r\n";
const char* const RunFolder::NewMdContents = "STANDIN CONFIGURATION 2\r\n";

bool RunFolder::Create(const std::string& name) {
    work_ = TempRoot() + "\\" + name;
    RemoveTree(work_);
    return CreateDirectoryA(work_.c_str(), nullptr) && CreateDirectoryA(Base().c_str(), nullptr) &&
           WriteWholeFile(InfobaseMd(), OriginalMd) && WriteWholeFile(NewMd(), NewMdContents);
}

Names RunFolder::PlaceNames(const std::string& standin) const {
    return {{"{work}", Work()},         {"{base}", Base()},
            {"{new_md}", NewMd()},      {"{unload}", UnloadFile()},
            {"{settings}", SettingsFile()}, {"{standin}", standin}};
}

}  // namespace support
