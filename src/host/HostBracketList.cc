// The bracket-list utilities. Reading is lenient so that any text, well formed or not, splits
// into elements and is used up by TakeFirst; only CheckNotation judges the notation.
//
// How a text is read: blanks around the whole are ignored; an opening "[" is skipped when
// present; nothing (or "]") right after it means no element. An element that starts with "["
// runs to its matching "]" (or the end of the text) and then, like an atom, to the next "," or
// "]"; an atom runs to the next "," or "]". After an element, "," announces another one, "]" or
// the end of the text closes the list, and whatever follows the closing "]" is ignored.
#include "host/HostBracketList.h"

#include <string_view>

#include "host/Text.h"

namespace actifix {

namespace {

// The position just past the "]" that closes the "[" at `at`, or the end of the text when none
// does.
std::size_t PastBrackets(std::string_view text, std::size_t at) {
  int depth = 0;
  for (std::size_t i = at; i < text.size(); ++i) {
    if (text[i] == '[') {
      ++depth;
    } else if (text[i] == ']' && --depth == 0) {
      return i + 1;
    }
  }
  return text.size();
}

// Walks the elements of a list text in order.
class ElementReader {
 public:
  explicit ElementReader(std::string_view list) {
    text_ = Trim(list);
    if (text_.empty()) {
      done_ = true;
      return;
    }
    pos_ = text_.front() == '[' ? 1 : 0;
    done_ = pos_ == text_.size() || text_[pos_] == ']';
  }

  // The next element, or false when the list is used up.
  bool Next(std::string_view& element) {
    if (done_) return false;
    const std::size_t start = pos_;
    std::size_t i = start;
    if (i < text_.size() && text_[i] == '[') i = PastBrackets(text_, i);
    while (i < text_.size() && text_[i] != ',' && text_[i] != ']') ++i;
    element = text_.substr(start, i - start);
    if (i < text_.size() && text_[i] == ',') {
      pos_ = i + 1;
    } else {
      done_ = true;
    }
    return true;
  }

  // The text after the separator of the last element read ("" once the list is closed).
  std::string_view Rest() const { return done_ ? std::string_view() : text_.substr(pos_); }
  bool Done() const { return done_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  bool done_ = false;
};

std::string Join(const std::vector<std::string>& elements) {
  std::size_t size = 2 + elements.size();
  for (const auto& e : elements) size += e.size();
  std::string list;
  list.reserve(size);
  list.push_back('[');
  for (std::size_t i = 0; i < elements.size(); ++i) {
    if (i > 0) list.push_back(',');
    list += elements[i];
  }
  list.push_back(']');
  return list;
}

}  // namespace

BracketList::BracketList(const std::string& text) {
  const std::vector<std::string> elements = SplitList(text);
  const std::string joined = Join(elements);
  count_ = elements.size();
  // A list of one empty element reads as "[]", as HostBracketList::Append makes it.
  if (count_ == 1 && elements[0].empty()) count_ = 0;
  if (count_ > 0) elements_ = joined.substr(1, joined.size() - 2);
}

std::string BracketList::str() const {
  if (count_ == 0) return "[]";
  std::string text;
  text.reserve(elements_.size() - head_ + 2);
  text.push_back('[');
  text.append(elements_, head_);
  text.push_back(']');
  return text;
}

std::string_view BracketList::ElementAt(std::size_t from, std::size_t& next) const {
  // The stored elements are those of a joined list: a nested element runs to its matching
  // "]", then, like an atom, to the next ",".
  if (from >= elements_.size()) {
    next = from + 1;
    return {};
  }
  std::size_t i = from;
  if (elements_[i] == '[') i = PastBrackets(elements_, i);
  while (i < elements_.size() && elements_[i] != ',') ++i;
  next = i + 1;
  return std::string_view(elements_).substr(from, i - from);
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> elements;
  ElementReader reader(list);
  std::string_view element;
  while (reader.Next(element)) elements.emplace_back(element);
  return elements;
}

void HostBracketList::Count(const std::string& list, int32_t& count) const {
  count = 0;
  ElementReader reader(list);
  std::string_view element;
  while (reader.Next(element)) ++count;
}

void HostBracketList::TakeFirst(std::string& list, std::string& element) const {
  ElementReader reader(list);
  std::string_view first;
  if (!reader.Next(first)) {
    element.clear();
    list = "[]";
    return;
  }
  element.assign(first);
  // The rest is strictly shorter than the text read, so repeated calls end on "[]".
  list = reader.Done() ? std::string("[]") : "[" + std::string(reader.Rest());
}

void HostBracketList::First(std::string& list, std::string& element) const {
  TakeFirst(list, element);
}

void HostBracketList::TakeFirst(BracketList& list, std::string& element) const {
  element.clear();
  if (list.count_ == 0) return;
  std::size_t next = 0;
  element.assign(list.ElementAt(list.head_, next));
  list.head_ = next;
  --list.count_;
  // A last element left empty ("[a,]" less "a") reads as "[]", as on the text.
  if (list.count_ == 1 && list.head_ >= list.elements_.size()) list.count_ = 0;
  if (list.count_ == 0) {
    list.elements_.clear();
    list.head_ = 0;
  } else if (list.head_ > 4096 && list.head_ > list.elements_.size() / 2) {
    // Drop what was taken once it is the larger half: each byte moves at most once more.
    list.elements_.erase(0, list.head_);
    list.head_ = 0;
  }
}

void HostBracketList::First(BracketList& list, std::string& element) const {
  TakeFirst(list, element);
}

void HostBracketList::TakeLast(std::string& list, std::string& element) const {
  std::vector<std::string> elements = SplitList(list);
  if (elements.empty()) {
    element.clear();
  } else {
    element = std::move(elements.back());
    elements.pop_back();
  }
  list = Join(elements);
}

void HostBracketList::Append(std::string& list, const std::string& element) const {
  std::vector<std::string> elements = SplitList(list);
  elements.push_back(element);
  list = Join(elements);
}

void HostBracketList::Append(BracketList& list, const std::string& element) const {
  if (list.count_ == 0) {
    if (element.empty()) return;  // "[]" with "" appended reads as "[]"
    list.elements_ = element;
    list.head_ = 0;
  } else {
    list.elements_.push_back(',');
    list.elements_ += element;
  }
  // An element holding "," outside brackets reads back as several.
  int depth = 0;
  for (const char c : element) {
    if (c == '[') ++depth;
    if (c == ']') --depth;
    if (c == ',' && depth <= 0) ++list.count_;
  }
  ++list.count_;
}

void HostBracketList::AppendAll(const std::string& list1, const std::string& list2,
                                std::string& result) const {
  std::vector<std::string> elements = SplitList(list1);
  for (auto& e : SplitList(list2)) elements.push_back(std::move(e));
  result = Join(elements);
}

void HostBracketList::Item(const std::string& list, int32_t index, std::string& element) const {
  element.clear();
  if (index < 1) return;
  ElementReader reader(list);
  std::string_view e;
  for (int32_t i = 1; reader.Next(e); ++i) {
    if (i == index) {
      element.assign(e);
      return;
    }
  }
}

void HostBracketList::Item(const BracketList& list, int32_t index, std::string& element) const {
  element.clear();
  if (index < 1 || static_cast<std::size_t>(index) > list.count_) return;
  std::size_t at = list.head_, next = 0;
  for (int32_t i = 1; i < index; ++i) {
    list.ElementAt(at, next);
    at = next;
  }
  element.assign(list.ElementAt(at, next));
}

void HostBracketList::ItemAt(const std::string& list, int32_t index, std::string& element) const {
  Item(list, index, element);
}

void HostBracketList::SetItem(std::string& list, int32_t index, const std::string& element) const {
  if (index < 1) return;
  std::vector<std::string> elements = SplitList(list);
  if (elements.size() < static_cast<std::size_t>(index)) elements.resize(index);
  elements[index - 1] = element;
  list = Join(elements);
}

void HostBracketList::Contains(const std::string& list, const std::string& element,
                               int16_t& flag) const {
  flag = 0;
  ElementReader reader(list);
  std::string_view e;
  while (reader.Next(e)) {
    if (e == element) {
      flag = -1;
      return;
    }
  }
}

void HostBracketList::FromArray(const std::vector<std::string>& values, std::string& list) const {
  list = Join(values);
}

void HostBracketList::Combine(std::string& /*entryLabels*/,
                              const std::string& /*accountLabel*/) const {
  // The entry label is stored as the caller built it; the account label is printed in its own
  // column of the ledger edition.
}

void HostBracketList::CheckNotation(const std::string& text, int16_t& correct,
                                    int32_t& position) const {
  const std::size_t n = text.size();
  auto fail = [&](std::size_t at) {  // `at` counts from 0; n means "the text stops short".
    correct = 0;
    position = static_cast<int32_t>(at + 1);
  };
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) return fail(n);
  if (text[i] != '[') return fail(i);
  ++i;
  // Iterative, so that deeply nested texts cannot exhaust the stack.
  enum class Expect { kElementOrClose, kElement, kSeparatorOrClose };
  Expect expect = Expect::kElementOrClose;
  std::size_t depth = 1;
  while (depth > 0) {
    switch (expect) {
      case Expect::kElementOrClose:
        if (i < n && text[i] == ']') {
          ++i;
          --depth;
          expect = Expect::kSeparatorOrClose;
          break;
        }
        [[fallthrough]];
      case Expect::kElement:
        if (i < n && text[i] == '[') {
          ++i;
          ++depth;
          expect = Expect::kElementOrClose;
          break;
        }
        for (; i < n && text[i] != ',' && text[i] != ']'; ++i)
          if (text[i] == '[') return fail(i);
        expect = Expect::kSeparatorOrClose;
        break;
      case Expect::kSeparatorOrClose:
        if (i == n) return fail(n);
        if (text[i] == ',') {
          expect = Expect::kElement;
        } else if (text[i] == ']') {
          --depth;
        } else {
          return fail(i);
        }
        ++i;
        break;
    }
  }
  const std::size_t end = text.find_first_not_of(' ', i);
  if (end != std::string::npos) return fail(end);
  correct = -1;
  position = 0;
}

}  // namespace actifix
