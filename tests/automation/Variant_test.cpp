#include "automation/Error.h"
#include "automation/Object.h"
#include "automation/Registry.h"
#include "automation/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace automation;

namespace {

// A counter object: "Value" reads and writes, "Add" is a method.
class Counter : public Object {
public:
    std::string_view className() const override { return "Counter"; }
    int value = 0;

protected:
    Variant invoke(Invoke kind, const std::string &m, const Args &args) override
    {
        if (m == "value") {
            if (kind == Invoke::Put)
                value = arg(args, 0).toInt();
            return value;
        }
        if (m == "add" && kind == Invoke::Call)
            return value += arg(args, 0).toInt();
        noMember(m);
    }
};

class Names : public Collection {
public:
    std::string_view className() const override { return "Names"; }
    std::int32_t count() override { return 3; }
    Variant itemAt(std::int32_t i) override
    {
        auto c = std::make_shared<Counter>();
        c->value = i;
        return named(i, c);
    }

private:
    class Named : public Object {
    public:
        Named(std::string name) : name_(std::move(name)) {}
        std::string_view className() const override { return "Named"; }

    protected:
        Variant invoke(Invoke, const std::string &m, const Args &) override
        {
            if (m == "name")
                return name_;
            noMember(m);
        }

    private:
        std::string name_;
    };
    static Variant named(int i, const ObjectPtr &) { return std::make_shared<Named>(std::string("Item") + char('A' + i)); }
};

TEST(Variant, EmptyAndNullAreDistinct)
{
    Variant empty;
    Variant null = Variant::null();
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(null.isNull());
    EXPECT_FALSE(null.isEmpty());
    EXPECT_FALSE(empty == null);
    EXPECT_EQ(empty.toText(), "");
    EXPECT_THROW(null.toText(), Error);
}

TEST(Variant, CopiesShareTheObjectAndReleaseSetsNull)
{
    auto counter = std::make_shared<Counter>();
    Variant a = counter;
    Variant b = a;
    ASSERT_TRUE(a.isObject());
    b.put("VALUE", 5);
    EXPECT_EQ(a.get("value").toInt(), 5);
    EXPECT_EQ(a.call("Add", {2}).toInt(), 7);
    b.release();
    EXPECT_TRUE(b.isNull());
    EXPECT_FALSE(b.isObject());
    EXPECT_EQ(a.get("Value").toInt(), 7);
    EXPECT_TRUE(Variant(ObjectPtr()).isNull());
}

TEST(Variant, UnknownMembersAndMissingArgumentsRaise)
{
    Variant a = std::make_shared<Counter>();
    try {
        a.get("Colour");
        FAIL() << "no error";
    } catch (const Error &e) {
        EXPECT_EQ(e.code(), codes::NoSuchMember);
        EXPECT_EQ(e.source(), "Counter");
        EXPECT_NE(std::string(e.what()).find("Colour"), std::string::npos);
    }
    EXPECT_THROW(a.call("Add"), Error);
    EXPECT_THROW(Variant(3).get("Value"), Error);
}

TEST(Variant, TextRule)
{
    const struct {
        Variant value;
        const char *text;
    } cases[] = {
        {true, "True"},
        {false, "False"},
        {-42, "-42"},
        {std::int64_t(1) << 40, "1099511627776"},
        {2.5, "2.5"},
        {0.1 + 0.2, "0.3"},
        {1e20, "1e+20"},
        {Currency{125000}, "12.5"},
        {Currency{-5}, "-0.0005"},
        {Currency{70000}, "7"},
        {makeDate({2024, 2, 29, 0, 0, 0}), "2024-02-29"},
        {makeDate({1999, 12, 31, 23, 59, 59}), "1999-12-31 23:59:59"},
        {makeDate({1850, 6, 1, 12, 0, 0}), "1850-06-01 12:00:00"},
        {"plain", "plain"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.value.toText(), c.text);
    EXPECT_THROW(Variant(Bytes{1, 2}).toText(), Error);
    EXPECT_THROW(Variant(std::make_shared<Counter>()).toText(), Error);
}

// Number and date texts are written without printf for speed; they must stay byte for byte what
// "%.15g" and "%04d-%02d-%02d %02d:%02d:%02d" give, results and scripts compare them.
TEST(Variant, NumberAndDateTextsMatchPrintf)
{
    const auto printed = [](double d) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", d);
        return std::string(buf);
    };
    std::vector<double> values = {0.0, -0.0, 1.0, -1.0, 0.1, 0.5, 2.675, 1.0 / 3, -2.0 / 3,
                                  123456789012345.0, 1234567890123456.0, 999999999999999.0,
                                  9999999999999995.0, 1e15, 1e16, 1e-4, 1e-5, 0.000123456789012345,
                                  1e21, 1e100, -1e-100, 1.7976931348623157e308, 2.2250738585072014e-308,
                                  4.9406564584124654e-324, 0.30000000000000004, 100.0, 1e-300 * 1e-10,
                                  9.99999999999999e14, 9.999999999999995e-5};
    // Prices of up to two decimals and values across the whole range of exponents.
    for (int i = -2000; i <= 2000; ++i)
        values.push_back(i / 100.0);
    std::uint64_t bits = 0x9E3779B97F4A7C15u;
    for (int i = 0; i < 20000; ++i) {
        bits ^= bits << 13, bits ^= bits >> 7, bits ^= bits << 17;
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (std::isfinite(d))
            values.push_back(d);
    }
    for (double d : values)
        ASSERT_EQ(Variant(d).toText(), printed(d)) << std::hexfloat << d;

    const auto printedDate = [](Date d) {
        const DateParts p = splitDate(d);
        char buf[64];
        if (p.hour == 0 && p.minute == 0 && p.second == 0)
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
        else
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                          p.minute, p.second);
        return std::string(buf);
    };
    std::vector<double> serials = {0.0, -0.0, 1.0, -1.5, 0.5, 0.99999999, 2958465.99999, -657434.0,
                                   -693593.0, -700000.25, 3000000.5, 45000.000011574, 60.0, 61.0};
    for (int i = -800000; i <= 3100000; i += 997)
        serials.push_back(i + (i % 86400) / 86400.0);
    for (double s : serials)
        ASSERT_EQ(formatDate(Date{s}), printedDate(Date{s})) << s;
    EXPECT_EQ(formatDate(Date{-657434.0}), "0100-01-01");
}

TEST(Variant, DatesParseAndRoundTrip)
{
    for (const char *text : {"2024-02-29", "1899-12-30", "1900-01-01 06:00:00", "2100-12-31 23:59:59"}) {
        auto d = parseDate(text);
        ASSERT_TRUE(d) << text;
        EXPECT_EQ(formatDate(*d), text);
    }
    EXPECT_EQ(parseDate("1899-12-31")->serial, 1.0);
    EXPECT_EQ(formatDate(*parseDate("2024-01-02T03:04")), "2024-01-02 03:04:00");
    for (const char *bad : {"", "2024-13-01", "2024-1-1", "2024-01-02 25:00", "2024-01-02x", "hello"})
        EXPECT_FALSE(parseDate(bad)) << bad;
}

TEST(Variant, NumbersConvert)
{
    EXPECT_EQ(Variant("12").toInt(), 12);
    EXPECT_EQ(Variant(true).toInt(), -1);
    EXPECT_EQ(Variant(2.5).toInt64(), 3);
    EXPECT_THROW(Variant("twelve").toInt(), Error);
    EXPECT_THROW(Variant(std::int64_t(1) << 40).toInt(), Error);
    EXPECT_TRUE(Variant("True").toBool());
    EXPECT_FALSE(Variant(0).toBool());
}

TEST(Collection, ItemsByIndexOrNameInAnyCase)
{
    Variant names = std::make_shared<Names>();
    EXPECT_EQ(names.get("COUNT").toInt(), 3);
    EXPECT_EQ(names.item(0).get("Name").toText(), "ItemA");
    EXPECT_EQ(names.item("itemc").get("Name").toText(), "ItemC");
    for (const Variant &bad : {Variant(3), Variant(-1), Variant("ItemZ")}) {
        try {
            names.item(bad);
            ADD_FAILURE() << "no error";
        } catch (const Error &e) {
            EXPECT_EQ(e.code(), 3265);
        }
    }
    EXPECT_THROW(names.put("Count", 4), Error);
}

TEST(Array, IndexedByColumnAndRow)
{
    auto cells = std::make_shared<std::vector<Variant>>(std::vector<Variant>{1, "a", 2, "b", 3, "c"});
    Array tail(cells, 2, 2, 2); // rows 1 and 2 of a two-column table
    EXPECT_EQ(tail.at(0, 0).toInt(), 2);
    EXPECT_EQ(tail.at(1, 1).toText(), "c");
    EXPECT_THROW(tail.at(2, 0), Error);
    EXPECT_THROW(tail.at(0, 2), Error);
}

TEST(Registry, RunningInstanceFirstThenCreation)
{
    Registry &r = Registry::instance();
    int created = 0;
    r.registerClass("Test.Counter", [&] {
        ++created;
        return std::make_shared<Counter>();
    });
    EXPECT_TRUE(r.isRegistered("test.COUNTER"));
    EXPECT_EQ(r.activeObject("Test.Counter"), nullptr);
    auto running = std::make_shared<Counter>();
    r.setRunning("Test.Counter", running);
    EXPECT_EQ(r.activeObject("TEST.counter"), running);
    r.createInstance("Test.Counter");
    EXPECT_EQ(created, 1);
    r.unregisterClass("Test.Counter");
    try {
        r.createInstance("Test.Counter");
        FAIL() << "no error";
    } catch (const Error &e) {
        EXPECT_STREQ(e.what(), "Invalid class string");
        EXPECT_EQ(e.code(), codes::InvalidClassString);
    }
    EXPECT_THROW(r.activeObject("Nothing.Here"), Error);
}

} // namespace
