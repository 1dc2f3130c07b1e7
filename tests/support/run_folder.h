#pragma once
// A fresh folder for one run of cfgload against the stand-in configurator: the infobase
// (base, with its 1cv7.md), the configuration to load (new.md; the two differ), and the
// places of the settings file, the unload and the stand-in's scenario and journal.

#include <string>
#include <utility>
#include <vector>

namespace support {

using Names = std::vector<std::pair<std::string, std::string>>;

// Every {name} of the list replaced by its value.
std::string Substitute(std::string text, const Names& names);

class RunFolder {
public:
    static const char* const OriginalMd;     // the infobase's 1cv7.md
    static const char* const NewMdContents;  // new.md

    // Creates <temporary folder>\<name> afresh, the infobase and both configurations in it.
    bool Create(const std::string& name);

    std::string Work() const { return work_; }
    std::string Base() const { return work_ + "\\base"; }
    std::string NewMd() const { return work_ + "\\new.md"; }
    std::string UnloadFile() const { return work_ + "\\unload.zip"; }
    std::string SettingsFile() const { return work_ + "\\cfgload.ini"; }
    std::string ScenarioFile() const { return Base() + "\\standin.scenario"; }
    std::string JournalFile() const { return Base() + "\\standin.journal"; }
    std::string InfobaseMd() const { return Base() + "\\1cv7.md"; }

    // {work} {base} {new_md} {unload} {settings} and {standin}, the stand-in's path.
    Names PlaceNames(const std::string& standin) const;

private:
    std::string work_;
};

}  // namespace support
