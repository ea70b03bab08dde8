// actifix calc: the depreciation calculator. It needs no company: it sets up its own small
// host (the fiscal year given on the command line as entry 1 of the exercise table, anomalies
// to the error stream) and prints, as JSON, what the module computes for one asset:
//
//   actifix calc --year 01/01/2005 31/12/2005 [--index N] --mode L|D --value 10000 --rate 20
//                --acquired 01/07/2005 [--disposed DATE] [--cumul X] [--recompute]
//                [--plan] [--charge X]
//                [--fiscal --fiscal-mode L|D|E [--fiscal-rate R] [--fiscal-cumul X] [--derog X]
//                 [--fiscal-charge X]]
//
//   {"dotamo":1008.2191780821918,"cumamo":0.0,"end":"30/06/2010","effective_rate":20.0,
//    "index":1,"year":["01/01/2005","31/12/2005"]}
//
// Amounts at full double precision (the year's charge is not rounded); effective_rate is the
// single-precision rate written shortest. --index is the exercise worked on (default 1).
// With --plan the output is instead the JSON lines of the asset's card and depreciation plan,
// from entry 1 on; --charge is the stored charge of that first year (default: the computed
// one), --cumul the stored prior cumulative (with --recompute: the recomputed one).
// With --fiscal the output is (after the plan's lines when --plan is also given) a line
// {"kind":"fiscal_plan",...} then one {"kind":"fiscal",...} per fiscal year from the computed
// one on: the module's economic charge from the running cumulative, the fiscal charge (src/fiscal),
// the derogatory allowance, write-back, excess and balances, the cause and the fiscal net value.
// --fiscal-cumul and --derog are the fiscal cumulative and the derogatory balance before that
// year; --fiscal-charge the yearly typed charge of mode E.
// Refused values give a French message and exit status 2: what the asset card refuses (a
// value not above 0, an acquisition after the computed year's end, a disposal before the
// acquisition, a cumul above the value, a rate not above 0 or above 100), and beyond it mode
// "E" or unknown, a value above 1e12, a negative cumul or charge, a number written otherwise
// than the screens take it (no exponent or hexadecimal), a rate that rounds to 0,00, so small
// that the depreciation would end after 9999, a malformed date, a fiscal year the company
// commands refuse.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/cli/Command.h"

namespace actifix::platform {

void AddCalcCommand(CLI::App& root, CommandAction& action);

// Runs the calculator on the arguments that follow "calc"; JSON to `out`, messages to `err`.
// Returns the exit status (kExitOk, kExitFailure, kExitUsage).
int RunCalcCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace actifix::platform
