#include <gtest/gtest.h>

#include "tests/support/CardFixture.h"
#include "volume/Diagnostics.h"

namespace vexo {
namespace {

using testing::CardBuilder;

class DiagnosticsTest : public testing::CardFixture {
 protected:
  const std::string& at(const Diagnostics& d, int row, int column) {
    return d.cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
};

TEST_F(DiagnosticsTest, AFreshVolumeIsAllOk) {
  testing::FormatImage(image);
  load();
  const Diagnostics d = Diagnose(dir);
  ASSERT_EQ(d.cells.size(), 513u);
  const std::array<std::string, 11> titles = {"Entry", "Filename", "Category", "Next",
                                              "Previous", "First", "Last", "Next ok",
                                              "Previous ok", "First ok", "Last ok"};
  EXPECT_EQ(d.cells[0], titles);
  for (int row = 1; row <= 512; ++row) {
    EXPECT_EQ(at(d, row, 0), std::to_string(row));
    EXPECT_EQ(at(d, row, 7), "ok");
    EXPECT_EQ(at(d, row, 8), "ok");
    if (row > 1) {
      EXPECT_EQ(at(d, row, 9), "ok");
      EXPECT_EQ(at(d, row, 10), "ok");
    }
  }
  EXPECT_EQ(at(d, 1, 9), "");  // an empty chain has no start to check
  EXPECT_EQ(at(d, 1, 10), "");
  EXPECT_EQ(at(d, 1, 1), "");  // a free slot's name begins with its 0 byte
  EXPECT_EQ(d.summary, "All ok");
  EXPECT_FALSE(d.alarming);
}

TEST_F(DiagnosticsTest, ChecksEachLinkAgainstTheSortedOrder) {
  // Slots 4, 2 and 9 whose keys sort 2, 9, 4.
  CardBuilder().add(4, "", "c").add(2, "", "a").add(9, "", "b").writeTo(image);
  load();
  Diagnostics d = Diagnose(dir);
  EXPECT_EQ(at(d, 2, 8), "ok");
  EXPECT_EQ(at(d, 9, 7), "ok");
  EXPECT_EQ(at(d, 9, 8), "ok");
  EXPECT_EQ(at(d, 4, 7), "ok");
  EXPECT_EQ(at(d, 1, 9), "ok");
  EXPECT_EQ(at(d, 1, 10), "ok");
  EXPECT_EQ(at(d, 2, 1), "a                  ");  // 20 bytes untrimmed, up to the 0 byte
  EXPECT_EQ(at(d, 2, 3), "9");
  EXPECT_EQ(at(d, 1, 5), "2");
  EXPECT_EQ(at(d, 1, 6), "4");
  EXPECT_EQ(d.summary, "All ok");

  dir.header(9).setNext(0);
  d = Diagnose(dir);
  EXPECT_EQ(at(d, 9, 7), "4");
  EXPECT_EQ(d.summary, "1 Errors");
  EXPECT_TRUE(d.alarming);
}

TEST_F(DiagnosticsTest, SummaryCountsErrorsAndWarnings) {
  struct Case {
    const char* what;
    void (*spoil)(Directory&);
    std::string summary;
  };
  const Case cases[] = {
      {"first set in header 5", [](Directory& d) { d.header(5).setFirst(3); }, "1 Warnings"},
      {"two errors and a warning",
       [](Directory& d) {
         d.header(1).setFirst(9);
         d.header(7).setPrevious(3);  // a free slot with a link
         d.header(6).setLast(2);
       },
       "2 Errors, 1 Warnings"},
  };
  CardBuilder().add(1, "", "a").add(2, "", "b").writeTo(image);
  load();
  const std::vector<SlotHeader> good = dir.vexodirs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dir.vexodirs = good;
    c.spoil(dir);
    const Diagnostics d = Diagnose(dir);
    EXPECT_EQ(d.summary, c.summary);
    EXPECT_TRUE(d.alarming);
  }
  dir.vexodirs = good;
  dir.header(5).setFirst(3);
  EXPECT_EQ(at(Diagnose(dir), 5, 9), "Warning 0");
}

TEST_F(DiagnosticsTest, ASingleEntryIsBothEndsOfTheChain) {
  CardBuilder().add(3, "", "only").writeTo(image);
  load();
  dir.header(3).setNext(5);
  dir.header(1).setLast(0);
  const Diagnostics d = Diagnose(dir);
  EXPECT_EQ(at(d, 3, 7), "0");
  EXPECT_EQ(at(d, 3, 8), "ok");
  EXPECT_EQ(at(d, 1, 9), "ok");
  EXPECT_EQ(at(d, 1, 10), "3");
  EXPECT_EQ(d.summary, "2 Errors");
}

}  // namespace
}  // namespace vexo
