#include "settings/registry_lookup.h"

#include <string>

#include "settings/registry_key.h"
#include "settings/run_settings.h"

namespace {

// Stores the subkey's "1CPath" when it is a plain string. Returns false when the subkey
// has no such value, so that the search goes on with the next one.
bool TakeConfiguratorPath(HKEY version) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(version, "1CPath", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    // The size asked without data may be more than the text needs; what counts is what the
    // second query writes, up to the first zero byte (a stored string need not end in one).
    std::string path(size, '\0');
    DWORD written = size;
    if (RegQueryValueExA(version, "1CPath", nullptr, &type, reinterpret_cast<BYTE*>(path.data()),
                         &written) == ERROR_SUCCESS &&
        type == REG_SZ) {
        path.resize(written < size ? written : size);
        path.resize(path.find('\0') == std::string::npos ? path.size() : path.find('\0'));
        Settings.Path1CExe = path;
    }
    return true;
}

}  // namespace

void FindConfiguratorPath() {
    RegistryKey versions(HKEY_LOCAL_MACHINE, "SOFTWARE");
    versions.Descend("1C");
    versions.Descend("1Cv7");
    versions.Descend("7.7");
    if (!versions.Handle()) return;

    DWORD subkeys = 0, longestName = 0;
    if (RegQueryInfoKeyA(versions.Handle(), nullptr, nullptr, nullptr, &subkeys, &longestName,
                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    // The longest name is counted in characters; a multibyte code page may need two bytes
    // for one of them.
    std::string name(2 * static_cast<std::size_t>(longestName) + 1, '\0');

    // The first subkey, in the registry's own order, with a string "1CPath" wins.
    for (DWORD index = 0; index < subkeys; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(versions.Handle(), index, name.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            continue;
        RegistryKey version(versions.Handle(), name.c_str());
        if (version.Handle() && TakeConfiguratorPath(version.Handle())) return;
    }
}
