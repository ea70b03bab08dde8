// Which store the --data value names: a server address is shown without the password it may
// carry, and nothing is made for it; a directory holds the companies.
#include <gtest/gtest.h>

#include <fstream>

#include "host/HostError.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "support/TempDir.h"

namespace actifix::platform::testing {
namespace {

TEST(CompanyStoreTest, ServersAreNamedWithoutPasswordAndDirectoriesHoldTheCompanies) {
  const actifix::testing::TempDir dir;
  for (const auto& [where, shown] : std::vector<std::pair<std::string, std::string>>{
           {"postgresql://ana:s3cret@db/actifix", "postgresql://ana@db/actifix"},
           {"postgres://ana:s3cret@db", "postgres://ana@db"},
           {"postgresql:///a?host=/tmp/s&password=s3cret&user=ana",
            "postgresql:///a?host=/tmp/s&user=ana"},
           {"postgresql://db/a?password=s3cret", "postgresql://db/a"},
           // Malformed: whatever libpq makes of them, the password goes.
           {"postgresql://ana:s3cret@[::1/actifix", "postgresql://ana@[::1/actifix"},
           {"postgresql://ana:s3/c?r@t@db/a", "postgresql://ana@db/a"},
           {"postgresql:///a?password=s3%zz&host=/x", "postgresql:///a?host=/x"}}) {
    // Nothing is asked of the server until a company is: an address is taken as given.
    const auto companies = MakeCompanyStore(where);
    EXPECT_EQ(companies->Where(), shown);
    EXPECT_EQ(companies->BackupPlace(), shown);
  }
  std::ofstream(dir.path() / "file") << "x";
  EXPECT_THROW(MakeCompanyStore((dir.path() / "file").string()), HostError);

  const auto companies = MakeCompanyStore((dir.path() / "data").string());
  EXPECT_TRUE(companies->Codes().empty());
  std::filesystem::create_directories(companies->FileDirectory());
  companies->Create({"B2", "Société", "01/01/2026", "31/12/2026", "31/12/2026"});
  companies->Create({"A1", "Autre", "01/07/2026", "30/06/2027", "01/07/2026"});
  EXPECT_EQ(companies->Codes(), (std::vector<std::string>{"A1", "B2"}));
  EXPECT_TRUE(companies->Exists("B2"));
  EXPECT_EQ(companies->Open("A1")->Settings().yearEnd, "30/06/2027");
  EXPECT_THROW(companies->Create({"B2", "Encore", "01/01/2026", "31/12/2026", ""}), HostError);
  EXPECT_EQ(companies->Settings("B2").name, "Société");
}

}  // namespace
}  // namespace actifix::platform::testing
