#include <gtest/gtest.h>

TEST(ArchivePlaceholder, Builds) { SUCCEED(); }
