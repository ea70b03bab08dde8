#include "platform/screen/Transcript.h"

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/screen/FieldList.h"

namespace actifix::platform {

Transcript::Transcript(std::ostream& out) : out_(out) {}

Transcript::Transcript(const std::filesystem::path& file)
    : file_(file, std::ios::binary | std::ios::trunc), out_(file_) {
  if (!file_)
    throw HostError(ErrorKind::kIo, "Transcript", file.string(), "impossible de créer le fichier");
}

Transcript::~Transcript() {
  try {
    EndRun();
  } catch (...) {  // a transcript that cannot be written loses its last progress line
  }
}

namespace {

std::string ProgressText(int line, std::string_view cp1252Text) {
  return "LINE " + std::to_string(line) + " " + ToUtf8(TrimRight(cp1252Text));
}

}  // namespace

void Transcript::EndRun() {
  if (runPending_) Put(ProgressText(runLine_, runLast_));
  runPending_ = false;
  runLine_ = -1;
}

void Transcript::WriteProgress(int line, std::string_view cp1252Text) {
  // A line shown again and again (an edition's progress, once per asset) is only kept, as it
  // comes, until the run ends: no text is made for those never written.
  if (line == runLine_) {
    runLast_.assign(cp1252Text);
    runPending_ = true;
    return;
  }
  EndRun();
  Put(ProgressText(line, cp1252Text));
  runLine_ = line;
}

void Transcript::WriteUtf8(std::string_view line) {
  EndRun();
  Put(line);
}

void Transcript::Put(std::string_view line) {
  std::string text(TrimRight(line));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  out_ << text << '\n';
  out_.flush();
}

void Transcript::Write(std::string_view kind, std::string_view cp1252Text) {
  WriteUtf8(std::string(kind) + " " + ToUtf8(TrimRight(cp1252Text)));
}

void Transcript::WriteField(std::string_view kind, std::string_view field,
                            std::string_view cp1252Value) {
  WriteUtf8(std::string(kind) + " " + ToUtf8(Trim(field)) + " " + ToUtf8(TrimRight(cp1252Value)));
}

void Transcript::WriteReport(std::string_view routine, std::string_view message) {
  WriteUtf8("REPORT " + ToUtf8(TrimRight(routine)) + ": " + ToUtf8(TrimRight(message)));
}

void Transcript::WriteEdition(std::string_view title, std::string_view fileUtf8) {
  WriteUtf8("EDITION " + ToUtf8(TrimRight(title)) + " -> " + std::string(fileUtf8));
}

}  // namespace actifix::platform
