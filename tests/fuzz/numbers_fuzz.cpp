// Fuzz target: the number readers, and the round trip of every number writer.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/numbers.h"

using namespace strida::num;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)lenient(text);
    if (const auto v = strict(text)) {
        for (int decimals = 0; decimals <= 4; ++decimals) (void)fixed(*v, decimals);
        (void)roundInt16(*v);
        (void)Int(*v);
        if (std::isfinite(*v)) {
            if (strict(shortest(*v)) != *v) std::abort();
            const auto back = strict(general(*v));
            if (!back || !std::isfinite(*back)) std::abort();
            const float f = static_cast<float>(*v);
            if (std::isfinite(f) && static_cast<float>(*strict(shortest(f))) != f) std::abort();
        }
    }
    // The raw bytes as a double and a float: every value's shortest form reads back to it.
    if (size >= sizeof(double)) {
        double d;
        std::memcpy(&d, data, sizeof d);
        if (std::isfinite(d) && strict(shortest(d)) != d) std::abort();
        float f;
        std::memcpy(&f, data, sizeof f);
        if (std::isfinite(f) && static_cast<float>(*strict(shortest(f))) != f) std::abort();
    }
    return 0;
}
