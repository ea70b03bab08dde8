// The pictures of the typeset PDF, drawn from the figures the edition printed (its lines and
// totals as they were printed, never computed again):
//  - an asset card (columns EXER, DOTAMO, CUMFIN) ends with its depreciation plan: the charge
//    of each year as bars, the cumulative depreciation at its end as a line;
//  - the depreciation edition (a "NATURE" heading, then a " TOTAL" line of the columns DOT and
//    VNC for each nature) ends with the net book value and the year's charge of each nature
//    as bars side by side.
// Scales are read in whole numbers ("10 000"): no amount of a picture looks like a printed one.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/print/EditionRenderer.h"
#include "platform/print/TypesetPage.h"

namespace actifix::platform::typeset {

class Painter;

// The figures of the pictures, gathered from the edition's events as they come.
class ChartFigures {
 public:
  void Title(const std::string& text);
  void Columns(const std::vector<std::string>& names) { names_ = names; }
  void Line(std::span<const CellValue> cells);
  void Total(const std::string& label, const std::vector<CellValue>& cells);

  // The plan of the card being printed, and the natures of the edition: each empty (no
  // labels) until a figure comes; the caller takes them when they are complete.
  Chart& plan() { return plan_; }
  // Whether the columns defined last are an asset card's, with its plan.
  bool OnCard() const;
  Chart& natures() { return natures_; }

 private:
  std::vector<std::string> names_;  // of the columns defined last
  std::string group_;               // the last group heading ("NATURE : INF ...")
  Chart plan_, natures_;
};

// Draws `chart` in the box from (left, top) to (right, bottom), its texts at `size` points.
void DrawChart(Painter& p, const Chart& chart, double left, double top, double right, double bottom,
               double size);

}  // namespace actifix::platform::typeset
