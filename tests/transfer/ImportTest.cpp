#include <gtest/gtest.h>

#include "tests/support/CardFixture.h"
#include "transfer/ProgramImport.h"

namespace vexo {
namespace {

class ImportTest : public testing::CardFixture {};

TEST_F(ImportTest, Placeholder) { SUCCEED(); }

}  // namespace
}  // namespace vexo
