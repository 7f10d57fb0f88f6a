#include <gtest/gtest.h>

#include "untComm/conversions.h"
#include "untComm/exceptions.h"

namespace {

struct Case {
  const wchar_t* text;
  std::optional<std::int32_t> value;
};

class TryStrToIntTest : public ::testing::TestWithParam<Case> {};

TEST_P(TryStrToIntTest, Converts) {
  EXPECT_EQ(untComm::TryStrToInt(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TryStrToIntTest,
    ::testing::Values(Case{L"6", 6}, Case{L"007", 7}, Case{L"  12", 12}, Case{L"+3", 3},
                      Case{L"-5", -5}, Case{L"999", 999}, Case{L"$FF", 255}, Case{L"0x1f", 31},
                      Case{L"$FFFFFFFF", -1}, Case{L"2147483647", 2147483647},
                      Case{L"-2147483648", INT32_MIN}, Case{L"2147483648", std::nullopt},
                      Case{L"", std::nullopt}, Case{L" ", std::nullopt}, Case{L"-", std::nullopt},
                      Case{L"1.5", std::nullopt}, Case{L"6 ", std::nullopt},
                      Case{L"abc", std::nullopt}, Case{L"$1FFFFFFFF", std::nullopt},
                      Case{L"１２", std::nullopt}));

TEST(StrToIntTest, RaisesTheConversionErrorWithTheText) {
  try {
    untComm::StrToInt(L"abc");
    FAIL();
  } catch (const untComm::EConvertError& e) {
    EXPECT_EQ(e.Message(), L"'abc' is not a valid integer value");
  }
}

}  // namespace
