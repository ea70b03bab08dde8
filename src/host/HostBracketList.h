// The bracket-list notation: "[a,b,[c,d]]". An atom is the run of characters up to the next
// "," or "]", blanks included, never quoted. "[]" is the empty list. Elements count from 1.
//
// Every operation accepts any text, well formed or not, and TakeFirst brings any text to "[]"
// after finitely many calls (at most its length + 1), since loops over lists end only on "[]".
// How a faulty text is read is told at the top of HostBracketList.cc; CheckNotation alone
// judges the notation. Elements are texts as they stand: a nested list is its own text, and
// an element holding "," or a bracket is not quoted, so it reads back as several.
// A list of one empty element cannot be told from "[]": appending "" to "[]" gives "[]",
// and taking "a" off "[a,]" leaves "[]". With two elements or more, empty ones are kept
// ("[a,,b]" has three).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace actifix {

// A bracket list consumed from the front and extended at the back in place, for the long lists
// of record numbers of the editions: taking the first element off costs that element, not a
// copy of the rest, and appending costs the element (amortised). It reads any text as
// HostBracketList reads it, and its text (str) is always the list written out in full.
class BracketList {
 public:
  BracketList() = default;  // "[]"
  explicit BracketList(const std::string& text);

  std::string str() const;
  // Whether the list is "[]".
  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }

 private:
  friend class HostBracketList;
  // The element starting at `from` in elements_, and where the next one starts.
  std::string_view ElementAt(std::size_t from, std::size_t& next) const;

  std::string elements_;  // the elements still in the list, joined with "," from head_ on
  std::size_t head_ = 0;
  std::size_t count_ = 0;
};

class HostBracketList {
 public:
  void Count(const std::string& list, int32_t& count) const;
  // First element removed from `list` and returned (a nested list comes back as its text).
  void TakeFirst(std::string& list, std::string& element) const;
  void First(std::string& list, std::string& element) const;
  // The same on a BracketList, without copying the rest of the list.
  void TakeFirst(BracketList& list, std::string& element) const;
  void First(BracketList& list, std::string& element) const;
  void TakeLast(std::string& list, std::string& element) const;
  void Append(std::string& list, const std::string& element) const;
  void Append(BracketList& list, const std::string& element) const;
  void AppendAll(const std::string& list1, const std::string& list2, std::string& result) const;
  // Element at `index` (from 1); "" when there is none.
  void Item(const std::string& list, int32_t index, std::string& element) const;
  void Item(const BracketList& list, int32_t index, std::string& element) const;
  void ItemAt(const std::string& list, int32_t index, std::string& element) const;
  // Element at `index` replaced; a list shorter than `index` is first extended with "".
  // An index below 1 leaves the list as it is.
  void SetItem(std::string& list, int32_t index, const std::string& element) const;
  // flag := -1 when an element is exactly `element` (blanks and case count), else 0.
  void Contains(const std::string& list, const std::string& element, int16_t& flag) const;
  void FromArray(const std::vector<std::string>& values, std::string& list) const;
  // The entry label of a ledger entry with its account label: the label is kept as it is.
  void Combine(std::string& entryLabels, const std::string& accountLabel) const;
  // correct := -1 when the text is a well-formed list; else 0 and `position` is the 1-based
  // position of the first faulty character (one past the end when the text stops short:
  // "[a,b" gives 5, "" gives 1). Blanks around the whole list are allowed, since readers
  // trim; an atom may be empty ("[a,,b]") but may not hold "[". `position` is 0 when correct.
  void CheckNotation(const std::string& text, int16_t& correct, int32_t& position) const;
};

// The elements of a list, in order (the same split TakeFirst makes).
std::vector<std::string> SplitList(const std::string& list);

}  // namespace actifix
