// A screen that passes every call to another: the base of a screen that changes a few of
// them and lets the rest through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "host/HostScreen.h"

namespace actifix::platform {

class ForwardingScreen : public HostScreen {
 public:
  explicit ForwardingScreen(std::unique_ptr<HostScreen> inner) : inner_(std::move(inner)) {}

  void Clear(int16_t& status) override { inner_->Clear(status); }
  void SetTitle(std::string title) override { inner_->SetTitle(std::move(title)); }
  void DefineFields(const std::string& fieldList) override { inner_->DefineFields(fieldList); }
  void AskField(const std::string& field, std::string& value, int16_t& key,
                const std::string& choices, const std::string& attribute) override {
    inner_->AskField(field, value, key, choices, attribute);
  }
  void AskDate(const std::string& field, std::string& dateText, int16_t& key, int32_t& day,
               const std::string& attribute) override {
    inner_->AskDate(field, dateText, key, day, attribute);
  }
  void AskConfirm(int16_t& answer, int16_t& key, const std::string& attribute) override {
    inner_->AskConfirm(answer, key, attribute);
  }
  void ShowField(const std::string& field, const std::string& value) override {
    inner_->ShowField(field, value);
  }
  void SetFieldNote(const std::string& field, const std::string& attribute,
                    const std::string& note) override {
    inner_->SetFieldNote(field, attribute, note);
  }
  void SetFieldHint(const std::string& field, const std::string& attribute,
                    const std::string& text) override {
    inner_->SetFieldHint(field, attribute, text);
  }
  void SetFieldHelp(const std::string& field, const std::string& attribute,
                    const std::string& text) override {
    inner_->SetFieldHelp(field, attribute, text);
  }
  void ShowMessage(const std::string& attribute, const std::string& text) override {
    inner_->ShowMessage(attribute, text);
  }
  void RefuseField(const std::string& field, const std::string& reason) override {
    inner_->RefuseField(field, reason);
  }
  void ShowLine(int16_t line, const std::string& attribute, std::string text) override {
    inner_->ShowLine(line, attribute, std::move(text));
  }
  void ShowExplanation(const std::string& attribute, const std::string& lines,
                       const std::string& letter) override {
    inner_->ShowExplanation(attribute, lines, letter);
  }
  void FormatValue(std::string& value, const std::string& type) override {
    inner_->FormatValue(value, type);
  }
  void SetOption(int16_t option) override { inner_->SetOption(option); }
  void OpenScroll(int16_t height, int16_t width) override { inner_->OpenScroll(height, width); }
  void ScrollLine(const std::string& line) override { inner_->ScrollLine(line); }

 private:
  std::unique_ptr<HostScreen> inner_;
};

}  // namespace actifix::platform
