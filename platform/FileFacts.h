#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// A point in time as a calendar date and time of universal time (no time zone applied).
struct UtcTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;   // 0..23
    int minute = 0; // 0..59
    int second = 0; // 0..59
    std::uint32_t nanosecond = 0;

    bool operator==(const UtcTime &) const = default;
};

// The calendar value of seconds and nanoseconds since 1970-01-01 00:00:00 UTC; empty when the
// year does not fit the calendar conversion.
std::optional<UtcTime> utcFromEpoch(std::int64_t seconds, std::uint32_t nanoseconds = 0);

// What the file system tells about one file, for the properties dialog.
struct FileFacts {
    std::uint64_t size = 0;
    std::optional<UtcTime> created; // birth time; empty where the file system keeps none
    std::optional<UtcTime> modified;
    std::optional<UtcTime> accessed;

    // The attribute checks of the properties dialog. Linux keeps no archive, compressed or
    // system bit that means what those attributes mean, so they are always false.
    bool readOnly = false; // the owner has no write permission (whoever asks, root included)
    bool hidden = false;   // the file name starts with a dot
    bool archive = false;
    bool compressed = false;
    bool system = false;
};

// Reads the facts of the regular file at `path` through a read-only handle. Empty when the
// file cannot be opened for reading or is not a regular file (a folder, a device, a pipe).
std::optional<FileFacts> readFileFacts(const std::string &path);

} // namespace platform
