#include "engine/TypeNames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace engine;

namespace {

template <class Code>
struct NameCase {
    const char *name;
    Code code;
    std::string text;
};

template <class Code>
std::string caseName(const testing::TestParamInfo<NameCase<Code>> &info)
{
    return info.param.name;
}

// ---- FieldTypeName

using FieldCase = NameCase<std::int16_t>;
class FieldTypeNameTest : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldTypeNameTest, GivesTheWordForTheCode)
{
    EXPECT_EQ(FieldTypeName(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, FieldTypeNameTest,
    testing::Values(FieldCase{"Boolean", 1, "Boolean"}, FieldCase{"Byte", 2, "Byte"},
                    FieldCase{"Integer", 3, "Integer"}, FieldCase{"Long", 4, "Long"},
                    FieldCase{"Currency", 5, "Currency"}, FieldCase{"Single", 6, "Single"},
                    FieldCase{"Double", 7, "Double"}, FieldCase{"Date", 8, "Date"},
                    FieldCase{"Binary", 9, "Binary"}, FieldCase{"Text", 10, "Text"},
                    FieldCase{"LongBinary", 11, "LongBinary"}, FieldCase{"Memo", 12, "Memo"},
                    FieldCase{"GUID", 15, "GUID"}, FieldCase{"BigInt", 16, "BigInt"},
                    FieldCase{"VarBinary", 17, "VarBinary"}, FieldCase{"Char", 18, "Char"},
                    FieldCase{"Numeric", 19, "Numeric"}, FieldCase{"Decimal", 20, "Decimal"},
                    FieldCase{"Float", 21, "Float"}, FieldCase{"Time", 22, "Time"},
                    FieldCase{"TimeStamp", 23, "TimeStamp"},
                    FieldCase{"Zero", 0, "Unkown DAO Type"},
                    FieldCase{"Thirteen", 13, "Unkown DAO Type"},
                    FieldCase{"Fourteen", 14, "Unkown DAO Type"},
                    FieldCase{"Negative", -1, "Unkown DAO Type"},
                    FieldCase{"Lowest", INT16_MIN, "Unkown DAO Type"},
                    FieldCase{"AboveLast", 24, "Unkown DAO Type"},
                    FieldCase{"Highest", INT16_MAX, "Unkown DAO Type"}),
    caseName<std::int16_t>);

// ---- TableAttributesText

using AttributesCase = NameCase<std::uint32_t>;
class TableAttributesTextTest : public testing::TestWithParam<AttributesCase> {};

TEST_P(TableAttributesTextTest, ListsFlagsInOrderWithHexValue)
{
    EXPECT_EQ(TableAttributesText(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, TableAttributesTextTest,
    testing::Values(
        AttributesCase{"None", 0, "Normal (0x0)"},
        AttributesCase{"SystemBothBits", 0x80000002u, "System (0x80000002)"},
        AttributesCase{"SystemHighBitOnly", 0x80000000u, "System (0x80000000)"},
        AttributesCase{"SystemLowBitOnly", 0x2u, "System (0x2)"},
        AttributesCase{"AttachedHidden", 0x40000001u, "Attached, Hidden (0x40000001)"},
        AttributesCase{"AttachedODBC", 0x20000000u, "AttachedODBC (0x20000000)"},
        AttributesCase{"AttachOptions", 0x00030000u, "AttachExclusive, AttachSavePWD (0x30000)"},
        AttributesCase{"EveryFlag", 0xF0030003u,
                       "AttachExclusive, AttachSavePWD, System, Attached, AttachedODBC, Hidden "
                       "(0xF0030003)"},
        AttributesCase{"UnnamedBitsUpperCaseHex", 0x00000ABCu, "Normal (0xABC)"},
        AttributesCase{"UnnamedBit", 0x00000100u, "Normal (0x100)"}),
    caseName<std::uint32_t>);

// ---- QueryTypeName

using QueryCase = NameCase<std::int16_t>;
class QueryTypeNameTest : public testing::TestWithParam<QueryCase> {};

TEST_P(QueryTypeNameTest, GivesWordAndHiddenMark)
{
    EXPECT_EQ(QueryTypeName(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, QueryTypeNameTest,
    testing::Values(QueryCase{"Select", 0, "Select"},
                    QueryCase{"SelectHidden", 8, "Select, (Hidden)"},
                    QueryCase{"Crosstab", 16, "Crosstab"},
                    QueryCase{"CrosstabHidden", 24, "Crosstab, (Hidden)"},
                    QueryCase{"Delete", 32, "Delete"}, QueryCase{"Update", 48, "Update"},
                    QueryCase{"Append", 64, "Append"},
                    QueryCase{"MakeTableHidden", 88, "Make-table, (Hidden)"},
                    QueryCase{"DataDefinition", 96, "Data-definition"},
                    QueryCase{"PassThrough", 112, "Pass-through"},
                    QueryCase{"Union", 128, "Union"}, QueryCase{"SPTBulk", 144, "SPTBulk"},
                    QueryCase{"Compound", 160, "Compound"},
                    QueryCase{"Procedure", 224, "Procedure"},
                    QueryCase{"ActionHidden", 248, "Action, (Hidden)"},
                    QueryCase{"UnknownWithHiddenBit", 9, ", (Hidden)"},
                    QueryCase{"Unknown", 1, ""}, QueryCase{"GapInTable", 176, ""},
                    QueryCase{"Negative", -1, ", (Hidden)"}),
    caseName<std::int16_t>);

// ---- RelationAttributeName

using RelationCase = NameCase<std::uint32_t>;
class RelationAttributeNameTest : public testing::TestWithParam<RelationCase> {};

TEST_P(RelationAttributeNameTest, MatchesTheWholeValue)
{
    EXPECT_EQ(RelationAttributeName(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RelationAttributeNameTest,
    testing::Values(RelationCase{"Unique", 0x1, "1:1"}, RelationCase{"NotEnforced", 0x2, "None"},
                    RelationCase{"Inherited", 0x4, "Inherited"},
                    RelationCase{"CascadeUpdate", 0x100, "Cascade update"},
                    RelationCase{"CascadeDelete", 0x1000, "Cascade delete"},
                    RelationCase{"Left", 0x1000000, "Left"},
                    RelationCase{"Right", 0x2000000, "Right"}, RelationCase{"Zero", 0, "1:N"},
                    RelationCase{"Combination", 0x101, "1:N"},
                    RelationCase{"BothCascades", 0x1100, "1:N"}),
    caseName<std::uint32_t>);

// ---- ParameterDirectionName

using DirectionCase = NameCase<std::int32_t>;
class ParameterDirectionNameTest : public testing::TestWithParam<DirectionCase> {};

TEST_P(ParameterDirectionNameTest, GivesTheWordOrNothing)
{
    EXPECT_EQ(ParameterDirectionName(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ParameterDirectionNameTest,
    testing::Values(DirectionCase{"Input", 1, "Input"}, DirectionCase{"Output", 2, "Output"},
                    DirectionCase{"InputOutput", 3, "InputOutput"},
                    DirectionCase{"Return", 4, "Return"}, DirectionCase{"Zero", 0, ""},
                    DirectionCase{"Five", 5, ""}, DirectionCase{"Negative", -1, ""}),
    caseName<std::int32_t>);

// ---- StatementKind

struct KindCase {
    const char *name;
    const char *sql;
    std::int16_t kind;
};

class StatementKindTest : public testing::TestWithParam<KindCase> {};

TEST_P(StatementKindTest, ClassifiesByTheFirstKeyword)
{
    EXPECT_EQ(StatementKind(GetParam().sql), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, StatementKindTest,
    testing::Values(KindCase{"Select", "SELECT * FROM t", 0},
                    KindCase{"SelectLowerCase", "select * from t", 0},
                    KindCase{"SelectMixedCase", "SeLeCt 1", 0},
                    KindCase{"MakeTableIsSelect", "SELECT * INTO t2 FROM t", 0},
                    KindCase{"KeywordGluedToText", "SELECTED", 0},
                    KindCase{"Delete", "delete from t", 32}, KindCase{"Update", "Update t set a=1", 48},
                    KindCase{"Insert", "INSERT INTO t VALUES (1)", 64},
                    KindCase{"Create", "create table t (a long)", 96},
                    KindCase{"LeadingBlank", " SELECT 1", 240},
                    KindCase{"LeadingParenthesis", "(SELECT 1)", 240},
                    KindCase{"Drop", "DROP TABLE t", 240}, KindCase{"Empty", "", 240},
                    KindCase{"ShorterThanKeyword", "SELEC", 240}),
    [](const testing::TestParamInfo<KindCase> &info) { return std::string(info.param.name); });

} // namespace
