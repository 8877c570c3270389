#include "CellStore.h"

#include "Error.h"

#include <bit>
#include <cstring>
#include <limits>

namespace automation {

namespace {

// A text's or byte array's bytes are kept behind a 4-byte length.
using Length = std::uint32_t;

const char *bytesAt(std::uint64_t slot) { return reinterpret_cast<const char *>(std::uintptr_t(slot)); }

std::string_view keptBytes(std::uint64_t slot)
{
    const char *p = bytesAt(slot);
    Length size = 0;
    std::memcpy(&size, p, sizeof size);
    return {p + sizeof size, size};
}

} // namespace

CellStore::CellStore(std::size_t columns) : columns_(columns) {}

void CellStore::push(VarType type, std::uint64_t slot)
{
    const std::size_t offset = cells_ & (BlockCells - 1);
    if ((cells_ >> BlockBits) == blocks_.size()) {
        // Not zeroed: only the pages that cells are written to take memory.
        blocks_.push_back({std::make_unique_for_overwrite<std::uint64_t[]>(BlockCells),
                           std::make_unique_for_overwrite<std::uint8_t[]>(BlockCells)});
    }
    Block &block = blocks_[cells_ >> BlockBits];
    block.slots[offset] = slot;
    block.tags[offset] = std::uint8_t(type);
    ++cells_;
}

std::uint64_t CellStore::keep(const void *data, std::size_t size)
{
    if (size > std::numeric_limits<Length>::max())
        throw Error("The value is too long to keep in a result.", codes::Overflow, "Variant");
    const std::size_t need = sizeof(Length) + size;
    char *at = nullptr;
    if (need > PageBytes / 4) {
        // A long value gets a page of its own, so the page being filled is not cut short.
        pages_.push_back(std::make_unique_for_overwrite<char[]>(need));
        at = pages_.back().get();
    } else {
        if (need > freeBytes_) {
            pages_.push_back(std::make_unique_for_overwrite<char[]>(PageBytes));
            free_ = pages_.back().get();
            freeBytes_ = PageBytes;
        }
        at = free_;
        free_ += need;
        freeBytes_ -= need;
    }
    const Length length = Length(size);
    std::memcpy(at, &length, sizeof length);
    if (size)
        std::memcpy(at + sizeof length, data, size);
    return std::uint64_t(reinterpret_cast<std::uintptr_t>(at));
}

void CellStore::dropIncompleteRow()
{
    cells_ = rows() * columns_;
}

void CellStore::addNull() { push(VarType::Null, 0); }

void CellStore::addBool(bool value) { push(VarType::Boolean, value ? 1 : 0); }

void CellStore::addInteger(std::int64_t value)
{
    const bool fits = value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
    push(fits ? VarType::Long : VarType::BigInt, std::uint64_t(value));
}

void CellStore::addDouble(double value) { push(VarType::Double, std::bit_cast<std::uint64_t>(value)); }

void CellStore::addCurrency(Currency value) { push(VarType::Currency, std::uint64_t(value.scaled)); }

void CellStore::addDate(Date value) { push(VarType::Date, std::bit_cast<std::uint64_t>(value.serial)); }

void CellStore::addText(std::string_view text) { push(VarType::String, keep(text.data(), text.size())); }

void CellStore::addBytes(const std::uint8_t *data, std::size_t size) { push(VarType::Bytes, keep(data, size)); }

void CellStore::add(const Variant &value)
{
    switch (value.type()) {
    case VarType::Empty:
        push(VarType::Empty, 0);
        return;
    case VarType::Null:
        addNull();
        return;
    case VarType::Boolean:
        addBool(value.toBool());
        return;
    case VarType::Long:
    case VarType::BigInt:
        addInteger(value.toInt64());
        return;
    case VarType::Double:
        addDouble(value.toDouble());
        return;
    case VarType::Currency:
        addCurrency(value.toCurrency());
        return;
    case VarType::Date:
        addDate(value.toDate());
        return;
    case VarType::String:
        addText(*value.stringIf());
        return;
    case VarType::Bytes:
        addBytes(value.bytesIf()->data(), value.bytesIf()->size());
        return;
    default:
        others_.push_back(value);
        push(value.type(), others_.size() - 1);
        return;
    }
}

Variant CellStore::at(std::size_t row, std::size_t column) const
{
    const std::size_t cell = index(row, column);
    const std::uint64_t slot = slotOf(cell);
    switch (VarType(tagOf(cell))) {
    case VarType::Empty:
        return {};
    case VarType::Null:
        return Variant::null();
    case VarType::Boolean:
        return slot != 0;
    case VarType::Long:
        return std::int32_t(slot);
    case VarType::BigInt:
        return std::int64_t(slot);
    case VarType::Double:
        return std::bit_cast<double>(slot);
    case VarType::Currency:
        return Currency{std::int64_t(slot)};
    case VarType::Date:
        return Date{std::bit_cast<double>(slot)};
    case VarType::String:
        return std::string(keptBytes(slot));
    case VarType::Bytes: {
        const std::string_view bytes = keptBytes(slot);
        const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
        return Bytes(p, p + bytes.size());
    }
    default:
        return others_[std::size_t(slot)];
    }
}

std::string_view CellStore::text(std::size_t row, std::size_t column) const
{
    const std::size_t cell = index(row, column);
    const VarType type = VarType(tagOf(cell));
    if (type != VarType::String && type != VarType::Bytes)
        return {};
    return keptBytes(slotOf(cell));
}

} // namespace automation
