// The pages of the web view, each a function from what it shows to its HTML (Html.h: every
// text escaped, UTF-8). The server checks the request and gathers the data; these only write.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace actifix::platform {
class CompanySettings;
}

namespace actifix::platform::web {

class EditionJobs;
class RegisterIndex;
struct JobStatus;
struct RegisterPage;
struct RegisterQuery;

// The register page's query as it came, its values checked: its links are made from it.
struct RegisterParams {
  std::string search, nature, analytic, mode, disposed, sort, order;
};

// The companies (code, settings), and where they are.
std::string CompaniesHtml(const std::vector<std::pair<std::string, CompanySettings>>& companies,
                          const std::string& where);
// One page of the register: filters, sortable headings, rows, links to the next pages.
std::string RegisterHtml(const std::string& code, const RegisterIndex& index,
                         const RegisterQuery& q, const RegisterParams& p, const RegisterPage& page);
// An asset's card from the card edition's JSON lines `events`: titles, plans and chart.
std::string AssetHtml(const std::string& code, const std::string& title,
                      const std::vector<nlohmann::json>& events);
// The year at a glance: the totals by nature and their chart.
std::string YearHtml(const std::string& code, const CompanySettings& s, const RegisterIndex& index);
// The forms of the editions.
std::string EditionsHtml(const std::string& code, const CompanySettings& s,
                         const RegisterIndex& index);
// An edition run `id`: its progress (the page refreshing itself), or its tables and downloads.
std::string EditionRunHtml(const std::string& id, const JobStatus& status, const EditionJobs& jobs);

}  // namespace actifix::platform::web
