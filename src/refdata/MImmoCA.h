// The analytic-codes entry screen: for each analytic heading of the company, its codes and
// their labels, keyed by the heading number and the code; and their edition by heading.
#pragma once

namespace actifix {

// Runs the analytic-codes screen, then prints the codes; without any analytic heading it
// only tells the user why there is nothing to enter.
void EntAnaI();

}  // namespace actifix
