// The one-line French messages the program prints when it stops on an error: what is wrong
// with what the user typed or gave, never a routine's name, an English parser message or a
// raw library error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "host/HostError.h"

namespace CLI {
class App;
class Option;
class ParseError;
}  // namespace CLI

namespace actifix::platform {

// The cause, then in brackets what it was working on when the error names it.
std::string MessageOf(const HostError& error);

// A file-system error: what went wrong, on which path.
std::string MessageOf(const std::filesystem::filesystem_error& error);

// An error of the command-line parser of `root`, worded in French from the kind of error and
// the parser's state, with the help to read: `program` ("actifix") and the sub-commands met.
// REQUIRES: `error` is not a call for help.
std::string MessageOf(const CLI::App& root, const CLI::ParseError& error,
                      const std::string& program);

// Makes `option` take only a whole number from `low` to `high`, written in plain digits (a
// "-" in front when `low` is negative); anything else is refused in French, exit status 2.
void WholeNumberBetween(CLI::Option& option, int64_t low, int64_t high);

// French labels in the help texts of `root` and its sub-commands.
void FrenchHelp(CLI::App& root);

}  // namespace actifix::platform
