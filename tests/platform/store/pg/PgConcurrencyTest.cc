// Several users on one company kept on a PostgreSQL server.
#include <gtest/gtest.h>

#include "support/Concurrency.h"
#include "support/TempDir.h"

namespace actifix::testing {
namespace {

// Its companies U1 and U2 are its own: the tests of the server run at once on one database.
TEST(PgConcurrencyTest, TwoUsersEnterCardsAtOnceAndASaveMeetingAChangeIsRefusedWhole) {
  const TempDir dir;
  setenv("ACTIFIX_OUT", dir.path().c_str(), 1);
  TwoUsersEnterCards(ACTIFIX_PROGRAM, std::getenv("ACTIFIX_TEST_PG"), "U1", dir.path(), 200);
  ConflictCases(ACTIFIX_PROGRAM, std::getenv("ACTIFIX_TEST_PG"), "U2", dir.path());
}

}  // namespace
}  // namespace actifix::testing
