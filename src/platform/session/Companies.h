// Where companies live, as the command line names them: the --data value made into a
// CompanyStore, and the company chosen in it.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/base/UserError.h"
#include "platform/store/CompanyStore.h"

namespace actifix::platform {

// The companies named by `data` (--data) if given, else $ACTIFIX_DATA, else ./actifix-data.
// Their output folder: a data directory's is itself; a server's companies have `out`
// ($ACTIFIX_OUT) if given, else ./actifix-data of the current directory. Throws UserError
// (status 2) when `data` names something that cannot hold companies (a file that is not a
// directory, a server this version does not work with).
std::shared_ptr<CompanyStore> OpenCompanies(const std::string& data, const std::string& out);

// Checks, before anything is written, that files can be made in `dir`: it is a directory we
// may write into, or it does not exist yet and its nearest existing parent is one. Throws
// UserError (status 2) naming `what` ("--out") otherwise.
void CheckWritableDirectory(const std::filesystem::path& dir, const std::string& what);

// The company to work on: `option` when given, else the first company of `companies`.
// Throws UserError when the code is not valid (status 2) or there is no such company: the
// code must match a company's code exactly, capitals included, whatever the disk.
std::string ChooseCompany(CompanyStore& companies, const std::string& option);

}  // namespace actifix::platform
