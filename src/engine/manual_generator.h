// The manual generator's commands without their window: creating the next hand-made pedestrian,
// and saving and loading the list of hand-made pedestrians. The panel shows `lblPedNumber` and the
// messages; the settings hold its texts and picked positions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "measure/ped_data_file.h"

namespace strida {

class Engine;

class ManualGenerator {
  public:
    explicit ManualGenerator(Engine& engine) : engine_(engine) {}

    std::vector<PedRecord> ManualPedList;
    std::int16_t ManualPedCount = 0;
    std::string lblPedNumber = "Pedestrian Number:";

    // "Create &This Pedestrian": creates a pedestrian from the picked positions and the velocity,
    // speed and acceleration texts. An unreadable text is refused with a message naming its box,
    // and nothing changes. Returns whether a pedestrian was created.
    bool cmdCreatePed_Click();
    // "&Save Pedestrians": writes the list to the default data file in the program's folder.
    bool cmdSavePedestrians_Click();
    // "&Load Pedestrians", once the file to read is known: reads it and creates every pedestrian in
    // it. Returns whether the whole file was loaded.
    bool loadPedestrians(const std::filesystem::path& file);

    // The default data file in the program's folder.
    std::filesystem::path defaultFile() const;

  private:
    Engine& engine_;
};

}  // namespace strida
