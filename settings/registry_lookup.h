#pragma once
// Finds the installed configurator in the registry and stores its path in Path1CExe.
// Every failure is silent.

void FindConfiguratorPath();
