// The company-parameters entry screen.
#pragma once

namespace actifix {

// Runs the company-parameters screen and prints the parameters after every save.
void EntPar();

}  // namespace actifix
