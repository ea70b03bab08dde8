// The options every sub-command takes, before or after its name.
#pragma once

#include <string>

namespace actifix::platform {

struct GlobalOptions {
  std::string data;      // --data; empty: $ACTIFIX_DATA, else ./actifix-data
  std::string company;   // --company; empty: the first company of the data directory
  std::string out;       // $ACTIFIX_OUT: the output folder of a server's companies
  std::string exercice;  // --exercice; a closed year (the year of its end), read from its archive
  bool verbose = false;  // --verbose: a failure's technical detail on the standard error too
};

}  // namespace actifix::platform
