// The operations the host may run by name, described once: what the dispatcher calls, what
// the menu lists, what `actifix run` accepts and says in its help, and how the host holds the
// company around each. Every host reads this table; none tests an operation's name itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace actifix {

class NvImmo;

struct Operation {
  enum class Hold { kShared, kExclusive };
  // What the host wraps around the call, beyond holding the company.
  enum class Around {
    kNothing,
    kYearOpening,  // the checks, the backup and the one transaction of the year opening
    kExportScreen  // a screen counting the export's lines against the register; the typed
                   // spreadsheet written beside the CSV
  };

  const char* name;
  void (NvImmo::*call)();
  const char* label;     // the French menu label (UTF-8); nullptr: not on the menu
  const char* note;      // off the menu but run on its own: what it does, for the run help
  Hold hold;             // shared: several users at once; exclusive: the company alone
  bool snapshot;         // reads one state of the register, whatever others save meanwhile
  bool onArchive;        // may run on a closed year's archive (it only reads the register)
  bool afterParameters;  // the company parameters are loaded first
  Around around;
};

// Every operation callable by name: the menu's, in menu order, then the others.
const std::vector<Operation>& Operations();
// The operation called `name`, or nullptr.
const Operation* FindOperation(std::string_view name);
// The names of the operations `which` keeps, in table order, each after the one before it by
// `between`, the last by `last`.
template <typename Keep>
std::string OperationNames(Keep which, std::string_view between = ", ",
                           std::string_view last = ", ") {
  std::vector<const char*> kept;
  for (const Operation& operation : Operations())
    if (which(operation)) kept.push_back(operation.name);
  std::string names;
  for (std::size_t i = 0; i < kept.size(); ++i)
    names.append(i == 0 ? "" : i + 1 == kept.size() ? last : between).append(kept[i]);
  return names;
}

}  // namespace actifix
