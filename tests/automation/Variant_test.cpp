#include "automation/Error.h"
#include "automation/Object.h"
#include "automation/Registry.h"
#include "automation/Variant.h"

#include <gtest/gtest.h>

using namespace automation;

TEST(Variant, EmptyAndNullAreDistinct)
{
    Variant empty;
    Variant null = Variant::null();
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(null.isNull());
    EXPECT_FALSE(null.isEmpty());
    EXPECT_FALSE(empty == null);
}
