#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace accounts {

// The nine check boxes of the permissions page.
enum class Box { Create, ReadDef, Exclusive, ChngDef, Admin, ReadData, ChngData, InsData, DelData };
inline constexpr int kBoxCount = 9;

// What a container's name means to the boxes. Names are compared exactly; any other container is
// Other.
enum class ContainerKind { Databases, Tables, Reports, Scripts, Forms, Other };
ContainerKind containerKind(const std::string &name);

// The states of the boxes and the rules that keep them consistent, apart from any widget: a box
// turned on or off by the user, by another box's rule or by loading runs its own rule, so the
// implications chain. Loading, testing and applying go through the boxes of a container kind in
// a fixed order, because the masks overlap (0x4 is part of three of them).
class PermissionBoxes {
public:
    // The bits a box stands for on documents of that kind; none when it takes no part.
    static std::optional<std::uint32_t> mask(Box box, ContainerKind kind);
    static bool enabled(Box box, ContainerKind kind);
    static bool visible(Box box, ContainerKind kind);
    // The boxes that take part for that kind, in processing order.
    static const std::vector<Box> &order(ContainerKind kind);

    bool checked(Box box) const { return states_[index(box)]; }
    // Sets a box; when its state changes its rule runs (unless rules are off).
    void set(Box box, bool on);
    // Rules do nothing while the selected container is "Databases".
    void setRulesActive(bool active) { rulesActive_ = active; }
    bool rulesActive() const { return rulesActive_; }

    // Sets each box of the kind, in order, to whether all its bits are in `value`.
    void load(std::int32_t value, ContainerKind kind);
    // True when a box of the kind does not show what `value` holds.
    bool differsFrom(std::int32_t value, ContainerKind kind) const;
    // `value` with the bits of the boxes of the kind set or cleared as the boxes show: a box on
    // adds its bits, a box off removes those of its bits that no box on needs (also when only some
    // of them were set). Bits outside the boxes' masks stay as they were.
    std::int32_t applyTo(std::int32_t value, ContainerKind kind) const;

private:
    static int index(Box box) { return static_cast<int>(box); }
    void rule(Box box, bool on);

    std::array<bool, kBoxCount> states_{};
    bool rulesActive_ = true;
};

} // namespace accounts
