#pragma once

#include "Variant.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace automation {

// The cells of a table of values, row after row, packed: per cell a type byte and an 8-byte
// slot (the number, date or money itself; for a text or byte array a reference to its bytes,
// which are kept in pages of their own). A million rows of six columns take about a fifth of
// what variants take. Cells are added in blocks that never move, so growing the store copies
// nothing and its memory is never held twice.
class CellStore {
public:
    explicit CellStore(std::size_t columns);
    CellStore(const CellStore &) = delete;
    CellStore &operator=(const CellStore &) = delete;

    std::size_t columns() const { return columns_; }
    // Complete rows: a row is complete once all of its cells are added.
    std::size_t rows() const { return columns_ ? cells_ / columns_ : 0; }

    // The next cell of the row being added.
    void addNull();
    void addBool(bool value);
    // A Long when the value fits 32 bits, else a BigInt, as a variant made of it.
    void addInteger(std::int64_t value);
    void addDouble(double value);
    void addCurrency(Currency value);
    void addDate(Date value);
    void addText(std::string_view text);
    void addBytes(const std::uint8_t *data, std::size_t size);
    void add(const Variant &value);
    // Forgets the cells of a row that could not be completed.
    void dropIncompleteRow();

    VarType type(std::size_t row, std::size_t column) const { return VarType(tagOf(index(row, column))); }
    Variant at(std::size_t row, std::size_t column) const;
    // The bytes of a text or byte-array cell, without copying them; empty for other cells.
    std::string_view text(std::size_t row, std::size_t column) const;

private:
    static constexpr std::size_t BlockBits = 14;
    static constexpr std::size_t BlockCells = std::size_t(1) << BlockBits;
    static constexpr std::size_t PageBytes = std::size_t(256) << 10;

    struct Block {
        std::unique_ptr<std::uint64_t[]> slots;
        std::unique_ptr<std::uint8_t[]> tags;
    };

    std::size_t index(std::size_t row, std::size_t column) const { return row * columns_ + column; }
    std::uint8_t tagOf(std::size_t cell) const { return blocks_[cell >> BlockBits].tags[cell & (BlockCells - 1)]; }
    std::uint64_t slotOf(std::size_t cell) const { return blocks_[cell >> BlockBits].slots[cell & (BlockCells - 1)]; }
    void push(VarType type, std::uint64_t slot);
    // Copies `size` bytes behind their length; the slot value that finds them again.
    std::uint64_t keep(const void *data, std::size_t size);

    std::size_t columns_;
    std::size_t cells_ = 0;
    std::vector<Block> blocks_;
    // Texts and byte arrays: pages filled one after the other; a long value has a page of its own.
    std::vector<std::unique_ptr<char[]>> pages_;
    char *free_ = nullptr;
    std::size_t freeBytes_ = 0;
    // Values that have no packed form (arrays, objects, Empty never comes from a table).
    std::vector<Variant> others_;
};

} // namespace automation
