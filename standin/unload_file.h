#pragma once
// The unload file as the scenario has it made: the archive (unload_zip.h), or with
// unload_stale=1 a file already at the name left as it was; with unload_hold=1 the file is
// then held open without sharing for as long as this owner lives (the stand-in keeps it
// until its success box is answered, as a configurator still closing its file would).

#include <windows.h>

#include <string>

class UnloadFile {
public:
    UnloadFile(const std::string& baseDir, const std::string& target);
    ~UnloadFile();
    UnloadFile(const UnloadFile&) = delete;
    UnloadFile& operator=(const UnloadFile&) = delete;

    // What the file holds, for the journal; empty when it could not be written.
    const std::string& What() const { return what_; }

private:
    std::string what_;
    HANDLE held_ = INVALID_HANDLE_VALUE;
};
