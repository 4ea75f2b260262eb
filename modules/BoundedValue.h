#pragma once

#include <cstdint>

namespace vx {

// A setting that accepts only values within its range; anything else leaves it as it was.
struct BoundedValue {
    std::uint32_t value = 0;
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 0;

    // Starts at value when it is within [minimum, maximum], else at minimum.
    static BoundedValue make(std::uint32_t value, std::uint32_t minimum, std::uint32_t maximum) {
        return {value >= minimum && value <= maximum ? value : minimum, minimum, maximum};
    }

    // True when the value was taken.
    bool set(std::uint32_t v) {
        if (v < minimum || v > maximum) {
            return false;
        }
        value = v;
        return true;
    }
};

} // namespace vx
