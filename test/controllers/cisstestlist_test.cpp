// The CISS controller's test list: which rows each board gets without the all-tests flag, the order,
// and the codes that depend on the board.

#include "controllers/cisstestlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "controllers/arrayboards.h"

namespace {

namespace boards = rb::arrayboards;

std::set<int> RowsOf(const rb::CissBoardFacts& facts) {
  std::set<int> rows;
  for (const rb::CissTestEntry& entry : rb::CissTestList(facts)) rows.insert(entry.row);
  return rows;
}

const rb::CissTestEntry* Find(const std::vector<rb::CissTestEntry>& list, const std::string& name) {
  const auto found = std::find_if(list.begin(), list.end(), [&](const auto& e) { return e.name == name; });
  return found != list.end() ? &*found : nullptr;
}

TEST(CissTestList, RowsBySelectionRule) {
  const std::set<int> always = {1, 2, 3, 4, 6, 7, 9, 11, 13, 14, 15, 17, 18, 19, 20, 25, 26, 27, 29, 30};
  auto with = [&](std::initializer_list<int> extra) {
    std::set<int> rows = always;
    rows.insert(extra);
    return rows;
  };
  const struct {
    const char* what;
    rb::CissBoardFacts facts;
    std::set<int> rows;
  } cases[] = {
      {"outside the range and the SAS set", {boards::kOtherCiss.id}, {1, 30}},
      {"outside both, with the flag",
       {boards::kOtherCiss.id, true},
       with({5, 8, 10, 12, 16, 21, 22, 23, 24, 28})},
      {"legacy board without memory", {boards::kLegacyBmic.id}, with({24})},
      {"legacy board, unsupported",
       {boards::kLegacyBmic.id, false, false},
       [&] {
         std::set<int> rows = with({24});
         rows.erase(2);
         return rows;
       }()},
      {"memory-checked legacy board with total memory only",
       {boards::kMemoryCheckedLegacy.id, false, true, 0, 64},
       with({5, 24})},
      {"legacy board with installed memory",
       {boards::kLegacyBmic.id, false, true, 64, 64},
       with({5, 12, 24})},
      {"plain SAS board", {boards::kPlainSas.id}, with({24})},
      {"reduced-memory board", {boards::kReducedMemory1.id}, with({8, 10, 24})},
      {"storage-box board", {boards::kStorageBox1.id}, with({8, 16, 21, 28})},
      {"three-test storage-box board", {boards::kThreeTestStorageBox.id}, with({8, 16, 21, 22, 28})},
      {"storage-box board with SGPIO backplanes",
       {boards::kStorageBox2.id, false, true, 0, 0, true},
       with({8, 16, 21, 23, 24, 28})},
  };
  for (const auto& c : cases) EXPECT_EQ(RowsOf(c.facts), c.rows) << c.what;
}

TEST(CissTestList, OrderNamesAndBoardCodes) {
  const std::vector<rb::CissTestEntry> all = rb::CissTestList({boards::kStorageBox1.id, true});
  ASSERT_TRUE(
      std::is_sorted(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.row < b.row; }));
  EXPECT_EQ(all.front().name, "ScsiInsertTest");
  EXPECT_EQ(all.back().name, "VerifyWWIDTest");
  EXPECT_EQ(Find(all, "ColorLEDTest")->testClass, "LEDColorTest");
  EXPECT_EQ(Find(all, "LoadCurrentTest3")->caption, "Load current battery test 3");
  EXPECT_EQ(Find(all, "LoadCurrentTest3")->codes, std::vector<int>{197});
  EXPECT_EQ(Find(all, "DataNonRetentionVerify")->codes, (std::vector<int>{3, 255}));
  // The storage-box board's LED settings and controller LED code, and everyone else's.
  EXPECT_EQ(Find(all, "ControllerLedTest")->codes, (std::vector<int>{5, 1}));
  EXPECT_EQ(Find(all, "NonSGPIOBPLEDTest")->codes, (std::vector<int>{15, 1, 64, 16}));
  const std::vector<rb::CissTestEntry> plain = rb::CissTestList({boards::kPlainSas.id, true});
  EXPECT_EQ(Find(plain, "ControllerLedTest")->codes, (std::vector<int>{5, -1}));
  EXPECT_EQ(Find(plain, "NonSGPIOBPLEDTest")->codes, (std::vector<int>{15, 32, 64, 16}));
  EXPECT_EQ(rb::CissTestNames(plain).size(), plain.size());
}

}  // namespace
