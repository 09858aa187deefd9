// The Slurm job array of a study: sweep.sbatch, one task per line of runs.tsv. Every value written
// into it is quoted for the reader of its line: the #SBATCH lines for sbatch's own option reader,
// the script's body for the shell. A value neither can hold (a line break) is refused.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace strida::sweep {

struct SlurmOptions {
    std::string partition, time;  ///< empty: the cluster's default
    std::optional<int> array;     ///< at most this many tasks at a time
};

// A word sbatch's reader of #SBATCH lines takes back as this text: as it is when it holds only
// letters, digits and _-+=.,:/@%, else in single quotes, a single
// quote written '\'' and a backslash \\ (that reader takes a backslash as an escape even within
// quotes). The text must hold no line break.
std::string sbatchQuoted(std::string_view text);

// Why these options, or the study folder's path, cannot go into the script; nothing when they can.
std::optional<std::string> slurmRefusal(const SlurmOptions& options,
                                        const std::filesystem::path& study);

// Run ids, in increasing order, as sbatch's --array takes them: consecutive ids as a range, the
// rest apart, "1-3,7,9-12".
std::string arrayIds(const std::vector<int>& ids);

// The script of the job array over `count` runs of the study at the absolute path `study`. A task
// whose run already finished does nothing, so that submitting again resumes the study.
std::string sbatchScript(const std::filesystem::path& study, int count,
                         const SlurmOptions& options);

}  // namespace strida::sweep
