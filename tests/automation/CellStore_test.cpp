#include "automation/CellStore.h"
#include "automation/Error.h"
#include "automation/Object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

using namespace automation;

namespace {

class Thing : public Object {
public:
    std::string_view className() const override { return "Thing"; }

protected:
    Variant invoke(Invoke, const std::string &m, const Args &) override { noMember(m); }
};

struct Kept {
    const char *name;
    Variant value;
};

// Every kind of value a cell can hold, with the edges of each packed form.
std::vector<Kept> keptValues()
{
    return {
        {"empty", Variant()},
        {"null", Variant::null()},
        {"true", Variant(true)},
        {"false", Variant(false)},
        {"zero", Variant(0)},
        {"smallest long", Variant(std::numeric_limits<std::int32_t>::min())},
        {"largest long", Variant(std::numeric_limits<std::int32_t>::max())},
        {"just past a long", Variant(std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)},
        {"smallest big integer", Variant(std::numeric_limits<std::int64_t>::min())},
        {"largest big integer", Variant(std::numeric_limits<std::int64_t>::max())},
        {"negative double", Variant(-1234.5678)},
        {"negative zero", Variant(-0.0)},
        {"tiny double", Variant(std::numeric_limits<double>::denorm_min())},
        {"infinity", Variant(std::numeric_limits<double>::infinity())},
        {"currency", Variant(Currency{-123456789})},
        {"date", Variant(Date{45000.75})},
        {"date before 1900", Variant(Date{-700.25})},
        {"empty text", Variant(std::string())},
        {"text", Variant("item 42")},
        {"text with a zero byte", Variant(std::string("a\0b", 3))},
        {"UTF-8 text", Variant("Zürich ↵")},
        {"text longer than a page", Variant(std::string(300000, 'x'))},
        {"text of a quarter page", Variant(std::string(65532, 'q'))},
        {"empty byte array", Variant(Bytes{})},
        {"byte array", Variant(Bytes{0, 1, 254, 255})},
    };
}

} // namespace

// A value goes in and comes out the same, with the same type, whatever its neighbours are.
TEST(CellStore, KeepsEveryKindOfValue)
{
    const std::vector<Kept> values = keptValues();
    CellStore store(values.size());
    // Three rows, each shifted by one, so every value sits in every kind of neighbourhood.
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < values.size(); ++c)
            store.add(values[(c + r) % values.size()].value);
    ASSERT_EQ(store.rows(), 3u);
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t c = 0; c < values.size(); ++c) {
            const Kept &kept = values[(c + r) % values.size()];
            SCOPED_TRACE(kept.name);
            EXPECT_EQ(store.type(r, c), kept.value.type());
            const Variant back = store.at(r, c);
            EXPECT_EQ(back, kept.value);
            if (kept.value.type() == VarType::Double)
                EXPECT_EQ(std::signbit(back.toDouble()), std::signbit(kept.value.toDouble()));
            if (const std::string *s = kept.value.stringIf())
                EXPECT_EQ(store.text(r, c), *s);
        }
    }
}

TEST(CellStore, KeepsObjectsAndNaN)
{
    auto thing = std::make_shared<Thing>();
    CellStore store(2);
    store.add(Variant(thing));
    store.addDouble(std::nan(""));
    EXPECT_EQ(store.at(0, 0).object(), thing);
    EXPECT_TRUE(std::isnan(store.at(0, 1).toDouble()));
}

// Rows across many blocks and text pages stay in place while the store grows, and a row that
// could not be completed leaves no cell behind, also where it crossed into a new block.
TEST(CellStore, RowsStayInPlaceAsTheStoreGrows)
{
    CellStore store(3);
    // Row 5461 begins at the last cell of the first block (3 x 5461 = 16383), so its cells
    // reach into the second block.
    const std::set<int> unfinished{5461, 7000, 21000, 30000};
    std::size_t row = 0;
    for (int i = 0; i < 40000; ++i) {
        store.addInteger(i);
        store.addText("row " + std::to_string(i) + std::string(std::size_t(i % 50), '.'));
        if (unfinished.count(i)) {
            // This row is never finished.
            store.dropIncompleteRow();
            continue;
        }
        store.addDouble(i * 0.5);
        ++row;
    }
    ASSERT_EQ(store.rows(), row);
    std::size_t r = 0;
    for (int i = 0; i < 40000; ++i) {
        if (unfinished.count(i))
            continue;
        ASSERT_EQ(store.at(r, 0).toInt(), i) << "row " << r;
        ASSERT_EQ(store.text(r, 1), "row " + std::to_string(i) + std::string(std::size_t(i % 50), '.'));
        ASSERT_EQ(store.at(r, 2).toDouble(), i * 0.5);
        ++r;
    }
}

// GetRows hands out a window of the store's rows: indexed [column, row] from its first row.
TEST(CellStore, ArrayShowsRowsOfTheStore)
{
    auto store = std::make_shared<CellStore>(2);
    for (int i = 0; i < 5; ++i) {
        store->addInteger(i);
        store->addText(std::string(1, char('a' + i)));
    }
    const Array tail(store, 2, 3);
    EXPECT_EQ(tail.columns(), 2u);
    EXPECT_EQ(tail.rows(), 3u);
    EXPECT_EQ(tail.at(0, 0).toInt(), 2);
    EXPECT_EQ(tail.at(1, 2).toText(), "e");
    EXPECT_EQ(tail.type(1, 1), VarType::String);
    EXPECT_EQ(tail.text(1, 1), "d");
    EXPECT_EQ(tail.type(0, 1), VarType::Long);
    EXPECT_EQ(tail.text(0, 1), "");
    EXPECT_THROW(tail.at(2, 0), Error);
    EXPECT_THROW(tail.at(0, 3), Error);
    EXPECT_THROW(tail.type(0, 3), Error);
}
