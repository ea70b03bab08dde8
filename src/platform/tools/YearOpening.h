// How the host runs the module's operations, and what it adds around the fiscal-year
// opening (OuvImo), which rewrites the whole register and doubles the cumulative
// depreciation when run twice:
// - the company's settings and parameters loaded again just before, so that the new charges
//   are those of the company's current fiscal year;
// - an opening refused, unless asked for again, when the fiscal year was opened already or
//   does not start after the year the cumulatives belong to (the company's year not changed);
// - a consistent copy of the company's database taken once the dates are confirmed, before
//   the first write (the internal backup the warning asks for), named to the user;
// - the whole roll, the mark of the year opened and the cumulatives' year moved to it, in
//   one transaction: a kill or a failure leaves the register as before, or wholly opened;
// - the walk's progress shown, a few times a second at most.
#pragma once

#include <filesystem>
#include <string>

namespace actifix::platform {

class Session;

struct OperationOptions {
  bool again = false;  // OuvImo: open a fiscal year already opened
};

// Runs `operation` of the module in `session`: OuvImo through the year opening, any other
// straight (Session::Run). Throws HostError when it fails.
void RunOperation(Session& session, const std::string& operation, const OperationOptions& options);

// The year opening. Returns the backup taken ("" when the dates were not confirmed).
std::filesystem::path OpenFiscalYear(Session& session, const OperationOptions& options);

}  // namespace actifix::platform
