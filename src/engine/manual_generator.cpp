#include "engine/manual_generator.h"

#include <cmath>
#include <limits>

#include "core/program.h"
#include "engine/engine.h"
#include "core/numbers.h"

namespace strida {


std::filesystem::path ManualGenerator::defaultFile() const {
    return engine_.reports.folder() / std::string(kDefaultDataFile);
}

bool ManualGenerator::cmdCreatePed_Click() {
    Settings& s = engine_.settings;
    Host& host = engine_.host;
    struct Box {
        const char* label;
        const std::string* text;
        double value;
    };
    Box boxes[] = {{"Initial Velocity (Vx)", &s.InitialVx, 0},
                   {"Initial Velocity (Vy)", &s.InitialVy, 0},
                   {"Maximum Speed", &s.MaxSpeed, 0},
                   {"Maximum Acceleration", &s.maxAcceleration, 0}};
    for (Box& box : boxes) {
        const std::optional<double> v = num::strict(*box.text);
        // The velocity is held in single precision, so it must also fit one.
        if (!v || !std::isfinite(static_cast<float>(*v))) {
            host.showMessage(std::string("The pedestrian was not created: ") + box.label + " is " +
                                 quoteText(*box.text) + ", which is not a number.",
                             kProgramName, MessageIcon::Stop);
            return false;
        }
        box.value = *v;
    }
    if (ManualPedCount == std::numeric_limits<std::int16_t>::max()) {
        host.showMessage(
            "The pedestrian was not created: the list of hand-made pedestrians is full.", kProgramName,
            MessageIcon::Stop);
        return false;
    }
    const float vx = static_cast<float>(boxes[0].value);
    const float vy = static_cast<float>(boxes[1].value);
    if (MaybeError error =
            engine_.CreatePedestrian(s.InitialPx, s.InitialPy, s.TargetEx, s.TargetEy,
                                     boxes[2].value, 1, vx, vy, boxes[3].value)) {
        host.showMessage("The pedestrian was not created: " + error->description + ".", kProgramName,
                         MessageIcon::Stop);
        return false;
    }
    ++ManualPedCount;
    PedRecord record;
    record.madeByHand = true;
    record.fields = {static_cast<double>(ManualPedCount),
                     s.InitialPx,
                     s.InitialPy,
                     s.TargetEx,
                     s.TargetEy,
                     vx,
                     vy,
                     boxes[2].value,
                     boxes[3].value};
    ManualPedList.resize(static_cast<std::size_t>(ManualPedCount));
    ManualPedList.back() = record;
    lblPedNumber = "Pedestrian Number: " + std::to_string(ManualPedCount) + " is created.";
    return true;
}

bool ManualGenerator::cmdSavePedestrians_Click() {
    Host& host = engine_.host;
    if (ManualPedList.empty()) {
        host.showMessage("Error in saving Data : You have not create any data", kProgramName,
                         MessageIcon::None);
        return false;
    }
    if (MaybeError error = writePedFile(defaultFile(), ManualPedList)) {
        host.showMessage("Error in saving Data : " + error->description, kProgramName,
                         MessageIcon::None);
        return false;
    }
    host.showMessage(std::to_string(ManualPedCount) + " data was saved.", kProgramName,
                     MessageIcon::None);
    return true;
}

bool ManualGenerator::loadPedestrians(const std::filesystem::path& file) {
    Host& host = engine_.host;
    Settings& s = engine_.settings;
    host.setBusy(true);
    auto fail = [&](const std::string& description) {
        host.showMessage("Error in loading file: " + description, kProgramName, MessageIcon::None);
        host.setBusy(false);
        return false;
    };
    std::vector<PedRecord> list = ManualPedList;
    const PedFileRead read = readPedFile(file, list);
    if (read.error) return fail(read.error->description);
    if (read.count > std::numeric_limits<std::int16_t>::max())
        return fail("the file holds more than 32767 pedestrians");
    ManualPedList = std::move(list);
    ManualPedCount = static_cast<std::int16_t>(read.count);
    for (int i = 1; i <= read.count; ++i) {
        const auto& f = ManualPedList[static_cast<std::size_t>(i - 1)].fields;
        s.InitialPx = static_cast<float>(f[1]);
        s.InitialPy = static_cast<float>(f[2]);
        s.TargetEx = static_cast<float>(f[3]);
        s.TargetEy = static_cast<float>(f[4]);
        if (MaybeError error = engine_.CreatePedestrian(s.InitialPx, s.InitialPy, s.TargetEx,
                                                        s.TargetEy, f[7], 1, f[5], f[6], f[8]))
            return fail("line " + std::to_string(i) + ": " + error->description);
        lblPedNumber = "Pedestrian Number: " + std::to_string(i) + " is created.";
    }
    host.showMessage(std::to_string(read.count) + " Data was loaded and created in the Trap",
                     kProgramName, MessageIcon::None);
    host.setBusy(false);
    return true;
}

}  // namespace strida
