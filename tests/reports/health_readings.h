// Readings of the health model built in one line, for the tables of the
// health tests.
#pragma once

#include <cstdint>
#include <optional>

#include "reports/health.h"

using OptionalNumber = std::optional<std::int64_t>;

inline SupplyReading supply_reading(OptionalNumber cls, OptionalNumber type, OptionalNumber capacity,
                                    OptionalNumber level, const char *description = nullptr,
                                    OptionalNumber colorant = std::nullopt, std::int64_t index = 1) {
    SupplyReading s;
    s.index = index;
    s.supplyClass = cls;
    s.type = type;
    s.capacity = capacity;
    s.level = level;
    s.colorantIndex = colorant;
    if (description) s.description = description;
    return s;
}
