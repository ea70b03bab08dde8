// Several users on one company, whatever store holds it: `program` is the actifix program,
// `data` the --data value (a directory or a PostgreSQL URI), `code` a company made afresh
// there, `dir` a scratch folder.
#pragma once

#include <filesystem>
#include <string>

namespace actifix::testing {

// Two processes enter `cards` cards each in one nature at once, re-running what is refused,
// while editions print: every card kept under its own number, editions consistent.
void TwoUsersEnterCards(const std::string& program, const std::string& data,
                        const std::string& code, const std::filesystem::path& dir, int cards);
// A user's save meets another user's change made since the card was read.
void ConflictCases(const std::string& program, const std::string& data, const std::string& code,
                   const std::filesystem::path& dir);

}  // namespace actifix::testing
