#pragma once

#include "sysinfo/CpuidSource.h"
#include "sysinfo/CycleClock.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

// CPUID answers recorded from a processor; a leaf that was not recorded answers zeros.
class RecordedCpuid : public sysinfo::CpuidSource {
public:
    std::map<std::uint32_t, sysinfo::CpuidRegs> leaves;
    bool present = true;

    bool available() const override { return present; }
    sysinfo::CpuidRegs query(std::uint32_t leaf) const override
    {
        const auto it = leaves.find(leaf);
        return it != leaves.end() ? it->second : sysinfo::CpuidRegs{};
    }

    // Leaf 0 with its highest leaf and the 12 characters of the vendor (EBX, EDX, ECX).
    void vendor(std::uint32_t highest, const char *identification)
    {
        std::uint32_t w[3];
        std::memcpy(w, identification, 12);
        leaves[0] = {highest, w[0], w[2], w[1]};
    }
    // Leaves 0x80000002 to 0x80000004 holding `text`.
    void brand(const std::string &text)
    {
        char bytes[48] = {};
        std::memcpy(bytes, text.data(), std::min<std::size_t>(text.size(), 48));
        for (std::uint32_t i = 0; i < 3; ++i) {
            std::uint32_t w[4];
            std::memcpy(w, bytes + 16 * i, 16);
            leaves[0x80000002 + i] = {w[0], w[1], w[2], w[3]};
        }
    }
};

// A clock whose counter advances one microsecond per reading while the cycle counter
// advances by the frequency of the current pass (MHz) per reading, so a pass measures
// exactly that frequency.
class SteppingClock : public sysinfo::CycleClock {
public:
    explicit SteppingClock(std::vector<int> perPassMHz, std::uint64_t frequency = 1000000)
        : perPass_(std::move(perPassMHz)), frequency_(frequency) {}

    std::uint64_t counterFrequency() override { return frequency_; }
    std::uint64_t counter() override { return ++ticks_; }
    std::uint64_t cycles() override { return cycles_ += std::uint64_t(perPass_[pass_ % perPass_.size()]); }
    void raisePriority() override { ++raised_; }
    void restorePriority() override { ++pass_; }

    int raised() const { return raised_; }

private:
    std::vector<int> perPass_;
    std::uint64_t frequency_;
    std::uint64_t ticks_ = 0, cycles_ = 0;
    std::size_t pass_ = 0;
    int raised_ = 0;
};
