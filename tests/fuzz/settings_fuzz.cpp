// Fuzz target: any text given to every setting by name, as the batch runner's --set does.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/settings.h"
#include "engine/settings_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    for (const strida::SettingInfo& info : strida::settingTable()) {
        strida::Settings settings;
        const strida::MaybeError error = strida::applySetting(settings, info.name, value);
        if (error) {
            // A refusal names the setting, on one line, briefly.
            if (error->description.rfind(std::string(info.name), 0) != 0) std::abort();
            if (!strida::isPrintableText(error->description) || error->description.size() > 300)
                std::abort();
        } else if (info.kind == strida::SettingInfo::Kind::Text &&
                   !strida::isPrintableText(settings.*(info.text))) {
            std::abort();
        }
    }
    return 0;
}
