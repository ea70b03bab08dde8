// Several users on one company kept on a PostgreSQL server.
#include <gtest/gtest.h>

#include "support/Concurrency.h"
#include "support/TempDir.h"

namespace actifix::testing {
namespace {

TEST(PgConcurrencyTest, TwoUsersEnterCardsAtOnceAndASaveMeetingAChangeIsRefusedWhole) {
  const TempDir dir;
  setenv("ACTIFIX_OUT", dir.path().c_str(), 1);
  TwoUsersEnterCards(ACTIFIX_PROGRAM, std::getenv("ACTIFIX_TEST_PG"), "C1", dir.path(), 200);
  ConflictCases(ACTIFIX_PROGRAM, std::getenv("ACTIFIX_TEST_PG"), "C2", dir.path());
}

}  // namespace
}  // namespace actifix::testing
