#include "platform/session/TerminalInterface.h"

#include <fstream>
#include <sstream>

#include "host/Cp1252.h"
#include "platform/screen/Terminal.h"
#include "platform/screen/TerminalScreen.h"

namespace actifix::platform {

namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TerminalInterface::TerminalInterface(Terminal& terminal) : terminal_(terminal) {
  // Nothing of the menu or of the last operation stays under the first list or box shown.
  terminal_.ResetPage();
  terminal_.DrawPage();
}

std::unique_ptr<HostScreen> TerminalInterface::MakeScreen() {
  return std::make_unique<TerminalScreen>(terminal_);
}

std::unique_ptr<HostChoiceList> TerminalInterface::MakeChoiceList() {
  return std::make_unique<TerminalChoiceList>(terminal_);
}

std::unique_ptr<HostMessageBox> TerminalInterface::MakeMessageBox() {
  return std::make_unique<TerminalMessageBox>(terminal_);
}

void TerminalInterface::SetBeforeWait(std::function<void()> hook) {
  waitHook_.reset();  // the hook this one replaces was set before it: its own comes back first
  waitHook_.emplace(terminal_, std::move(hook));
}

void TerminalInterface::EditionClosed(const std::string& titleUtf8,
                                      const std::filesystem::path& text) {
  editions_.push_back({titleUtf8, text});
}

void TerminalInterface::AnomalyReported(const Anomaly& anomaly) { anomalies_.push_back(anomaly); }

bool TerminalInterface::InterruptRequested() { return terminal_.InterruptRequested(); }

void TerminalInterface::Notice(const std::string& textUtf8) { notices_.push_back(textUtf8); }

void TerminalInterface::Progress(const std::string& textUtf8) {
  terminal_.page().message = FromUtf8(textUtf8);
  terminal_.DrawPage();
}

// The anomalies first, then the editions: one is shown at once, several are offered in a list
// to read as many as the user wants.
void TerminalInterface::OperationEnded() {
  terminal_.DrawPage();  // the last progress lines, drawn at most a few times a second
  if (!notices_.empty()) {
    std::string text;
    for (const std::string& notice : notices_) text += notice + "\n";
    terminal_.ShowPager("Actifix", text);
    notices_.clear();
  }
  if (!anomalies_.empty()) {
    std::string text;
    for (const Anomaly& a : anomalies_) text += a.routine + " : " + a.message + "\n";
    text += "\n(Ces anomalies sont aussi inscrites au journal des anomalies de l'entreprise.)\n";
    terminal_.ShowPager("Anomalies relevées", text);
    anomalies_.clear();
  }
  if (editions_.size() == 1) {
    terminal_.ShowPager(editions_[0].title, ReadText(editions_[0].text),
                        Terminal::PagerLines::kAsPrinted);
  } else if (editions_.size() > 1) {
    std::vector<std::string> items;
    for (const ClosedEdition& e : editions_) items.push_back(e.text.filename().string());
    for (int chosen = 0;;) {
      chosen = terminal_.RunMenu(
          std::to_string(editions_.size()) + " éditions imprimées : laquelle lire ?", items,
          chosen);
      if (chosen < 0) break;
      terminal_.ShowPager(editions_[chosen].title, ReadText(editions_[chosen].text),
                          Terminal::PagerLines::kAsPrinted);
    }
  }
  editions_.clear();
}

}  // namespace actifix::platform
