// EditDer: the edition "AMORTISSEMENTS DEROGATOIRES" of the current fiscal year, by nature,
// bounded as the depreciation edition is (the year, the date bounds, the choice of natures):
// per asset with a fiscal plan its economic and fiscal charges, the allowance, the write-back
// (of which on disposal), the derogatory balance at the start and the end, the excess economic
// depreciation and the cause; totals by nature and for the company. With the company's option
// off it says so and prints nothing. Our own addition (docs/fiscal.md).
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

void EditDer();

namespace derog {
// Why the year at `exercise` of the exercise table cannot be printed (Windows-1252), "" for the
// current year, the only one whose fiscal figures are stored.
std::string YearRefusal(int32_t exercise);
}  // namespace derog

}  // namespace actifix
