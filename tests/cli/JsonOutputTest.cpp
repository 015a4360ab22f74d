// vexo --json: every document parses and has its fields, and carries the card's values.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli/JsonOutput.h"
#include "tests/cli/RunVexoForTest.h"
#include "tests/support/CardImage.h"

namespace vexo {
namespace {

using Json = nlohmann::json;
using testing::Vexo;
using Result = testing::VexoResult;

const std::vector<std::string> kEntryFields = {
    "slot",    "category",    "name",      "date",     "time",     "modified",
    "desc1",   "desc2",       "desc3",     "desc4",    "program_length",
    "sm_file", "sm_date",     "sm_time",   "sm_modified", "sm_length",
    "gci_file", "gci_date",   "gci_time",  "gci_modified", "gci_length"};

// A card with Pong (slot 1) and Alpha (slot 2) in Games, Readme (slot 3) in the blank category,
// an SM file on Pong, and a backup of it all.
class JsonOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    card = testing::MakeImage(temp.file("card.img"));
    ASSERT_EQ(Vexo({"format", card}).status, 0);
    ASSERT_EQ(Vexo({"import", card, file("Pong.vxe", "abc"), "-c", "Games"}).status, 0);
    ASSERT_EQ(Vexo({"import", card, file("Alpha.vxe", "wxyz"), "-c", "Games"}).status, 0);
    ASSERT_EQ(Vexo({"import", card, file("Readme.vxe", "r")}).status, 0);
    ASSERT_EQ(Vexo({"attach", card, "Pong", file("hiscore.pdata", "12345"), "-c", "Games"}).status,
              0);
    ASSERT_EQ(Vexo({"rename", card, "Pong", "-c", "Games", "--desc2", "Café"}).status, 0);
    archive = temp.file("all.VexoImage");
    ASSERT_EQ(Vexo({"--quiet", "backup", card, archive}).status, 0);
  }
  std::string file(const std::string& name, const std::string& content) {
    const std::string path = temp.file(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  // The document a successful command printed; nothing else on standard output.
  static Json Document(const Result& r) {
    EXPECT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.back(), '\n');
    return Json::parse(r.out);  // throws, failing the test, on anything but one document
  }
  testing::TempDir temp;
  std::string card;
  std::string archive;
};

TEST_F(JsonOutputTest, EachCommandPrintsOneDocumentWithItsFields) {
  struct Case {
    std::vector<std::string> words;
    std::vector<std::string> fields;
    std::string list;  // the field holding the items, or the one object
    std::vector<std::string> itemFields;
  };
  const std::vector<std::string> linkFields = {
      "slot", "used", "name", "category", "next", "next_check", "next_expected", "previous",
      "previous_check", "previous_expected", "first", "first_check", "first_expected", "last",
      "last_check", "last_expected"};
  const std::vector<Case> cases = {
      {{"ls", card, "Games"}, {"card", "category", "chain_errors", "entries"}, "entries",
       kEntryFields},
      {{"ls", card}, {"card", "category", "chain_errors", "entries"}, "entries", kEntryFields},
      {{"ls", "--categories", card}, {"card", "categories"}, "categories", {"name", "entry_count"}},
      {{"info", card, "Pong", "-c", "Games"}, {"card", "entry"}, "entry", kEntryFields},
      {{"diag", card}, {"card", "rows", "errors", "warnings", "summary", "program_findings", "all_ok"}, "rows",
       linkFields},
      {{"restore", "--list", archive}, {"archive", "items", "csa"}, "items",
       {"item", "category", "name", "stored"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = {"--json"};
    words.insert(words.end(), c.words.begin(), c.words.end());
    const std::string what = ::testing::PrintToString(c.words);
    const Result r = Vexo(words);
    ASSERT_EQ(r.status, 0) << what << r.err;
    EXPECT_EQ(r.err, "") << what;
    const Json doc = Document(r);
    for (const std::string& field : c.fields) EXPECT_TRUE(doc.contains(field)) << what << field;
    EXPECT_EQ(doc.size(), c.fields.size()) << what << doc.dump();
    const Json items = doc[c.list].is_array() ? doc[c.list] : Json::array({doc[c.list]});
    ASSERT_FALSE(items.empty()) << what;
    for (const Json& item : items) {
      for (const std::string& field : c.itemFields)
        EXPECT_TRUE(item.contains(field)) << what << " item lacks " << field;
      EXPECT_EQ(item.size(), c.itemFields.size()) << what << item.dump();
    }
  }
}

TEST_F(JsonOutputTest, EntriesCarrySlotsLengthsAndDatesInChainOrder) {
  const Json games = Document(Vexo({"--json", "ls", card, "Games"}));
  EXPECT_EQ(games["card"], card);
  EXPECT_EQ(games["category"], "Games");
  EXPECT_EQ(games["chain_errors"], 0);
  ASSERT_EQ(games["entries"].size(), 2u);
  const Json& alpha = games["entries"][0];
  const Json& pong = games["entries"][1];
  EXPECT_EQ(alpha["name"], "Alpha");
  EXPECT_EQ(alpha["slot"], 2);
  EXPECT_EQ(alpha["program_length"], 4);
  EXPECT_EQ(alpha["sm_file"], "");
  EXPECT_EQ(alpha["sm_modified"], nullptr);
  EXPECT_EQ(pong["slot"], 1);
  EXPECT_EQ(pong["category"], "Games");
  EXPECT_EQ(pong["desc2"], "Café");
  EXPECT_EQ(pong["sm_file"], "hiscore");
  EXPECT_EQ(pong["sm_length"], 5);
  EXPECT_EQ(pong["gci_length"], 0);
  EXPECT_EQ(pong["modified"], IsoTimestamp(pong["date"], pong["time"]));
  EXPECT_EQ(pong["modified"].get<std::string>().size(), 19u);

  const Json info = Document(Vexo({"--json", "info", card, "Pong", "-c", "Games"}));
  EXPECT_EQ(info["entry"], pong);  // one entry, one spelling

  const Json blank = Document(Vexo({"--json", "ls", card}));
  ASSERT_EQ(blank["entries"].size(), 1u);
  EXPECT_EQ(blank["entries"][0]["name"], "Readme");
  EXPECT_EQ(blank["entries"][0]["category"], "");

  const Json categories = Document(Vexo({"--json", "ls", "--categories", card}));
  EXPECT_EQ(categories["categories"], Json::parse(R"([{"name": "Games", "entry_count": 2}])"));
}

TEST_F(JsonOutputTest, ABrokenChainShowsInLsAndDiag) {
  // The chain runs Readme (3), Alpha (2), Pong (1); Pong's link back skips Alpha.
  SlotHeader pong = testing::ReadHeader(card, 1);
  pong.setPrevious(3);
  testing::WriteHeader(card, 1, pong);
  SlotHeader readme = testing::ReadHeader(card, 3);
  readme.setLast(7);  // only header 1 holds the chain's ends: a warning
  testing::WriteHeader(card, 3, readme);

  const Result ls = Vexo({"--json", "ls", card, "Games"});
  EXPECT_EQ(ls.status, 0);
  EXPECT_EQ(ls.err, "1 Errors in Vexo File system\n");  // the message stays on standard error
  EXPECT_EQ(Document(ls)["chain_errors"], 1);

  const Result diag = Vexo({"--json", "diag", card});
  EXPECT_EQ(diag.status, 1);
  const Json doc = Document(diag);
  EXPECT_EQ(doc["errors"], 1);
  EXPECT_EQ(doc["warnings"], 1);
  EXPECT_EQ(doc["summary"], "1 Errors, 1 Warnings");
  EXPECT_EQ(doc["all_ok"], false);
  ASSERT_EQ(doc["rows"].size(), 512u);
  const Json& row1 = doc["rows"][0];
  EXPECT_EQ(row1["slot"], 1);
  EXPECT_EQ(row1["used"], true);
  EXPECT_EQ(row1["previous"], 3);
  EXPECT_EQ(row1["previous_check"], "error");
  EXPECT_EQ(row1["previous_expected"], 2);
  EXPECT_EQ(row1["next_check"], "ok");
  EXPECT_EQ(row1["first_check"], "ok");
  const Json& row3 = doc["rows"][2];
  EXPECT_EQ(row3["last"], 7);
  EXPECT_EQ(row3["last_check"], "warning");
  EXPECT_EQ(row3["last_expected"], 0);
  const Json& free = doc["rows"][511];
  EXPECT_EQ(free["used"], false);
  EXPECT_EQ(free["next_check"], "ok");
  EXPECT_EQ(free["first_check"], "ok");
  EXPECT_EQ(free["first_expected"], 0);
}

TEST_F(JsonOutputTest, RestoreListNamesItemsAsTheRestoreTakesThem) {
  const Json doc = Document(Vexo({"--json", "restore", "--list", archive}));
  EXPECT_EQ(doc["archive"], archive);
  std::vector<std::string> items;
  for (const Json& item : doc["items"]) {
    items.push_back(item["item"]);
    EXPECT_EQ(RestoreList::Join(item["category"], item["name"]), item["item"]);
  }
  EXPECT_EQ(items, (std::vector<std::string>{"Games\\Alpha", "Games\\Pong", "Readme"}));
}

TEST_F(JsonOutputTest, OtherCommandsRefuseJsonAndAPathNeedNotBeUtf8) {
  for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
           {"--json", "format", card}, {"--json", "mkimage", temp.file("x.img")},
           {"--json", "restore", card, archive}}) {
    const Result r = Vexo(words);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(words);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("usage"), std::string::npos);
  }
  EXPECT_EQ(testing::ReadHeader(card, 1).filename(), "Pong");  // not formatted

  const std::string odd = temp.file("card\xff.img");
  ASSERT_EQ(std::rename(card.c_str(), odd.c_str()), 0);
  const Result r = Vexo({"--json", "ls", "--categories", odd});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Document(r)["categories"].size(), 1u);
}

TEST(IsoTimestampTest, ReadsDatesWithAnySeparators) {
  struct Case {
    std::string date, time, iso;
  };
  for (const Case& c : {Case{"2026/12/10", "09:30:00", "2026-12-10T09:30:00"},
                        Case{"2026.12.10", "09.30.00", "2026-12-10T09:30:00"},
                        Case{"2026 - 01 - 02", "23h59m58", "2026-01-02T23:59:58"},
                        Case{"", "", ""}, Case{"10.12.2026", "09:30:00", ""},
                        Case{"2026/12/10", "9:30:00", ""}, Case{"2026/12", "09:30:00", ""}})
    EXPECT_EQ(IsoTimestamp(c.date, c.time), c.iso) << c.date << ' ' << c.time;
}

}  // namespace
}  // namespace vexo
