#include "engine/setting_text.h"

#include "core/numbers.h"

namespace strida {

std::optional<double> readStrict(std::string_view name, const std::string& text,
                                 MaybeError& error) {
    std::optional<double> value = num::strict(text);
    if (!value && !error)
        error =
            EngineError{std::string(name) + " is " + quoteText(text) + ", which is not a number"};
    return value;
}

std::optional<std::int16_t> readCount(std::string_view name, const std::string& text,
                                      MaybeError& error) {
    std::optional<std::int16_t> n = num::roundInt16(num::lenient(text));
    if (!n && !error)
        error = EngineError{std::string(name) + " is " + quoteText(text) +
                            "; a run can hold at most 32767 pedestrians"};
    return n;
}

}  // namespace strida
