#pragma once
// The run proper: from the complete settings to the exit code 0, 1 or 2.

#include <string>

int RunConfiguratorJob();

bool IsExistingDirectory(const std::string& path);
