// Several users on one company kept in SQLite files.
#include <gtest/gtest.h>

#include "support/Concurrency.h"
#include "support/TempDir.h"

namespace actifix::testing {
namespace {

TEST(ConcurrencyTest, TwoUsersEnterCardsAtOnceAndASaveMeetingAChangeIsRefusedWhole) {
  const TempDir dir;
  TwoUsersEnterCards(ACTIFIX_PROGRAM, dir.path().string(), "01", dir.path(), 200);
  ConflictCases(ACTIFIX_PROGRAM, dir.path().string(), "02", dir.path());
}

}  // namespace
}  // namespace actifix::testing
