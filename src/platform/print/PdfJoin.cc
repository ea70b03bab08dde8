// Joining two cairo documents: read through their cross-reference tables, objects copied in
// file order, the second's renumbered in their dictionaries, a new page tree node and table.
#include "platform/print/PdfJoin.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/store/WritePath.h"

namespace actifix::platform {
namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f'; }
bool IsDelimiter(char c) {
  return IsBlank(c) || std::string_view("()<>[]{}/%").find(c) != std::string_view::npos;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The whole number at `at` in `text`, which `at` moves past; -1 when there is none.
long long NumberAt(std::string_view text, std::size_t& at) {
  if (at >= text.size() || !IsDigit(text[at])) return -1;
  long long n = 0;
  for (; at < text.size() && IsDigit(text[at]) && n < (1LL << 50); ++at)
    n = n * 10 + text[at] - '0';
  return n;
}

// The object number of the reference "N 0 R" after `key` in `text`, or -1.
long long ReferenceAfter(std::string_view text, std::string_view key) {
  std::size_t at = text.find(key);
  if (at == std::string_view::npos) return -1;
  at += key.size();
  while (at < text.size() && IsBlank(text[at])) ++at;
  const long long n = NumberAt(text, at);
  return text.substr(at).starts_with(" 0 R") ? n : -1;
}

// Appends `text` to `out` with each reference "N G R" renumbered by `map`; strings and
// comments are copied as they stand.
template <typename Map>
void AppendRenumbered(std::string_view text, const Map& map, std::string& out) {
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '(') {  // a string, its parentheses balanced unless escaped
      std::size_t j = i + 1;
      for (int depth = 1; j < text.size() && depth > 0; ++j) {
        if (text[j] == '\\')
          ++j;
        else if (text[j] == '(')
          ++depth;
        else if (text[j] == ')')
          --depth;
      }
      out.append(text.substr(i, j - i));
      i = j;
    } else if (c == '%') {
      const std::size_t end = std::min(text.find_first_of("\r\n", i), text.size());
      out.append(text.substr(i, end - i));
      i = end;
    } else if (IsDigit(c) && (i == 0 || IsDelimiter(text[i - 1]))) {
      std::size_t j = i;
      const long long number = NumberAt(text, j);
      std::size_t k = j;
      while (k < text.size() && IsBlank(text[k])) ++k;
      const bool spaced = k > j;
      const long long generation = NumberAt(text, k);
      std::size_t r = k;
      while (r < text.size() && IsBlank(text[r])) ++r;
      if (spaced && generation >= 0 && r > k && r < text.size() && text[r] == 'R' &&
          (r + 1 == text.size() || IsDelimiter(text[r + 1]))) {
        out += std::to_string(map(number));
        i = j;  // the generation and the R follow as they stand
      } else {
        out.append(text.substr(i, j - i));
        i = j;
      }
    } else {
      out += c;
      ++i;
    }
  }
}

// A document as its trailer and cross-reference table tell it.
struct Document {
  File file{nullptr, &std::fclose};
  long long size = 0;              // the trailer's /Size: objects 1 .. size - 1
  std::vector<long long> offsets;  // by object number; -1 for a free one
  long long tableAt = 0;           // where the table begins: the end of the last object
  long long root = -1, info = -1, pages = -1;
  std::vector<long long> order;  // object numbers by their place in the file
  // The page tree node's text around its kids and its count: "N 0 obj … /Kids [", "] …
  // /Count ", and what follows the count.
  std::string nodeHead, nodeMiddle, nodeTail;
  std::vector<long long> kids;

  bool Read(const std::filesystem::path& path);
  bool Bytes(long long from, long long count, std::string& into) const;
};

bool Document::Bytes(long long from, long long count, std::string& into) const {
  into.resize(static_cast<std::size_t>(count));
  return count >= 0 && fseeko(file.get(), from, SEEK_SET) == 0 &&
         std::fread(into.data(), 1, into.size(), file.get()) == into.size();
}

bool Document::Read(const std::filesystem::path& path) {
  file = File(std::fopen(path.c_str(), "rb"), &std::fclose);
  std::error_code ec;
  const auto length = static_cast<long long>(std::filesystem::file_size(path, ec));
  std::string tail;
  if (!file || ec || !Bytes(std::max(0LL, length - 64), std::min(64LL, length), tail)) return false;
  std::size_t at = tail.rfind("startxref");
  if (at == std::string::npos) return false;
  at += 9;
  while (at < tail.size() && IsBlank(tail[at])) ++at;
  tableAt = NumberAt(tail, at);
  std::string table;
  if (tableAt <= 0 || !Bytes(tableAt, length - tableAt, table)) return false;

  // "xref", one section "0 N", N entries of 20 bytes, then the trailer.
  at = 4;
  if (!table.starts_with("xref")) return false;
  while (at < table.size() && IsBlank(table[at])) ++at;
  if (NumberAt(table, at) != 0) return false;
  ++at;
  size = NumberAt(table, at);
  while (at < table.size() && IsBlank(table[at])) ++at;
  if (size < 2 || at + 20 * size > table.size()) return false;
  offsets.assign(size, -1);
  for (long long n = 0; n < size; ++n, at += 20) {
    std::size_t digits = at;
    const long long offset = NumberAt(table, digits);
    if (table[at + 17] == 'n') offsets[n] = offset;
  }
  const std::string_view trailer = std::string_view(table).substr(at);
  if (!trailer.starts_with("trailer")) return false;
  std::size_t sizeAt = trailer.find("/Size");
  if (sizeAt == std::string_view::npos) return false;
  sizeAt += 5;
  while (sizeAt < trailer.size() && IsBlank(trailer[sizeAt])) ++sizeAt;
  root = ReferenceAfter(trailer, "/Root");
  info = ReferenceAfter(trailer, "/Info");
  if (NumberAt(trailer, sizeAt) != size || root <= 0 || root >= size || info >= size) return false;

  for (long long n = 1; n < size; ++n)
    if (offsets[n] > 0) order.push_back(n);
  std::sort(order.begin(), order.end(),
            [&](long long a, long long b) { return offsets[a] < offsets[b]; });
  if (order.empty() || offsets[order.back()] >= tableAt) return false;

  // The catalog names the one page tree node, which lists every page.
  std::string catalog;
  const auto spanOf = [&](long long n) {
    const auto it = std::upper_bound(order.begin(), order.end(), offsets[n],
                                     [&](long long o, long long m) { return o < offsets[m]; });
    return (it == order.end() ? tableAt : offsets[*it]) - offsets[n];
  };
  if (offsets[root] < 0 || !Bytes(offsets[root], spanOf(root), catalog)) return false;
  pages = ReferenceAfter(catalog, "/Pages");
  std::string node;
  if (pages <= 0 || pages >= size || offsets[pages] < 0 ||
      !Bytes(offsets[pages], spanOf(pages), node))
    return false;
  const std::size_t open = node.find("/Kids [");
  const std::size_t close = node.find(']', open);
  std::size_t countEnd = node.find("/Count ", close);
  if (open == std::string::npos || close == std::string::npos || countEnd == std::string::npos ||
      node.find("/Parent") != std::string::npos)
    return false;
  countEnd += 7;
  const std::size_t countAt = countEnd;
  const long long count = NumberAt(node, countEnd);
  nodeHead = node.substr(0, open + 7);
  nodeMiddle = node.substr(close, countAt - close);
  nodeTail = node.substr(countEnd);
  std::string ignored;
  AppendRenumbered(
      std::string_view(node).substr(open + 7, close - open - 7),
      [&](long long n) { return kids.push_back(n), n; }, ignored);
  return count == static_cast<long long>(kids.size()) && !kids.empty();
}

// The page tree node of `first` listing `kids`.
std::string PagesNode(const Document& first, const std::vector<long long>& kids) {
  std::string text = first.nodeHead;
  for (const long long kid : kids) text += ' ' + std::to_string(kid) + " 0 R";
  text += ' ' + first.nodeMiddle + std::to_string(kids.size()) + first.nodeTail;
  return text;
}

// The page tree node but its number, kids and count, to tell that all parts have the same.
std::string NodeShape(const Document& d) {
  return d.nodeHead.substr(d.nodeHead.find("obj")) + d.nodeMiddle + d.nodeTail;
}

// The joined document, opened as every file the program writes is (never through a link).
class Output {
 public:
  explicit Output(const std::filesystem::path& path) {
    OpenNoFollow(out_, path, WriteMode::kNew, "HostEdition.Close");
  }
  bool Put(std::string_view bytes) {
    at_ += static_cast<long long>(bytes.size());
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out_);
  }
  long long at() const { return at_; }
  bool Close() {
    out_.close();
    return static_cast<bool>(out_);
  }

 private:
  std::ofstream out_;
  long long at_ = 0;
};

}  // namespace

bool JoinCairoPdfs(const std::vector<std::filesystem::path>& parts,
                   const std::filesystem::path& out) {
  std::vector<Document> documents(parts.size());
  for (std::size_t k = 0; k < parts.size(); ++k)
    if (!documents[k].Read(parts[k]) || NodeShape(documents[k]) != NodeShape(documents[0]))
      return false;
  if (documents.empty()) return false;
  const Document& first = documents[0];
  long long size = 1;
  for (const Document& d : documents) size += d.size - 1;
  std::vector<long long> offsets(size, -1), kids;

  Output o(out);
  std::string bytes, renumbered;
  if (!first.Bytes(0, first.offsets[first.order.front()], bytes) || !o.Put(bytes)) return false;
  // Each part's objects in file order, numbered after the parts before, its pages hung from
  // the first part's page tree node (written last); the first part's catalog and information
  // stand for all. Streams are copied as they are.
  long long shift = 0;
  for (std::size_t k = 0; k < documents.size(); shift += documents[k++].size - 1) {
    Document& d = documents[k];
    const auto map = [&](long long n) { return n == d.pages ? first.pages : n + shift; };
    for (std::size_t i = 0; i < d.order.size(); ++i) {
      const long long n = d.order[i];
      const long long end = i + 1 < d.order.size() ? d.offsets[d.order[i + 1]] : d.tableAt;
      if (n == d.pages || (k > 0 && (n == d.root || n == d.info))) continue;
      if (!d.Bytes(d.offsets[n], end - d.offsets[n], bytes)) return false;
      std::size_t header = 0;
      if (NumberAt(bytes, header) != n ||
          !std::string_view(bytes).substr(header).starts_with(" 0 obj"))
        return false;
      const std::size_t stream = bytes.find("stream");  // the keyword, after the dictionary
      const std::size_t dictEnd = stream == std::string::npos ? bytes.size() : stream;
      renumbered = std::to_string(map(n));
      AppendRenumbered(std::string_view(bytes).substr(header, dictEnd - header), map, renumbered);
      offsets[map(n)] = o.at();
      if (!o.Put(renumbered) || !o.Put(std::string_view(bytes).substr(dictEnd))) return false;
    }
    for (const long long kid : d.kids) kids.push_back(map(kid));
  }
  offsets[first.pages] = o.at();
  if (!o.Put(PagesNode(first, kids))) return false;

  // The table, its free entries chained from entry 0, and the trailer.
  const long long tableAt = o.at();
  std::string table = "xref\n0 " + std::to_string(size) + "\n";
  std::vector<long long> free;
  for (long long n = 1; n < size; ++n)
    if (offsets[n] < 0) free.push_back(n);
  char entry[32];
  std::size_t nextFree = 0;
  for (long long n = 0; n < size; ++n) {
    if (n == 0 || offsets[n] < 0) {
      const long long next = nextFree < free.size() ? free[nextFree++] : 0;
      std::snprintf(entry, sizeof entry, "%010lld %05d f \n", next, n == 0 ? 65535 : 0);
    } else {
      std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", offsets[n]);
    }
    table += entry;
  }
  table += "trailer\n<< /Size " + std::to_string(size) + "\n   /Root " +
           std::to_string(first.root) + " 0 R\n";
  if (first.info > 0) table += "   /Info " + std::to_string(first.info) + " 0 R\n";
  table += ">>\nstartxref\n" + std::to_string(tableAt) + "\n%%EOF\n";
  return o.Put(table) && o.Close();
}

}  // namespace actifix::platform
