#include "settings/help.h"

// Filled in with the help texts.
void ShowHelp() {}
void ShowHelpHint() {}
