#include <gtest/gtest.h>

#include "numerics/numbertext.h"

using namespace corvath::numerics;

TEST(TextToNumber, ReadsCommaAndPoint) {
  EXPECT_EQ(TextToNumber("3,25"), 3.25);
  EXPECT_EQ(TextToNumber("3.25"), 3.25);
  EXPECT_EQ(TextToNumber("42 "), InvalidNumber);
}
