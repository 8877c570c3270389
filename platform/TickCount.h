#pragma once

#include <cstdint>

namespace platform {

// Milliseconds of a monotonic clock; differences of two readings time an operation.
std::uint32_t tickCount();

} // namespace platform
