#include <gtest/gtest.h>

TEST(RestorePlaceholder, Builds) { SUCCEED(); }
