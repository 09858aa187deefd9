// The manual generator's commands without their window: creating the next hand-made pedestrian,
// and saving and loading the list of hand-made pedestrians. The settings hold the panel's texts
// and picked positions; messages go through the host.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/settings.h"
#include "measure/ped_data_file.h"

namespace strida {

class Engine;

class ManualGenerator {
  public:
    explicit ManualGenerator(Engine& engine) : engine_(engine) {}

    /// The hand-made pedestrians of this program run, made or loaded, in order.
    const std::vector<PedRecord>& ManualPedList() const { return list_; }
    std::int16_t ManualPedCount() const { return count_; }
    /// The number of the pedestrian made last (0 before any).
    std::int16_t lastCreated() const { return lastCreated_; }

    // Creates a pedestrian from the picked positions and the velocity, speed and acceleration
    // texts. An unreadable text is refused with a message naming its box, and nothing changes.
    // Returns whether a pedestrian was created.
    bool createPedestrian();
    // Writes the list to the default data file in the program's folder.
    bool savePedestrians();
    // Reads the file and creates every pedestrian in it. Returns whether the whole file was
    // loaded.
    bool loadPedestrians(const std::filesystem::path& file);
    // Creates every pedestrian of these records, as loading a file holding them does, but leaves
    // the picked start and target as they were (a scenario's pedestrians). Returns whether all
    // were created.
    bool createPedestrians(const std::vector<PedRecord>& records);
    // One pedestrian from a data file's record as loading the file makes it (its number is not
    // used: the run numbers it); the picked start and target stay as they are.
    MaybeError createFromRecord(const PedRecord& record);

    // The default data file in the program's folder.
    std::filesystem::path defaultFile() const;
    // Forgets every hand-made pedestrian (as the pedestrians of an earlier scenario are forgotten
    // when another is opened); the next one made is number 1.
    void clear();

  private:
    bool refuse(const std::string& why);
    bool failLoad(const std::string& description);
    // Takes `list` as the list of hand-made pedestrians and creates its first `count`.
    bool createFrom(std::vector<PedRecord> list, int count);
    void remember(const Settings& s, double maxSpeed, double maxAccl, float vx, float vy);
    // Sets the picked start and target, through the engine's door.
    void pick(float px, float py, float ex, float ey);

    Engine& engine_;
    std::vector<PedRecord> list_;
    std::int16_t count_ = 0;
    std::int16_t lastCreated_ = 0;
};

}  // namespace strida
