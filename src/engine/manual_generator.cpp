#include "engine/manual_generator.h"

#include <cmath>
#include <limits>

#include "core/numbers.h"
#include "core/program.h"
#include "engine/engine.h"
#include "engine/setting_readers.h"

namespace strida {

namespace {

PedDef definitionOf(const Settings& s, float vx, float vy, double maxSpeed, double maxAccl) {
    PedDef def;
    def.Px = s.InitialPx, def.Py = s.InitialPy;
    def.Ex = s.TargetEx, def.Ey = s.TargetEy;
    def.Vx = vx, def.Vy = vy;
    def.MaxSpeed = maxSpeed;
    def.maxAcceleration = maxAccl;
    def.color = 1;
    return def;
}

}  // namespace

std::filesystem::path ManualGenerator::defaultFile() const {
    return engine_.reports().folder() / std::string(kDefaultDataFile);
}

void ManualGenerator::clear() {
    list_.clear();
    count_ = 0;
    lastCreated_ = 0;
}

bool ManualGenerator::refuse(const std::string& why) {
    engine_.host().showMessage("The pedestrian was not created: " + why + ".", kProgramName,
                               MessageIcon::Stop);
    return false;
}

bool ManualGenerator::createPedestrian() {
    const Settings& s = engine_.settings();
    MaybeError error;
    double values[4] = {};
    int i = 0;
    for (auto text : {&Settings::InitialVx, &Settings::InitialVy, &Settings::MaxSpeed,
                      &Settings::maxAcceleration})
        values[i++] = readerOf(text).read(s, error).value_or(0);
    if (error) return refuse(error->description);
    if (count_ == std::numeric_limits<std::int16_t>::max())
        return refuse("the list of hand-made pedestrians is full");
    const float vx = static_cast<float>(values[0]);
    const float vy = static_cast<float>(values[1]);
    const PedDef def = definitionOf(s, vx, vy, values[2], values[3]);
    if (MaybeError error = engine_.CreatePedestrian(def, MaxAcceleration::Definition))
        return refuse(error->description);
    remember(s, values[2], values[3], vx, vy);
    return true;
}

void ManualGenerator::remember(const Settings& s, double maxSpeed, double maxAccl, float vx,
                               float vy) {
    ++count_;
    PedRecord record;
    record.madeByHand = true;
    record.fields = {static_cast<double>(count_),
                     s.InitialPx,
                     s.InitialPy,
                     s.TargetEx,
                     s.TargetEy,
                     vx,
                     vy,
                     maxSpeed,
                     maxAccl};
    list_.resize(static_cast<std::size_t>(count_));
    list_.back() = record;
    lastCreated_ = count_;
}

bool ManualGenerator::savePedestrians() {
    Host& host = engine_.host();
    if (list_.empty()) {
        host.showMessage("Error in saving Data : You have not create any data", kProgramName,
                         MessageIcon::None);
        return false;
    }
    if (MaybeError error = writePedFile(defaultFile(), list_)) {
        host.showMessage("Error in saving Data : " + error->description, kProgramName,
                         MessageIcon::None);
        return false;
    }
    // Where it went, too: the save asks no file name.
    host.showMessage(std::to_string(count_) + " data was saved. The file is " +
                         std::filesystem::absolute(defaultFile()).lexically_normal().string() + ".",
                     kProgramName, MessageIcon::None);
    return true;
}

bool ManualGenerator::loadPedestrians(const std::filesystem::path& file) {
    std::vector<PedRecord> list = list_;
    const PedFileRead read = readPedFile(file, list);
    if (read.error) return failLoad(read.error->description);
    if (!createFrom(std::move(list), read.count)) return false;
    engine_.host().showMessage(
        std::to_string(read.count) + " Data was loaded and created in the Trap", kProgramName,
        MessageIcon::None);
    return true;
}

bool ManualGenerator::createPedestrians(const std::vector<PedRecord>& records) {
    // The picked start and target stay as the scenario holds them; loading a data file leaves
    // the last pedestrian's there instead.
    const Settings& s = engine_.settings();
    const float picked[] = {s.InitialPx, s.InitialPy, s.TargetEx, s.TargetEy};
    const bool created = createFrom(records, static_cast<int>(records.size()));
    pick(picked[0], picked[1], picked[2], picked[3]);
    if (!created) return false;
    engine_.host().showMessage(
        std::to_string(records.size()) + " hand-made pedestrians were created in the Trap",
        kProgramName, MessageIcon::None);
    return true;
}

bool ManualGenerator::failLoad(const std::string& description) {
    engine_.host().showMessage("Error in loading file: " + description, kProgramName,
                               MessageIcon::None);
    engine_.host().setBusy(false);
    return false;
}

bool ManualGenerator::createFrom(std::vector<PedRecord> list, int count) {
    Host& host = engine_.host();
    host.setBusy(true);
    if (count > std::numeric_limits<std::int16_t>::max())
        return failLoad("the file holds more than 32767 pedestrians");
    list_ = std::move(list);
    count_ = static_cast<std::int16_t>(count);
    for (int i = 1; i <= count; ++i) {
        const auto& f = list_[static_cast<std::size_t>(i - 1)].fields;
        pick(static_cast<float>(f[1]), static_cast<float>(f[2]), static_cast<float>(f[3]),
             static_cast<float>(f[4]));
        if (MaybeError error = createFromRecord(list_[static_cast<std::size_t>(i - 1)]))
            return failLoad("line " + std::to_string(i) + ": " + error->description);
        lastCreated_ = static_cast<std::int16_t>(i);
    }
    host.setBusy(false);
    return true;
}

MaybeError ManualGenerator::createFromRecord(const PedRecord& record) {
    const auto& f = record.fields;
    PedDef def = definitionOf(engine_.settings(), 0, 0, f[7], f[8]);
    def.Px = static_cast<float>(f[1]), def.Py = static_cast<float>(f[2]);
    def.Ex = static_cast<float>(f[3]), def.Ey = static_cast<float>(f[4]);
    def.Vx = f[5], def.Vy = f[6];
    return engine_.CreatePedestrian(def, MaxAcceleration::Definition);
}

void ManualGenerator::pick(float px, float py, float ex, float ey) {
    // A coordinate that is not a finite number is refused by the door and left as it was; the
    // pedestrian made from it is refused for it by the factory.
    const std::pair<const char*, float> positions[] = {
        {"InitialPx", px}, {"InitialPy", py}, {"TargetEx", ex}, {"TargetEy", ey}};
    for (const auto& [name, metres] : positions) engine_.changeSetting(name, num::shortest(metres));
}

}  // namespace strida
