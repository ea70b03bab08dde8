// The screen of the register export (ImmoExcel). The module scrolls each line it writes to the
// file; over a register of many assets those lines fly past unread, cut to the screen's width.
// The host shows instead how far the export has got, "Exportation : n / N immobilisations",
// through `progress` (the user interface's), a few times a second. Everything else passes
// through.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/HostScreen.h"

namespace actifix::platform {

class ExportScreen : public HostScreen {
 public:
  // `assets`: the size of the register the export walks.
  ExportScreen(std::unique_ptr<HostScreen> inner, std::function<void(const std::string&)> progress,
               int64_t assets)
      : inner_(std::move(inner)), progress_(std::move(progress)), assets_(assets) {}

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
  // The export's scrolled lines are counted, not shown.
  void OpenScroll(int16_t height, int16_t width) override;
  void ScrollLine(const std::string& line) override;

 private:
  std::unique_ptr<HostScreen> inner_;
  std::function<void(const std::string&)> progress_;
  int64_t assets_;
  int64_t written_ = 0;
  std::chrono::steady_clock::time_point shown_;
};

}  // namespace actifix::platform
