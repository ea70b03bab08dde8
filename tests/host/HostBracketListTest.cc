// The bracket-list notation: reading any text, taking elements off until "[]", building lists
// and judging the notation.
#include "host/HostBracketList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "host/Cp1252.h"

namespace actifix {
namespace {

const HostBracketList kLists;

int32_t Count(const std::string& list) {
  int32_t count = -1;
  kLists.Count(list, count);
  return count;
}

TEST(HostBracketList, Count) {
  const struct {
    const char* list;
    int32_t count;
  } cases[] = {
      {"[]", 0},        {"[a]", 1},           {"[a,b,c]", 3}, {"[[G,6,Code],[G,30,Intitule]]", 2},
      {"[a,,b]", 3},    {"[,]", 2},           {"", 0},        {"  [a,b]  ", 2},
      {"[ a , b ]", 2}, {"[[a,[b,c]],d]", 2}, {"[ ]", 1},     {"[L,D,E]", 3},
  };
  for (const auto& c : cases) EXPECT_EQ(Count(c.list), c.count) << c.list;
}

// Elements taken off one by one, with the list left after each.
TEST(HostBracketList, TakeFirstWalksTheElements) {
  const struct {
    std::string list;
    std::vector<std::string> elements;
  } cases[] = {
      {"[]", {}},
      {"[a,b,c]", {"a", "b", "c"}},
      {std::string("[[G,6,Code],[G,30,Intitulé]]"_w),
       {"[G,6,Code]", std::string("[G,30,Intitulé]"_w)}},
      {"[ TOTAL, TOTAL GENERAL]", {" TOTAL", " TOTAL GENERAL"}},
      {"[Service, Atelier]", {"Service", " Atelier"}},
      {"[a,,b]", {"a", "", "b"}},
      {"[[a,[b,c]],d]", {"[a,[b,c]]", "d"}},
      {"[12,%,+,-,l'an]", {"12", "%", "+", "-", "l'an"}},
  };
  for (const auto& c : cases) {
    std::string list = c.list;
    std::vector<std::string> taken;
    while (list != "[]" && taken.size() <= c.elements.size()) {
      std::string element;
      // First is the module's other name for TakeFirst: the walk alternates them.
      if (taken.size() % 2 == 0) {
        kLists.TakeFirst(list, element);
      } else {
        kLists.First(list, element);
      }
      taken.push_back(element);
    }
    EXPECT_EQ(taken, c.elements) << c.list;
    EXPECT_EQ(SplitList(c.list), c.elements) << c.list;
  }
  std::string list = "[]";
  std::string element = "junk";
  kLists.TakeFirst(list, element);
  EXPECT_EQ(element, "");
  EXPECT_EQ(list, "[]");
}

// Loops over lists end only on "[]": any text must get there, in at most length + 1 calls.
int CallsToEmpty(std::string list) {
  const std::size_t bound = list.size() + 1;
  for (std::size_t calls = 0; calls <= bound; ++calls) {
    if (list == "[]") return static_cast<int>(calls);
    std::string element;
    kLists.TakeFirst(list, element);
  }
  return -1;
}

TEST(HostBracketList, TakeFirstBringsAnyTextToEmpty) {
  const char* texts[] = {"[a,[b",    "]]]",   "[[[[", "abc",   "",    "[,]",
                         "[a,,b]",   "[a]]]", ",,,",  "[a,b,", "   ", "[[[a,b],c],d",
                         "[[a]b,c]", "a,b]",  "[",    "]",     "[]]", "x[y,z]"};
  for (const char* text : texts) EXPECT_GE(CallsToEmpty(text), 0) << '"' << text << '"';

  std::mt19937 random(7);
  const std::string alphabet = "[],a ";
  for (int n = 0; n < 20000; ++n) {
    std::string text(random() % 24, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    ASSERT_GE(CallsToEmpty(text), 0) << '"' << text << '"';
  }
}

TEST(HostBracketList, CheckNotation) {
  const struct {
    const char* text;
    int16_t correct;
    int32_t position;
  } cases[] = {
      {"[]", -1, 0},
      {"[[a,b],[c]]", -1, 0},
      {"[a,,b]", -1, 0},
      {"[ a , b ]", -1, 0},
      {"  [a]  ", -1, 0},
      {"[[],[[]]]", -1, 0},
      {"[PS,1,[[NC,No COMPTE,A,10,G],[D,DEBIT,M,11,2,D]],[D,C]]", -1, 0},
      {"[a,b", 0, 5},
      {"[a,[b", 0, 6},
      {"[a,[b]", 0, 7},
      {"a", 0, 1},
      {"", 0, 1},
      {"   ", 0, 4},
      {"[a]b", 0, 4},
      {"[[a]b]", 0, 5},
      {"[a[b]", 0, 3},
      {"]", 0, 1},
      {"[[[[", 0, 5},
      {"[a],[b]", 0, 4},
      {"[a]]", 0, 4},
  };
  for (const auto& c : cases) {
    int16_t correct = 7;
    int32_t position = -7;
    kLists.CheckNotation(c.text, correct, position);
    EXPECT_EQ(correct, c.correct) << '"' << c.text << '"';
    if (c.correct == 0) {
      EXPECT_EQ(position, c.position) << '"' << c.text << '"';
    }
  }
}

TEST(HostBracketList, ItemCountsFromOne) {
  const std::string list = "[a,[b,c],d]";
  const struct {
    int32_t index;
    const char* element;
  } cases[] = {{1, "a"}, {2, "[b,c]"}, {3, "d"}, {4, ""}, {0, ""}, {-1, ""}};
  for (const auto& c : cases) {
    std::string element = "junk";
    // ItemAt is the module's other name for Item: odd indexes go through it.
    if (c.index % 2 == 0) {
      kLists.Item(list, c.index, element);
    } else {
      kLists.ItemAt(list, c.index, element);
    }
    EXPECT_EQ(element, c.element) << c.index;
  }
}

TEST(HostBracketList, BuildingLists) {
  const struct {
    const char* list;
    const char* element;
    const char* appended;
  } appends[] = {
      {"[]", "x", "[x]"},  {"[a]", "b", "[a,b]"},         {"[a]", "[b,c]", "[a,[b,c]]"},
      {"[a]", "", "[a,]"}, {"[[a,b]]", "c", "[[a,b],c]"}, {"[]", "[]", "[[]]"},
  };
  for (const auto& c : appends) {
    std::string list = c.list;
    kLists.Append(list, c.element);
    EXPECT_EQ(list, c.appended);
  }

  const struct {
    const char* list;
    int32_t index;
    const char* element;
    const char* result;
  } sets[] = {
      {"[a,b,c]", 2, "x", "[a,x,c]"},
      {"[]", 3, "x", "[,,x]"},
      {"[a]", 1, "z", "[z]"},
      {"[a]", 0, "z", "[a]"},
      {"[a,b]", 2, "[p,q]", "[a,[p,q]]"},
  };
  for (const auto& c : sets) {
    std::string list = c.list;
    kLists.SetItem(list, c.index, c.element);
    EXPECT_EQ(list, c.result);
  }

  const struct {
    const char* list;
    const char* last;
    const char* rest;
  } lasts[] = {
      {"[a,b,c]", "c", "[a,b]"},
      {"[]", "", "[]"},
      {"[[a,b],[c,d]]", "[c,d]", "[[a,b]]"},
      {"[x]", "x", "[]"},
  };
  for (const auto& c : lasts) {
    std::string list = c.list;
    std::string element = "junk";
    kLists.TakeLast(list, element);
    EXPECT_EQ(element, c.last);
    EXPECT_EQ(list, c.rest);
  }

  std::string all;
  kLists.AppendAll("[a]", "[b,c]", all);
  EXPECT_EQ(all, "[a,b,c]");
  kLists.AppendAll("[]", "[]", all);
  EXPECT_EQ(all, "[]");
  kLists.AppendAll("[]", "[[x,y]]", all);
  EXPECT_EQ(all, "[[x,y]]");

  std::string list;
  kLists.FromArray({}, list);
  EXPECT_EQ(list, "[]");
  kLists.FromArray({"CODE1", std::string("Libellé"_w)}, list);
  EXPECT_EQ(list, "[CODE1,Libellé]"_w);
}

TEST(HostBracketList, Contains) {
  const struct {
    const char* list;
    const char* element;
    int16_t flag;
  } cases[] = {
      {"[L,D,E]", "D", -1}, {"[L,D,E]", "X", 0}, {"[L,D,E]", "", 0}, {"[L,D,E]", " ", 0},
      {"[L,D,E]", "l", 0},  {"[]", "", 0},       {"[a,,b]", "", -1}, {"[[a,b],c]", "[a,b]", -1},
  };
  for (const auto& c : cases) {
    int16_t flag = 7;
    kLists.Contains(c.list, c.element, flag);
    EXPECT_EQ(flag, c.flag) << c.list << " " << c.element;
  }
}

TEST(HostBracketList, CombineKeepsTheEntryLabel) {
  std::string label = "[Sortie sans Cession,Bureau]";
  kLists.Combine(label, std::string("Matériel de bureau"_w));
  EXPECT_EQ(label, "[Sortie sans Cession,Bureau]");
}

// A BracketList reads, takes and appends as the same operations on the list's text do.
TEST(BracketList, BehavesAsTheTextItHolds) {
  for (const std::string text : {"[]", "[1]", "[a,,b]", "[[k,[1,2],[]],x]", " [a,b", "a]b,c"}) {
    std::string list = text, element, taken;
    BracketList fast(text);
    std::string canonical;
    kLists.FromArray(SplitList(text), canonical);
    EXPECT_EQ(fast.str(), canonical) << text;
    kLists.Item(list, 2, element);
    kLists.Item(fast, 2, taken);
    EXPECT_EQ(taken, element) << text;
    kLists.Append(list, "z,[y]");
    kLists.Append(fast, "z,[y]");
    while (list != "[]") {
      EXPECT_EQ(fast.size(), static_cast<std::size_t>(SplitList(list).size())) << text;
      kLists.TakeFirst(list, element);
      kLists.TakeFirst(fast, taken);
      EXPECT_EQ(taken, element) << text;
      EXPECT_EQ(fast.str(), list) << text;
    }
    EXPECT_TRUE(fast.empty()) << text;
  }
}

}  // namespace
}  // namespace actifix
