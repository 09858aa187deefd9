// Fuzz target: the pedestrian data-file reader on any bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "measure/ped_data_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                              ("strida-fuzz-" + std::to_string(getpid()) + ".sdx");
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::vector<strida::PedRecord> list(3);
    const std::vector<strida::PedRecord> before = list;
    const strida::PedFileRead read = strida::readPedFile(file, list);
    if (read.error) {
        // A refused file leaves the list as it was.
        for (std::size_t i = 0; i < before.size(); ++i)
            if (list.size() != before.size() || list[i].fields != before[i].fields) std::abort();
    } else if (static_cast<std::size_t>(read.count) != list.size()) {
        std::abort();
    }
    return 0;
}
