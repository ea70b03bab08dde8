// The actifix program.
#include <iostream>

int main() {
  std::cerr << "actifix : en construction\n";
  return 1;
}
