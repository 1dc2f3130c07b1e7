#pragma once
// The unload file after the configurator has reported the unload finished: it must be there,
// must have been written by this unload and must not be empty, and with VerifyUnload it must
// read back as a whole archive. The load is never started on a backup that fails this.

#include <functional>
#include <string>

#include "settings/system_services.h"

// The unload file as the configurator resolves the name typed into its unload dialog: a
// relative name from the infobase's folder, its current folder.
std::string UnloadFilePath(const std::string& name, const std::string& basePath);

// The unload file as it was before the configurator was asked to write it. Unknown (also the
// default: not looked at) lets any file pass that is there and not empty.
struct UnloadFileBefore {
    Stamping found = Stamping::Unknown;
    FileStamp stamp;
};

// Looks at the file that Settings.DownloadTo names, before its name is confirmed.
UnloadFileBefore LookAtUnloadFile();

// Checks Settings.DownloadTo; on a failure prints its one error line and returns false. A
// file that was there before must have changed since (else the configurator wrote nothing
// and it is an old backup). With VerifyUnload a whole archive gives one info line of what
// was read. timeUp ends a long verification (the run's time limit). While another process
// holds the file, waitForHolder is called; it may wait, and says whether to try again.
bool UnloadFileInOrder(const std::function<bool()>& timeUp, const UnloadFileBefore& before = {},
                       const std::function<bool()>& waitForHolder = nullptr);
