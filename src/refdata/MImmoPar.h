// The company-parameters entry screen: a one-record form of the entry cycle, keyed by the
// current company's code, that creates or corrects the company's parameters and prints them.
#pragma once

namespace actifix {

// Runs the company-parameters screen; after a save the parameters are printed and the
// parameter buffer holds the company's record. Leaving with Up or Page Up writes nothing.
void EntPar();

}  // namespace actifix
