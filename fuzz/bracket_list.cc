// The bracket-list notation on any text: the string operations and BracketList read it the same
// way, TakeFirst empties any text within its length + 1 calls, and nothing else crashes on it.
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "host/HostBracketList.h"

using actifix::BracketList;
using actifix::HostBracketList;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const HostBracketList lists;

  int16_t correct = 0;
  int32_t position = -1;
  lists.CheckNotation(text, correct, position);
  FUZZ_CHECK(correct == -1 || correct == 0);
  if (correct == -1)
    FUZZ_CHECK(position == 0);
  else
    FUZZ_CHECK(position >= 1 && static_cast<std::size_t>(position) <= size + 1);

  // Taking elements off the front, on the text and on a BracketList, side by side.
  std::string rest = text;
  BracketList list(text);
  std::vector<std::string> taken;
  while (rest != "[]") {
    FUZZ_CHECK(taken.size() <= size);
    // First is TakeFirst under its other name: the two take turns on each form.
    std::string fromText, fromList;
    if (taken.size() % 2 == 0) {
      lists.TakeFirst(rest, fromText);
      lists.First(list, fromList);
    } else {
      lists.First(rest, fromText);
      lists.TakeFirst(list, fromList);
    }
    FUZZ_CHECK(fromText == fromList);
    taken.push_back(fromText);
  }
  FUZZ_CHECK(list.empty() && list.str() == "[]");
  // The same split, but that a last element left empty is never taken ("[a,]" gives "a"
  // alone), and a text without elements that is not "[]" gives one "" before it becomes "[]".
  std::vector<std::string> split = actifix::SplitList(text);
  if (split.size() == taken.size() + 1 && split.back().empty()) split.pop_back();
  FUZZ_CHECK(split == taken || (split.empty() && taken == std::vector<std::string>{""}));

  int32_t count = 0;
  lists.Count(text, count);
  const BracketList whole(text);
  FUZZ_CHECK(static_cast<std::size_t>(count) == whole.size());
  for (int32_t index = 0; index <= count + 1 && index < 64; ++index) {
    std::string fromText, fromList;
    lists.Item(text, index, fromText);
    lists.Item(whole, index, fromList);
    FUZZ_CHECK(fromText == fromList);
  }

  // The other operations only need to end without harm; their inputs come from the text.
  const std::string element = taken.empty() ? std::string("x") : taken.front();
  std::string copy = text, last;
  // A few calls only: each splits the whole text again, and long texts would slow the run.
  for (int calls = 0; copy != "[]" && calls < 3; ++calls) lists.TakeLast(copy, last);
  copy = text;
  lists.Append(copy, element);
  BracketList appended(text);
  lists.Append(appended, element);
  lists.SetItem(copy, static_cast<int32_t>(size % 8), element);
  int16_t found = 0;
  lists.Contains(text, element, found);
  std::string joined, item;
  lists.AppendAll(text, copy, joined);
  lists.ItemAt(text, static_cast<int32_t>(size % 5), item);
  std::string labels = text;
  lists.Combine(labels, element);
  std::string rebuilt;
  lists.FromArray(taken, rebuilt);
  return 0;
}
