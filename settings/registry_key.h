#pragma once
// One open registry key, read-only, closed by its owner.

#include <windows.h>

#include "common/win_handles.h"

// The configurator is a 32-bit program and its installer writes the 32-bit view of the
// registry: a 64-bit build must read that view too (the flag changes nothing for a 32-bit
// build).
constexpr REGSAM RegistryReadAccess = KEY_READ | KEY_WOW64_32KEY;

class RegistryKey {
public:
    RegistryKey() = default;

    // Opens subkey of parent; holds nothing when parent is null or the key cannot be opened.
    RegistryKey(HKEY parent, const char* subkey) { key_.reset(OpenKey(parent, subkey)); }

    // Opens the named subkey of the key held now and holds it instead; holds nothing when
    // nothing was held or the subkey cannot be opened, so a missing level makes every later
    // descent a no-op.
    void Descend(const char* subkey) { key_.reset(OpenKey(key_.get(), subkey)); }

    void Close() { key_.reset(); }

    // The held key, or null.
    HKEY Handle() const { return key_.get(); }

private:
    static HKEY OpenKey(HKEY parent, const char* subkey) {
        HKEY key = nullptr;
        if (!parent || RegOpenKeyExA(parent, subkey, 0, RegistryReadAccess, &key) != ERROR_SUCCESS)
            return nullptr;
        return key;
    }

    unique_hkey key_;
};
