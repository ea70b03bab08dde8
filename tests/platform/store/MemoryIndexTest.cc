// The sort index in memory: entries added after a walk began take their place in key order,
// equal keys keep the order they came in, and the lists and counts see what was added last.
#include "platform/store/MemoryIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/HostError.h"

namespace actifix::platform {
namespace {

using Entries = std::vector<std::pair<std::string, int32_t>>;

Entries Walk(MemoryIndex& index) {
  Entries entries;
  for (auto at = index.begin(); at != index.end();
       at = index.After(index.KeyAt(at), index.SeqAt(at)))
    entries.emplace_back(index.KeyAt(at), index.NumberAt(at));
  return entries;
}

TEST(MemoryIndexTest, KeepsKeyOrderAndTheOrderOfEqualKeysThroughAddsAndRemovals) {
  MemoryIndex index;
  for (const auto& [key, number] : Entries{{"B", 1}, {"A", 2}, {"B", 3}, {"AB", 4}})
    index.Add(key, number, false, "AddKey", "Tri");
  // A walk standing on "A" (its entry read once) sees next what was added since, in its place.
  const int64_t seqOfA = index.SeqAt(index.Find("A", 2));
  index.Add("B", 5, false, "AddKey", "Tri");
  index.Add("AA", 6, false, "AddKey", "Tri");
  EXPECT_EQ(index.KeyAt(index.After("A", seqOfA)), "AA");
  EXPECT_EQ(Walk(index), (Entries{{"A", 2}, {"AA", 6}, {"AB", 4}, {"B", 1}, {"B", 3}, {"B", 5}}));

  EXPECT_EQ(index.ListPrefix("A"), "[2,6,4]");
  EXPECT_EQ(index.ListPrefix(""), "[2,6,4,1,3,5]");
  EXPECT_EQ(index.ListPrefix("C"), "[]");
  std::string first;
  EXPECT_EQ(index.CountPrefix("B", 2, first), 3);
  EXPECT_EQ(first, "[1,3]");

  EXPECT_TRUE(index.Remove("B", 3));
  EXPECT_FALSE(index.Remove("B", 3));
  EXPECT_FALSE(index.Remove("A", 6));         // that number is under another key
  index.Add("B", 3, false, "AddKey", "Tri");  // back, now the last of its key
  EXPECT_EQ(index.ListPrefix("B"), "[1,5,3]");
  EXPECT_EQ(index.Find("B", 0), index.Find("B", 1));

  index.Clear();
  EXPECT_EQ(Walk(index), Entries{});
  index.Add("K", 9, true, "AddKey", "Tri");
  EXPECT_THROW(index.Add("K", 10, true, "AddKey", "Tri"), HostError);
  EXPECT_EQ(Walk(index), (Entries{{"K", 9}}));
}

}  // namespace
}  // namespace actifix::platform
