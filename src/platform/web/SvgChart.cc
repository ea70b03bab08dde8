#include "platform/web/SvgChart.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>

#include "platform/print/EditionFormat.h"
#include "platform/print/TypesetChart.h"
#include "platform/web/Html.h"

namespace actifix::platform::web {

namespace {

constexpr double kWidth = 720, kHeight = 300, kLeft = 80, kRight = 20, kTop = 40, kBottom = 50;
constexpr const char* kColors[] = {"#3b6ea5", "#e08a2c", "#b03030"};

std::string N(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

// A round step of the scale: 1, 2 or 5 times a power of ten, about five steps to the top.
double Step(double top) {
  if (top <= 0) return 1;
  const double raw = top / 5;
  const double power = std::pow(10, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0})
    if (m * power >= raw) return m * power;
  return 10 * power;
}

std::vector<CellValue> CellsOf(const nlohmann::json& cells) {
  std::vector<CellValue> out;
  for (const auto& [name, value] : cells.items()) {
    CellValue cell;
    cell.column = name;
    if (value.is_number()) {
      cell.isNumber = true;
      cell.number = value.get<double>();
    } else if (value.is_string()) {
      cell.text = value.get<std::string>();
    }
    out.push_back(std::move(cell));
  }
  return out;
}

}  // namespace

std::string SvgChart(const typeset::Chart& chart) {
  const std::size_t groups = chart.labels.size();
  if (groups == 0) return "";
  double top = 0;
  for (const auto* series : {&chart.bars, &chart.bars2, &chart.line})
    for (const double v : *series) top = std::max(top, v);
  const double step = Step(top);
  top = std::max(step, std::ceil(top / step) * step);
  const double plotW = kWidth - kLeft - kRight, plotH = kHeight - kTop - kBottom;
  const auto y = [&](double v) { return kTop + plotH - std::max(0.0, v) / top * plotH; };
  const double slot = plotW / static_cast<double>(groups);
  const int barsPerGroup = chart.bars2.empty() ? 1 : 2;
  const double barW = slot * 0.7 / barsPerGroup;

  std::string svg = "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    N(kWidth) + " " + N(kHeight) + "\" role=\"img\" aria-label=\"" +
                    Escape(chart.title) + "\"><title>" + Escape(chart.title) + "</title>";
  svg += "<text x=\"" + N(kLeft) + "\" y=\"18\" font-size=\"14\" font-weight=\"bold\">" +
         Escape(chart.title) + "</text>";
  for (double v = 0; v <= top + step / 2; v += step) {
    svg += "<line x1=\"" + N(kLeft) + "\" x2=\"" + N(kWidth - kRight) + "\" y1=\"" + N(y(v)) +
           "\" y2=\"" + N(y(v)) + "\" stroke=\"#ddd\"/>";
    svg += "<text x=\"" + N(kLeft - 6) + "\" y=\"" + N(y(v) + 4) +
           "\" font-size=\"11\" text-anchor=\"end\">" + Escape(FormatFrenchAmount(v, 0)) +
           "</text>";
  }
  std::string line;
  for (std::size_t g = 0; g < groups; ++g) {
    const double x0 = kLeft + slot * static_cast<double>(g) + slot * 0.15;
    const std::vector<const std::vector<double>*> series = {&chart.bars, &chart.bars2};
    for (int s = 0; s < barsPerGroup; ++s) {
      const double v = g < series[s]->size() ? (*series[s])[g] : 0;
      svg += "<rect x=\"" + N(x0 + barW * s) + "\" y=\"" + N(y(v)) + "\" width=\"" + N(barW) +
             "\" height=\"" + N(kTop + plotH - y(v)) + "\" fill=\"" + kColors[s] + "\"><title>" +
             Escape(chart.labels[g] + " : " + FormatFrenchAmount(v, 2)) + "</title></rect>";
    }
    if (g < chart.line.size())
      line += N(kLeft + slot * (static_cast<double>(g) + 0.5)) + "," + N(y(chart.line[g])) + " ";
    svg += "<text x=\"" + N(kLeft + slot * (static_cast<double>(g) + 0.5)) + "\" y=\"" +
           N(kTop + plotH + 16) + "\" font-size=\"11\" text-anchor=\"middle\">" +
           Escape(chart.labels[g]) + "</text>";
  }
  if (!line.empty())
    svg += "<polyline points=\"" + line + "\" fill=\"none\" stroke=\"" + kColors[2] +
           "\" stroke-width=\"2\"/>";
  double legendX = kLeft;
  for (std::size_t s = 0; s < chart.names.size() && s < 3; ++s) {
    if (chart.names[s].empty()) continue;
    svg += "<rect x=\"" + N(legendX) + "\" y=\"" + N(kHeight - 18) +
           "\" width=\"12\" height=\"12\" fill=\"" + kColors[s] + "\"/><text x=\"" +
           N(legendX + 16) + "\" y=\"" + N(kHeight - 8) + "\" font-size=\"12\">" +
           Escape(chart.names[s]) + "</text>";
    legendX += 40 + 7 * static_cast<double>(chart.names[s].size());
  }
  return svg + "</svg>";
}

EditionCharts ChartsOf(const std::vector<nlohmann::json>& events) {
  typeset::ChartFigures figures;
  for (const nlohmann::json& event : events) {
    if (!event.is_object()) continue;
    const std::string kind = event.value("kind", "");
    if (kind == "title") {
      figures.Title(event.value("text", ""));
    } else if (kind == "columns") {
      figures.Columns(event.value("names", std::vector<std::string>()));
    } else if (kind == "line" && event.contains("cells")) {
      figures.Line(CellsOf(event["cells"]));
    } else if (kind == "total" && event.contains("cells")) {
      figures.Total(event.value("label", ""), CellsOf(event["cells"]));
    }
  }
  return {figures.plan(), figures.natures()};
}

std::string NaturesChartOf(const std::filesystem::path& jsonl) {
  // The asset lines are most of the file and draw nothing here: not even parsed.
  std::vector<nlohmann::json> events;
  std::ifstream in(jsonl);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("{\"kind\":\"line\"", 0) != 0)
      events.push_back(nlohmann::json::parse(line, nullptr, false));
  return SvgChart(ChartsOf(events).natures);
}

}  // namespace actifix::platform::web
