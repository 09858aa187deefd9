// The settings list of strida-batch --list-settings: every setting with its default, unit and
// meaning, as tab-separated lines or as the Markdown page docs/settings.md.
#include "settings_list.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "engine/setting_readers.h"
#include "engine/settings.h"
#include "engine/settings_rules.h"

namespace strida::batch {
namespace {

// What --set takes for a setting of this kind.
std::string takes(const SettingInfo& info) {
    using K = SettingInfo::Kind;
    switch (info.kind) {
        case K::Text:
            return "text";
        case K::Option:
            return "1";
        case K::Number:
            return "1 to 1000";
        case K::Position:
            return "a number";
        case K::Choice:
            return choiceWords(info);
        case K::Check:
        case K::MenuCheck:
        case K::Ways:
            break;
    }
    return "0 or 1";
}

void printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

// One line per setting: name, default, unit, meaning, separated by tabs.
}  // namespace

void listSettings() {
    const Settings defaults;
    for (const SettingInfo& info : settingTable())
        printLine(std::string(info.name) + '\t' + settingText(defaults, info) + '\t' +
                  std::string(info.unit) + '\t' + std::string(info.meaning));
}

constexpr std::string_view kSettingsIntro = R"(# Settings

<!-- Written by build/strida-batch --list-settings --markdown; a test fails when it differs. -->

Every setting of Strida by the name that `strida-batch --set NAME=VALUE` takes, with the value
the program starts with, its unit and what it does. The panels edit the same settings; each
heading names the window. `build/strida-batch --list-settings` prints this table as tab-separated
lines, and `build/strida-batch --list-settings --markdown > docs/settings.md` writes this page
anew from the program's own table.

A text setting holds its text as typed and is read as a number when it is used, so a setting
changed during a run counts from its next use. "A run reads" says how: the whole text, which must
be a number, or its leading number (0 when it has none), and the values a run can go on with; a
run is refused before it starts when a setting it reads holds anything else. A check box or menu
check takes 0 or 1; an option button takes 1, which selects it and clears the others of its group.
Setting one value can set others, as the panel does: the meanings say which. Positions are in
metres, with the origin at the trap's bottom-left corner, x along the trap and y across it. A slice
is one time slice, 1/DT seconds. Settings of the pedestrians' behaviour are read when a pedestrian
is created.
)";

// The heading above the first setting of each window.
constexpr std::pair<std::string_view, std::string_view> kSettingsHeadings[] = {
    {"TrapLength", "Trap and time: Input → Calibration"},
    {"PedDiameter", "Pedestrians: Input → Parameters"},
    {"GeneratedAtOnce", "Automatic generator, tab Time: Input → Auto Generator"},
    {"UniformSpaceGenerator", "Automatic generator, tab Space"},
    {"PercentNumOf1stCategory", "Automatic generator, tab Max Speed"},
    {"NumWays", "Automatic generator, tab Ways"},
    {"InitialPx", "Manual generator: Input → Manual Generator"},
    {"ShowInfCircle", "Show options: Run → Options → Show"},
    {"ForceForward", "Forces: Run → Options → Forces"},
    {"ReportInstantPerformance", "Report files: Output → Reporting"},
    {"SimSpeed", "Simulation speed: Run → Simulation Speed"},
    {"ManualGenerator", "Generator mode: the Input menu"},
};

// The same list as a Markdown page, one table per window.
void listSettingsAsMarkdown() {
    std::fwrite(kSettingsIntro.data(), 1, kSettingsIntro.size(), stdout);
    const Settings defaults;
    for (const SettingInfo& info : settingTable()) {
        for (const auto& [first, heading] : kSettingsHeadings)
            if (info.name == first) {
                printLine("\n## " + std::string(heading) + "\n");
                printLine("| Setting | Default | Unit | --set takes | A run reads | Meaning |");
                printLine("|---|---|---|---|---|---|");
            }
        printLine(
            "| `" + std::string(info.name) + "` | `" + settingText(defaults, info) + "` | " +
            std::string(info.unit) + " | " + std::string(takes(info)) + " | " +
            (info.kind == SettingInfo::Kind::Text ? describeReading(readerOf(info.text)) : "-") +
            " | " + std::string(info.meaning) + " |");
    }
}

}  // namespace strida::batch
