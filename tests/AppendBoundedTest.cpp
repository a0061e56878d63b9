#include <gtest/gtest.h>
#include <cwchar>
#include "common/AppendBounded.h"

TEST(AppendBounded, Smoke)
{
    wchar_t buffer[8] = L"ab";
    AppendBounded(buffer, 8, L"cd");
    EXPECT_STREQ(buffer, L"abcd");
}
