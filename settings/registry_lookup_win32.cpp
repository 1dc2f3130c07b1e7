#include "settings/registry_lookup.h"

// Filled in with the registry search.
void FindConfiguratorPath() {}
