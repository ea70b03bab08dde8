// Runs one golden scenario through the actifix program: scenario_runner ACTIFIX FILE.scn [URI].
// The sections are those of docs/scripts.md, and "== command ARGS" (an actifix command checked
// like a run), "== data lacks" (files absent from the data directory), "== write NAME" (lines
// written to a file there), "== sql" (statements run on the server) and "== on STORE" (the
// sections that follow apply to sqlite, postgresql or both). Outputs name the data directory DATA;
// "#" lines before the first section and in setup are comments. With URI, the companies live in a
// database of their own made on that PostgreSQL server for the run, and the files the program
// writes in the data directory.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "support/PgSql.h"

extern char** environ;

namespace fs = std::filesystem;
using actifix::testing::Sql;

namespace {

// The exit status of a scenario with nothing to run on this store (CTest's SKIP_RETURN_CODE).
constexpr int kSkipped = 77;

struct Section {
  std::string name;
  std::string argument;
  std::vector<std::string> lines;
  int lineNumber = 0;
};

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// A line of a file written for another program (Windows-1252, ISO 8859-15) in UTF-8, so that
// the scenario shows its accents: a line that is not UTF-8 has its bytes above 0x7F read as
// Latin-1, which those code pages' accents are.
std::string AsUtf8(const std::string& line) {
  std::string out;
  int follow = 0;  // the continuation bytes a UTF-8 lead byte still asks for
  bool utf8 = true;
  for (const char ch : line) {
    const auto c = static_cast<unsigned char>(ch);
    utf8 = utf8 && (follow > 0) == ((c >> 6) == 2);
    follow = follow > 0 ? follow - 1 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    out +=
        c < 0x80 ? std::string(1, ch) : std::string{char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
  }
  return utf8 && follow == 0 ? line : out;
}

// Splits a command line into words; double quotes group words.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

std::vector<Section> Parse(const std::vector<std::string>& lines) {
  std::vector<Section> sections;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.rfind("== ", 0) == 0) {
      Section section;
      section.lineNumber = static_cast<int>(i + 1);
      const std::string rest = line.substr(3);
      const std::size_t space = rest.find(' ');
      section.name = rest.substr(0, space);
      const std::size_t start =
          space == std::string::npos ? space : rest.find_first_not_of(' ', space);
      section.argument = start == std::string::npos ? "" : rest.substr(start);
      sections.push_back(section);
    } else if (!sections.empty()) {
      sections.back().lines.push_back(line);
    } else if (!line.empty() && line[0] != '#') {
      throw std::runtime_error("line " + std::to_string(i + 1) + ": text before the first section");
    }
  }
  return sections;
}

// Runs the program with `args`, standard output and error to files; returns the exit status.
int Run(const std::vector<std::string>& args, const fs::path& out, const fs::path& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + args[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

// The lines of an output, indented, for a failure message.
std::string Whole(const std::vector<std::string>& lines, const std::string& what = "whole output") {
  std::string all = "\n  " + what + ":\n";
  for (const std::string& line : lines) all += "    " + line + "\n";
  return all;
}

std::vector<std::string> NonEmpty(const std::vector<std::string>& lines) {
  std::vector<std::string> kept;
  for (const std::string& line : lines)
    if (!line.empty()) kept.push_back(line);
  return kept;
}

std::vector<fs::path> Editions(const fs::path& outDir) {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(outDir, error))
    if (entry.path().extension() == ".jsonl") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

struct RunResult {
  std::string operation;
  int status = 0;
  bool statusChecked = false;
  fs::path transcript, stderrFile, outDir;
};

// The lines of an output file, with the data directory's path (or the server database's URI)
// written DATA.
std::vector<std::string> OutputLines(const fs::path& path, const std::vector<std::string>& data) {
  std::vector<std::string> lines = ReadLines(path);
  for (std::string& line : lines)
    for (const std::string& name : data)
      for (std::size_t at = line.find(name); !name.empty() && at != std::string::npos;
           at = line.find(name))
        line.replace(at, name.size(), "DATA");
  return lines;
}

class Checker {
 public:
  Checker(std::string file, std::string dataDir, std::string uri)
      : file_(std::move(file)), dataDir_(std::move(dataDir)), uri_(std::move(uri)) {}

  void Fail(const Section& section, const std::string& what) {
    std::cerr << file_ << ":" << section.lineNumber << ": == " << section.name
              << (section.argument.empty() ? "" : " " + section.argument) << ": " << what << "\n";
    ++failures_;
  }

  void Check(const Section& section, RunResult& run) {
    const std::vector<std::string> expected = NonEmpty(section.lines);
    if (section.name == "exit") {
      run.statusChecked = true;
      if (run.status != std::stoi(section.argument))
        Fail(section, "exit status " + std::to_string(run.status) +
                          Whole(ReadLines(run.stderrFile), "error output"));
    } else if (section.name == "transcript" && section.argument.empty()) {
      CompareExact(section, expected, NonEmpty(Output(run.transcript)));
    } else if (section.name == "transcript" && section.argument == "contains") {
      ContainsInOrder(section, expected, Output(run.transcript));
    } else if (section.name == "stderr" && section.argument == "contains") {
      ContainsInOrder(section, expected, Output(run.stderrFile));
    } else if (section.name == "transcript" && section.argument == "lacks") {
      const std::vector<std::string> actual = Output(run.transcript);
      for (const std::string& line : expected)
        if (std::find(actual.begin(), actual.end(), line) != actual.end())
          Fail(section, "unexpected line: " + line);
    } else if (section.name == "editions") {
      const std::size_t count = Editions(run.outDir).size();
      if (count != std::stoul(section.argument))
        Fail(section, std::to_string(count) + " edition(s) closed");
    } else if (section.name == "edition") {
      const std::vector<fs::path> files = Editions(run.outDir);
      const std::size_t n = std::stoul(section.argument);
      if (n < 1 || n > files.size()) {
        Fail(section, "no such edition (" + std::to_string(files.size()) + " closed)");
        return;
      }
      const std::vector<std::string> actual = NonEmpty(ReadLines(files[n - 1]));
      if (section.argument.ends_with(" contains"))
        ContainsInOrder(section, expected, actual);
      else
        CompareExact(section, expected, actual);
    } else {
      Fail(section, "unknown section");
    }
  }

  int failures() const { return failures_; }

  void CompareExact(const Section& section, const std::vector<std::string>& expected,
                    const std::vector<std::string>& actual) {
    const std::size_t n = std::max(expected.size(), actual.size());
    for (std::size_t i = 0; i < n; ++i) {
      const std::string e = i < expected.size() ? expected[i] : "(nothing)";
      const std::string a = i < actual.size() ? actual[i] : "(nothing)";
      if (e != a) {
        Fail(section, "line " + std::to_string(i + 1) + " differs\n  expected: " + e +
                          "\n  actual:   " + a + Whole(actual));
        return;
      }
    }
  }

 private:
  std::vector<std::string> Output(const fs::path& path) const {
    return OutputLines(path, {uri_, dataDir_});
  }

  void ContainsInOrder(const Section& section, const std::vector<std::string>& expected,
                       const std::vector<std::string>& actual) {
    auto from = actual.begin();
    for (const std::string& line : expected) {
      const auto found = std::find(from, actual.end(), line);
      if (found == actual.end()) {
        Fail(section, "missing (in this order): " + line + Whole(actual));
        return;
      }
      from = found + 1;
    }
  }

  std::string file_;
  std::string dataDir_, uri_;
  int failures_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: scenario_runner ACTIFIX FILE.scn [postgresql://SERVER]\n";
    return 2;
  }
  const std::string actifix = fs::absolute(argv[1]).string();
  const std::string file = argv[2];
  const std::string server = argc == 4 ? argv[3] : "";
  const std::string store = server.empty() ? "sqlite" : "postgresql";
  std::string database, uri;  // the scenario's own database on the server
  try {
    const std::vector<Section> sections = Parse(ReadLines(file));
    std::string pattern = (fs::temp_directory_path() / "actifix-scenario-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    const fs::path work = pattern;
    const fs::path data = work / "data";
    fs::create_directories(data);
    if (!server.empty()) {
      database = "scenario_" + std::to_string(getpid());
      Sql(server, "DROP DATABASE IF EXISTS " + database);
      Sql(server, "CREATE DATABASE " + database);
      uri = actifix::testing::WithDatabase(server, database);
      setenv("ACTIFIX_OUT", data.c_str(), 1);
    }

    Checker checker(file, data.string(), uri);
    RunResult run;
    int runs = 0;
    auto closeRun = [&] {
      if (runs > 0 && !run.statusChecked && run.status != 0) {
        Section implicit{"exit", "0", {}, 0};
        checker.Fail(implicit, "run of " + run.operation + " ended with status " +
                                   std::to_string(run.status) +
                                   Whole(ReadLines(run.stderrFile), "error output"));
      }
    };
    auto program = [&](const std::vector<std::string>& words) {
      std::vector<std::string> args = {actifix, "--data", uri.empty() ? data.string() : uri};
      args.insert(args.end(), words.begin(), words.end());
      return args;
    };
    // Starts the run or command that the following sections check; returns its number.
    auto startRun = [&](const std::string& operation) {
      closeRun();
      run = RunResult();
      run.operation = operation;
      const std::string k = std::to_string(++runs);
      run.transcript = work / ("transcript-" + k + ".txt");
      run.stderrFile = work / ("stderr-" + k + ".txt");
      run.outDir = work / ("out-" + k);
      return k;
    };
    std::string on = "both";  // the store the sections apply to
    bool ran = false;
    for (const Section& section : sections) {
      if (section.name == "on") {
        if (section.argument != "both" && section.argument != "sqlite" &&
            section.argument != "postgresql")
          throw std::runtime_error("== on both|sqlite|postgresql, not " + section.argument);
        on = section.argument;
        continue;
      }
      if (on != "both" && on != store) continue;
      ran = true;
      if (section.name == "setup") {
        for (const std::string& line : section.lines) {
          if (line.empty() || line[0] == '#') continue;
          const int status = Run(program(Words(line)), work / "setup.out", work / "setup.err");
          if (status != 0) {
            checker.Fail(section, "setup command failed (" + std::to_string(status) + "): " + line +
                                      Whole(ReadLines(work / "setup.err"), "error output"));
          }
        }
      } else if (section.name == "command") {
        startRun(section.argument);
        run.status = Run(program(Words(section.argument)), run.transcript, run.stderrFile);
      } else if (section.name == "write") {
        std::ofstream out(data / section.argument);
        for (const std::string& line : section.lines) out << line << "\n";
      } else if (section.name == "file") {
        // The file's lines, exactly: what a run must have left as it was, or written.
        if (runs == 0) throw std::runtime_error("== file before any == run");
        const fs::path path = data / section.argument;
        if (!fs::exists(path)) {
          checker.Fail(section, "no such file");
        } else {
          std::vector<std::string> lines = ReadLines(path);
          for (std::string& line : lines) line = AsUtf8(line);
          checker.CompareExact(section, NonEmpty(section.lines), NonEmpty(lines));
        }
      } else if (section.name == "sql") {
        if (uri.empty()) throw std::runtime_error("== sql needs a server (== on postgresql)");
        for (const std::string& line : NonEmpty(section.lines))
          if (line[0] != '#') Sql(uri, line);
      } else if (section.name == "data") {
        if (section.argument != "lacks")
          throw std::runtime_error("== data lacks, not " + section.argument);
        for (const std::string& name : NonEmpty(section.lines)) {
          // On a server, a company's database and its backups are schemas.
          const std::string schema = uri.empty() ? ""
                                     : name.size() == 12 && name.ends_with("Actifix.db")
                                         ? "actifix\\_" + name.substr(0, 2)
                                     : name == "sauvegardes" ? "actifix\\_%\\_sauvegarde\\_%"
                                                             : "";
          if (schema.empty() ? fs::exists(data / name)
                             : Sql(uri, "SELECT 1 FROM pg_namespace WHERE nspname LIKE '" + schema +
                                            "'") == "1")
            checker.Fail(section, "file exists: " + name);
        }
      } else if (section.name == "run") {
        const std::vector<std::string> words = Words(section.argument);
        if (words.empty()) throw std::runtime_error("== run needs an operation");
        const std::string k = startRun(words[0]);
        const fs::path script = work / ("script-" + k + ".txt");
        {
          std::ofstream out(script);
          for (const std::string& line : section.lines) out << line << "\n";
        }
        std::vector<std::string> args =
            program({"run", words[0], "--script", script.string(), "--transcript",
                     run.transcript.string(), "--out", run.outDir.string()});
        args.insert(args.end(), words.begin() + 1, words.end());
        run.status = Run(args, work / ("stdout-" + k + ".txt"), run.stderrFile);
      } else {
        if (runs == 0) throw std::runtime_error("== " + section.name + " before any == run");
        checker.Check(section, run);
      }
    }
    closeRun();
    if (checker.failures() == 0) {
      std::error_code ignored;
      fs::remove_all(work, ignored);
      if (!database.empty()) Sql(server, "DROP DATABASE " + database + " WITH (FORCE)");
      if (!ran) {
        std::cout << "scenario skipped on " << store << ": " << file << "\n";
        return kSkipped;
      }
      std::cout << "scenario passed: " << file << "\n";
      return 0;
    }
    std::cerr << "scenario failed; its files are kept in " << work
              << (database.empty() ? "" : " and its database " + database) << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << file << ": " << e.what() << "\n";
    return 1;
  }
}
