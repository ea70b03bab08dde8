// The entry screen: one at a time, fields defined by a screen field list, asked one by one.
// Display letters ("B", "I", ...) are passed through from the module.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostScreen {
 public:
  virtual ~HostScreen() = default;

  virtual void Clear(int16_t& status) = 0;
  virtual void SetTitle(std::string title) = 0;
  virtual void DefineFields(const std::string& fieldList) = 0;
  // The edited value (stored form for D2 and S2 fields) and the key that ended the entry.
  // `choices` is "[]" or a list of allowed values ("[L,D,E]").
  virtual void AskField(const std::string& field, std::string& value, int16_t& key,
                        const std::string& choices, const std::string& attribute) = 0;
  // The date text, the ending key and its day number (0 when empty).
  virtual void AskDate(const std::string& field, std::string& dateText, int16_t& key, int32_t& day,
                       const std::string& attribute) = 0;
  // answer non-zero = yes.
  virtual void AskConfirm(int16_t& answer, int16_t& key, const std::string& attribute) = 0;
  virtual void ShowField(const std::string& field, const std::string& value) = 0;
  // Note beside the field; "" clears it.
  virtual void SetFieldNote(const std::string& field, const std::string& attribute,
                            const std::string& note) = 0;
  virtual void SetFieldHint(const std::string& field, const std::string& attribute,
                            const std::string& text) = 0;
  virtual void SetFieldHelp(const std::string& field, const std::string& attribute,
                            const std::string& text) = 0;
  virtual void ShowMessage(const std::string& attribute, const std::string& text) = 0;
  // Why the value of `field` was refused (Windows-1252, French), shown until the field is next
  // accepted; the module then asks the field again.
  virtual void RefuseField(const std::string& field, const std::string& reason) = 0;
  virtual void ShowLine(int16_t line, const std::string& attribute, std::string text) = 0;
  // A box of text lines, one atom of `lines` per line.
  virtual void ShowExplanation(const std::string& attribute, const std::string& lines,
                               const std::string& letter) = 0;
  // The value turned into the text a field of type `type` shows ("O" -> "Oui" for "B").
  virtual void FormatValue(std::string& value, const std::string& type) = 0;
  virtual void SetOption(int16_t option) = 0;
  virtual void OpenScroll(int16_t height, int16_t width) = 0;
  virtual void ScrollLine(const std::string& line) = 0;
};

}  // namespace actifix
