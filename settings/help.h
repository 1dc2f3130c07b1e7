#pragma once
// The full help text ("/h", "/?") and the short hint, in the console's OEM code page.

void ShowHelp();
void ShowHelpHint();
