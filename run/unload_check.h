#pragma once
// The unload file after the configurator has reported the unload finished: it must be there
// and not empty, and with VerifyUnload it must read back as a whole archive. The load is
// never started on a backup that fails this.

#include <functional>
#include <string>

// The unload file as the configurator resolves the name typed into its unload dialog: a
// relative name from the infobase's folder, its current folder.
std::string UnloadFilePath(const std::string& name, const std::string& basePath);

// Checks Settings.DownloadTo; on a failure prints its one error line and returns false. With
// VerifyUnload a whole archive gives one info line of what was read. timeUp ends a long
// verification (the run's time limit).
bool UnloadFileInOrder(const std::function<bool()>& timeUp);
