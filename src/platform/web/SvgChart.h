// The charts of the web view as SVG drawn on the server, from the same figures as the typeset
// PDF's pictures (typeset::Chart): bars, second bars and a line over labelled groups, with
// their legend and a scale in whole numbers. Every text is escaped.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/print/EditionRenderer.h"
#include "platform/print/TypesetPage.h"

namespace actifix::platform::web {

// The <svg> element of `chart`; empty when the chart has no label.
std::string SvgChart(const typeset::Chart& chart);

// The chart figures of an edition's JSON lines, as the typeset PDF gathers them: the plan of
// an asset card, or the natures of a depreciation edition.
struct EditionCharts {
  typeset::Chart plan, natures;
};
EditionCharts ChartsOf(const std::vector<nlohmann::json>& events);
// The natures chart of the edition written to `jsonl` (its titles and totals), as SVG; empty
// when it has none.
std::string NaturesChartOf(const std::filesystem::path& jsonl);

}  // namespace actifix::platform::web
