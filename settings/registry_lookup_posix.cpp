#include "settings/registry_lookup.h"

// The native build has no registry: nothing is ever found.
void FindConfiguratorPath() {}
