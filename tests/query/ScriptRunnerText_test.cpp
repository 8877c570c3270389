#include "query/core/ScriptRunner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using query::ScriptRunner;

namespace {

template <class Case>
std::string caseName(const testing::TestParamInfo<Case> &info)
{
    return info.param.name;
}

// ---- column widths

struct WidthCase {
    const char *name;
    std::int32_t size;
    std::string field;
    std::int32_t type;
    std::size_t width;
};

class ColumnWidthTest : public testing::TestWithParam<WidthCase> {};

TEST_P(ColumnWidthTest, FollowsSizeNameAndType)
{
    EXPECT_EQ(ScriptRunner::ColumnWidth(GetParam().size, GetParam().field, GetParam().type),
              GetParam().width);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ColumnWidthTest,
    testing::Values(WidthCase{"SizeZeroIsFifty", 0, "A", 10, 50},
                    WidthCase{"SmallSizeIsSix", 3, "A", 10, 6},
                    WidthCase{"NegativeSizeIsSix", -1, "A", 4, 6},
                    WidthCase{"SizeAsGiven", 20, "A", 10, 20},
                    WidthCase{"LongNameWidens", 10, "CustomerReference", 10, 17},
                    WidthCase{"NameCountsCharactersNotBytes", 3, "Größe_Straße_1", 10, 14},
                    WidthCase{"MemoIs255", 0, "Notes", 12, 255},
                    WidthCase{"BinaryIs255", 10, "Raw", 9, 255},
                    WidthCase{"LongBinaryKeepsItsSize", 0, "Photo", 11, 50},
                    WidthCase{"OverLimitIs255", 300, "A", 10, 255},
                    WidthCase{"NameOverLimitIs255", 10, std::string(300, 'n'), 10, 255},
                    WidthCase{"DateIs22", 8, "Born", 8, 22},
                    WidthCase{"DateWithLongNameIs22", 8, "DateOfTheFirstAppointment", 8, 22},
                    WidthCase{"TimeIs22", 8, "At", 22, 22},
                    WidthCase{"TimeStampIs22", 300, "Stamp", 23, 22}),
    caseName<WidthCase>);

// ---- padding

struct PadCase {
    const char *name;
    std::string text;
    char fill;
    std::size_t width;
    std::string padded;
};

class PadRightTest : public testing::TestWithParam<PadCase> {};

TEST_P(PadRightTest, FillsToWidthWithoutCutting)
{
    EXPECT_EQ(ScriptRunner::PadRight(GetParam().text, GetParam().fill, GetParam().width),
              GetParam().padded);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PadRightTest,
    testing::Values(PadCase{"Shorter", "ab", ' ', 5, "ab   "}, PadCase{"Exact", "abc", ' ', 3, "abc"},
                    PadCase{"LongerStays", "abcdef", ' ', 3, "abcdef"},
                    PadCase{"Empty", "", '-', 4, "----"}, PadCase{"ZeroWidth", "x", ' ', 0, "x"},
                    PadCase{"MultiByteCharacters", "Łódź", ' ', 6, "Łódź  "}),
    caseName<PadCase>);

// ---- script text

TEST(ScriptFromLines, EndsEveryLineWithCrLf)
{
    const struct {
        std::vector<std::string> lines;
        std::string script;
    } cases[] = {{{}, ""}, {{""}, "\r\n"}, {{"select 1", "from t;"}, "select 1\r\nfrom t;\r\n"}};
    for (const auto &c : cases)
        EXPECT_EQ(ScriptRunner::ScriptFromLines(c.lines), c.script) << c.script;
}

struct StripCase {
    const char *name;
    std::string script;
    std::string stripped;
};

class StripCommentsTest : public testing::TestWithParam<StripCase> {};

TEST_P(StripCommentsTest, RemovesCommentsOutsideQuotedText)
{
    EXPECT_EQ(ScriptRunner::StripComments(GetParam().script), GetParam().stripped);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, StripCommentsTest,
    testing::Values(
        StripCase{"Nothing", "select 1;\r\n", "select 1;\r\n"},
        StripCase{"Brace", "a {b} c", "a  c"},
        StripCase{"BraceAcrossLines", "a {b\r\nc} d", "a  d"},
        StripCase{"SeveralBraces", "{x}a{y}b{z}", "ab"},
        StripCase{"NestedBraceEndsAtFirstClose", "a { b { c } d } e", "a  d } e"},
        StripCase{"UnclosedBraceStays", "a } b { c", "a } b { c"},
        StripCase{"CloseBeforeOpenIsText", "a } b { c } d", "a } b  d"},
        StripCase{"LineCommentKeepsItsBreak", "a -- b\r\nc", "a \r\nc"},
        StripCase{"LineCommentAtTheStart", "-- b\r\nc -- d\r\n", "\r\nc \r\n"},
        StripCase{"LineCommentWithoutBreakTakesTheRest", "a; -- b; c", "a; "},
        StripCase{"LoneLineFeedsBecomeCrLf", "a\nb -- c\nd", "a\r\nb \r\nd"},
        StripCase{"BraceInsideLineCommentIsPartOfIt", "a -- b { c\r\nd } e\r\nf", "a \r\nd } e\r\nf"},
        StripCase{"DashesInsideBraceAreComment", "a { -- b } c", "a  c"},
        StripCase{"KeywordBeforeLineCommentStaysApart", "CustomerID--key\r\nFROM t", "CustomerID\r\nFROM t"},
        StripCase{"DashesInsideQuotesAreText", "select '--' from t\r\n", "select '--' from t\r\n"},
        StripCase{"BracesInsideQuotesAreText", "set g = '{6F9619FF-8B86-D011-B42D-00C04FC964FF}'",
                  "set g = '{6F9619FF-8B86-D011-B42D-00C04FC964FF}'"},
        StripCase{"DoubledQuoteStaysInside", "'it''s {x} --y' {c}", "'it''s {x} --y' "},
        StripCase{"DoubleQuotesBracketsBackticks", "\"{a}\" [--b] `{c}` {d}", "\"{a}\" [--b] `{c}` "},
        StripCase{"UnclosedQuoteTakesTheRest", "a '{b} -- c", "a '{b} -- c"}),
    caseName<StripCase>);

} // namespace
