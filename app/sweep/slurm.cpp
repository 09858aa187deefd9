#include "sweep/slurm.h"

#include "core/error.h"
#include "sweep/design.h"

namespace strida::sweep {
namespace {

bool holdsControl(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// The log file pattern: Slurm replaces %A and %a; a % of the path itself is written %%.
std::string logPattern(const std::filesystem::path& study) {
    std::string pattern;
    for (char c : (study / "logs").string())
        pattern += c == '%' ? std::string("%%") : std::string(1, c);
    return pattern + "/slurm-%A_%a.out";
}

}  // namespace

std::string sbatchQuoted(std::string_view text) {
    if (isPlainWord(text)) return std::string(text);
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out + "'";
}

std::optional<std::string> slurmRefusal(const SlurmOptions& options,
                                        const std::filesystem::path& study) {
    for (const auto& [option, value] :
         {std::pair<const char*, const std::string*>{"--partition", &options.partition},
          {"--time", &options.time}})
        if (holdsControl(*value))
            return std::string(option) + " " + quoteText(*value) +
                   " holds a line break or another control character; a Slurm script cannot "
                   "hold it";
    const std::string path = study.string();
    if (holdsControl(path))
        return "the study folder's path " + quoteText(path) +
               " holds a line break or another control character; a Slurm script cannot hold it";
    // Slurm writes a log file named with a backslash literally, %A and %a included: every task
    // of the array would write the same file.
    if (path.find('\\') != std::string::npos)
        return "the study folder's path " + quoteText(path) +
               " holds a backslash, which keeps Slurm from naming each task's log file";
    return std::nullopt;
}

std::string arrayIds(const std::vector<int>& ids) {
    std::string list;
    for (std::size_t k = 0; k < ids.size();) {
        std::size_t last = k;
        while (last + 1 < ids.size() && ids[last + 1] == ids[last] + 1) ++last;
        list += (list.empty() ? "" : ",") + std::to_string(ids[k]);
        if (last > k) list += "-" + std::to_string(ids[last]);
        k = last + 1;
    }
    return list;
}

std::string sbatchScript(const std::filesystem::path& study, int count,
                         const SlurmOptions& options) {
    std::string s = "#!/bin/sh\n#SBATCH --job-name=strida-sweep\n#SBATCH --array=1-" +
                    std::to_string(count) +
                    (options.array ? "%" + std::to_string(*options.array) : "") +
                    "\n#SBATCH --output=" + sbatchQuoted(logPattern(study)) + "\n";
    if (!options.partition.empty())
        s += "#SBATCH --partition=" + sbatchQuoted(options.partition) + "\n";
    if (!options.time.empty()) s += "#SBATCH --time=" + sbatchQuoted(options.time) + "\n";
    // The task starts wherever sbatch was called from; the study folder is named here whole.
    return s + "cd -- " + shellQuoted(study.string()) +
           " || exit 2\n"
           "if [ \"$(cat \"runs/$SLURM_ARRAY_TASK_ID/status\" 2>/dev/null)\" = 0 ]; then exit 0; "
           "fi\nexec sh run-one.sh \"$SLURM_ARRAY_TASK_ID\"\n";
}

}  // namespace strida::sweep
