// The two stores a test suite runs on, one instance each, named in the tests' names
// ("Stores/StoreTest.X/PostgreSQL"): CTest runs the PostgreSQL ones on its test server.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace actifix::testing {

enum class Backend { kSqlite, kPostgres };

inline const char* NameOf(Backend backend) {
  return backend == Backend::kPostgres ? "PostgreSQL" : "SQLite";
}
// The parameter shown by CTest and in failures.
inline void PrintTo(Backend backend, std::ostream* out) { *out << NameOf(backend); }

class OnEachBackend : public ::testing::TestWithParam<Backend> {
 protected:
  static bool OnServer() { return GetParam() == Backend::kPostgres; }
};

inline auto EachBackend() { return ::testing::Values(Backend::kSqlite, Backend::kPostgres); }

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return NameOf(info.param);
}

}  // namespace actifix::testing
