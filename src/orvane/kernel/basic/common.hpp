#pragma once

#include <cstdint>
#include <limits>

namespace orvane {

// Index of a vertex, edge, polygon or input element.
using index_t = std::uint32_t;
// Index of a vertex or edge within one polygon (0 to 2 for triangles).
using local_index_t = std::uint8_t;

// The all-ones value: "no index".
inline constexpr index_t NO_ID = std::numeric_limits<index_t>::max();
inline constexpr local_index_t NO_LID = std::numeric_limits<local_index_t>::max();

// Absolute tolerance of inexact comparisons, snapping and internal distances.
inline constexpr double GLOBAL_EPSILON = 1e-6;

}  // namespace orvane
