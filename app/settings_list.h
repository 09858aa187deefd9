// strida-batch --list-settings.
#pragma once

namespace strida::batch {

// One line per setting on standard output: name, default, unit, meaning, separated by tabs.
void listSettings();
// The same list as the Markdown page docs/settings.md, one table per window.
void listSettingsAsMarkdown();

}  // namespace strida::batch
