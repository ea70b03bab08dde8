// The bracket-list notation: reading any text, taking elements off until "[]", building lists
// and judging the notation.
#include "host/HostBracketList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "host/Cp1252.h"

namespace actifix {
namespace {

const HostBracketList kLists;

// The elements as every reading sees them, on the text and on a BracketList; taken off until
// "[]", a last empty element is not, since a list of one empty element reads as "[]".
TEST(HostBracketList, ReadingAndTakingOff) {
  const struct {
    std::string list;
    std::vector<std::string> elements;
  } cases[] = {
      {"[]", {}},
      {"[a,b,c]", {"a", "b", "c"}},
      {std::string("[[G,6,Code],[G,30,Intitulé]]"_w),
       {"[G,6,Code]", std::string("[G,30,Intitulé]"_w)}},
      {"[[a,[b,c]],d]", {"[a,[b,c]]", "d"}},
      {"[ TOTAL, TOTAL GENERAL]", {" TOTAL", " TOTAL GENERAL"}},  // blanks are the atom's
      {"[12,%,+,-,l'an]", {"12", "%", "+", "-", "l'an"}},
      {"  [a,b]  ", {"a", "b"}},
      {"[ ]", {" "}},
      {"[a,,b]", {"a", "", "b"}},
      {"[,]", {"", ""}},
      {"[a,]", {"a", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE('"' + c.list + '"');
    const auto size = static_cast<int32_t>(c.elements.size());
    EXPECT_EQ(SplitList(c.list), c.elements);
    BracketList fast(c.list);
    std::string canonical;
    kLists.FromArray(c.elements, canonical);
    EXPECT_EQ(fast.str(), canonical);
    int32_t count = -1;
    kLists.Count(c.list, count);
    EXPECT_EQ(count, size);
    EXPECT_EQ(fast.size(), c.elements.size());
    for (int32_t index = 0; index <= size + 1; ++index) {
      std::string element = "junk", at = "junk", fromFast = "junk";
      kLists.Item(c.list, index, element);
      kLists.ItemAt(c.list, index, at);
      kLists.Item(fast, index, fromFast);
      EXPECT_EQ(element, index >= 1 && index <= size ? c.elements[index - 1] : "") << index;
      EXPECT_EQ(std::tie(at, fromFast), std::tie(element, element)) << index;
    }
    std::vector<std::string> expected = c.elements, taken;
    if (size > 1 && expected.back().empty()) expected.pop_back();
    std::string list = c.list;
    while (list != "[]" && taken.size() <= expected.size()) {
      std::string element, fromFast;
      if (taken.size() % 2 == 0) {
        kLists.TakeFirst(list, element);
        kLists.First(fast, fromFast);
      } else {
        kLists.First(list, element);
        kLists.TakeFirst(fast, fromFast);
      }
      EXPECT_EQ(std::make_tuple(fromFast, fast.str()), std::tie(element, list));
      taken.push_back(element);
    }
    EXPECT_EQ(taken, expected);
    EXPECT_TRUE(fast.empty());
    std::string rest = c.list, last = "junk", expectedRest;
    kLists.TakeLast(rest, last);
    EXPECT_EQ(last, size == 0 ? "" : c.elements.back());
    kLists.FromArray({c.elements.begin(), c.elements.end() - (size == 0 ? 0 : 1)}, expectedRest);
    EXPECT_EQ(rest, expectedRest);
  }
  int32_t count = -1;
  kLists.Count("", count);
  EXPECT_EQ(count, 0);
  std::string list = "[]", element = "junk";
  kLists.TakeFirst(list, element);
  EXPECT_EQ(std::tie(list, element), std::make_tuple("[]", ""));
}

// Loops over lists end only on "[]": any text must get there, in at most length + 1 calls.
TEST(HostBracketList, TakeFirstBringsAnyTextToEmpty) {
  std::mt19937 random(7);
  for (int n = 0; n < 20000; ++n) {
    std::string text(random() % 24, ' '), list, element;
    for (char& c : text) c = "[],a "[random() % 5];
    list = text;
    for (std::size_t calls = 0; list != "[]" && calls <= text.size(); ++calls)
      kLists.TakeFirst(list, element);
    ASSERT_EQ(list, "[]") << '"' << text << '"';
  }
}

// Well formed (0), or the position of the first faulty character, one past the end if cut short.
TEST(HostBracketList, CheckNotation) {
  const std::pair<const char*, int32_t> cases[] = {
      {"[]", 0},   {"[a,,b]", 0}, {"[ a , b ]", 0}, {"  [a]  ", 0}, {"[[],[[]]]", 0},
      {"[a,b", 5}, {"[a,[b]", 7}, {"a", 1},         {"", 1},        {"   ", 4},
      {"[a]b", 4}, {"[[a]b]", 5}, {"[a[b]", 3},     {"]", 1},       {"[a]]", 4},
  };
  for (const auto& [text, position] : cases) {
    int16_t correct = 7;
    int32_t at = -7;
    kLists.CheckNotation(text, correct, at);
    EXPECT_EQ(std::tie(correct, at), std::make_tuple(position == 0 ? -1 : 0, position)) << text;
  }
}

TEST(HostBracketList, BuildingLists) {
  const std::tuple<const char*, const char*, const char*> appends[] = {
      {"[]", "x", "[x]"},  {"[a]", "b", "[a,b]"},         {"[a]", "[b,c]", "[a,[b,c]]"},
      {"[a]", "", "[a,]"}, {"[[a,b]]", "c", "[[a,b],c]"}, {"[]", "[]", "[[]]"},
      {"[]", "", "[]"},
  };
  for (const auto& [before, element, after] : appends) {
    std::string list = before;
    BracketList fast(before);
    kLists.Append(list, element);
    kLists.Append(fast, element);
    EXPECT_EQ(std::make_tuple(list, fast.str(), fast.size()),
              std::make_tuple(after, after, SplitList(after).size()));
  }
  const std::tuple<const char*, int32_t, const char*> sets[] = {
      {"[a,b,c]", 2, "[a,[p,q],c]"},
      {"[]", 3, "[,,[p,q]]"},
      {"[a]", 1, "[[p,q]]"},
      {"[a]", 0, "[a]"},
  };
  for (const auto& [before, index, after] : sets) {
    std::string list = before;
    kLists.SetItem(list, index, "[p,q]");
    EXPECT_EQ(list, after);
  }
  const std::tuple<const char*, const char*, const char*> joins[] = {
      {"[a]", "[b,c]", "[a,b,c]"}, {"[]", "[]", "[]"}, {"[]", "[[x,y]]", "[[x,y]]"}};
  for (const auto& [first, second, joined] : joins) {
    std::string all;
    kLists.AppendAll(first, second, all);
    EXPECT_EQ(all, joined);
  }
  std::string list;
  kLists.FromArray({}, list);
  EXPECT_EQ(list, "[]");
  kLists.FromArray({"CODE1", std::string("Libellé"_w)}, list);
  EXPECT_EQ(list, "[CODE1,Libellé]"_w);
}

// An element is found only as it stands: blanks, case, an empty element, a nested list.
TEST(HostBracketList, Contains) {
  const std::tuple<const char*, const char*, int16_t> cases[] = {
      {"[L,D,E]", "D", -1}, {"[L,D,E]", "l", 0}, {"[L,D,E]", "", 0},         {"[L,D,E]", " ", 0},
      {"[]", "", 0},        {"[a,,b]", "", -1},  {"[[a,b],c]", "[a,b]", -1},
  };
  for (const auto& [list, element, expected] : cases) {
    int16_t flag = 7;
    kLists.Contains(list, element, flag);
    EXPECT_EQ(flag, expected) << list << " " << element;
  }
}

}  // namespace
}  // namespace actifix
