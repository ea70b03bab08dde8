// The script reader on any text: it parses every line or stops with a ScriptError that names a
// line of the text, and what it parses numbers its lines in order within the text.
#include <string_view>

#include "FuzzCheck.h"
#include "platform/screen/Script.h"

using namespace actifix::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t newlines = 0;
  for (const char c : text) newlines += c == '\n';
  const int lastLine = static_cast<int>(newlines) + 1;
  try {
    Script script = Script::FromText(text);
    FUZZ_CHECK(script.EndLine() >= 1 && script.EndLine() <= lastLine + 1);
    int previous = 0;
    while (const ScriptLine* line = script.Next()) {
      FUZZ_CHECK(line->number > previous && line->number < script.EndLine());
      previous = line->number;
      FUZZ_CHECK(!line->Subject().empty());
      if (line->kind == AnswerKind::kField || line->kind == AnswerKind::kConfirm)
        FUZZ_CHECK(KeyOfName(NameOfKey(line->key)) == line->key);
    }
    FUZZ_CHECK(script.AtEnd());
  } catch (const ScriptError& e) {
    FUZZ_CHECK(e.line() >= 1 && e.line() <= lastLine + 1);
  }
  return 0;
}
