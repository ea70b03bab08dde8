// The pictures of the typeset PDF: their figures, their scales and their drawing.
#include "platform/print/TypesetChart.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "platform/print/EditionFormat.h"
#include "platform/print/TypesetLayout.h"
#include "platform/print/TypesetPainter.h"

namespace actifix::platform::typeset {
namespace {

const CellValue* CellOf(std::span<const CellValue> cells, const char* column) {
  for (const CellValue& cell : cells)
    if (cell.column == column) return &cell;
  return nullptr;
}
double NumberOf(std::span<const CellValue> cells, const char* column) {
  const CellValue* cell = CellOf(cells, column);
  return cell != nullptr && cell->isNumber ? cell->number : 0;
}

constexpr double kColours[3][3] = {{0.27, 0.45, 0.71}, {0.93, 0.55, 0.20}, {0.75, 0.15, 0.15}};

void SetColour(cairo_t* cr, std::size_t series) {
  cairo_set_source_rgb(cr, kColours[series][0], kColours[series][1], kColours[series][2]);
}

// Round steps of a scale from 0 (or below) to the greatest value.
struct Scale {
  double low = 0, high = 1, step = 1;
};

// The scale of `series` in about `steps` steps; `exactly` that many, so that the line's scale
// meets the bars' grid.
Scale ScaleOf(std::initializer_list<const std::vector<double>*> series, double steps,
              bool exactly) {
  Scale scale{0, 0, 1};
  for (const auto* values : series)
    for (const double v : *values) {
      scale.low = std::min(scale.low, v);
      scale.high = std::max(scale.high, v);
    }
  if (scale.high - scale.low < 1) scale.high = scale.low + 1;
  const double raw = (scale.high - scale.low) / steps;
  const double power = std::pow(10, std::floor(std::log10(raw)));
  scale.step = 10 * power;
  for (const double nice : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0})
    if (raw <= nice * power) {
      scale.step = nice * power;
      break;
    }
  scale.low = std::floor(scale.low / scale.step) * scale.step;
  scale.high = std::ceil(scale.high / scale.step) * scale.step;
  if (exactly) scale.high = std::max(scale.high, scale.low + std::round(steps) * scale.step);
  return scale;
}

std::string Tick(double v) { return FormatFrenchAmount(v, 0); }

// The plotting area of a chart and its two scales: the bars' on the left, the line's right.
struct Plot {
  Scale bars, line;
  double left = 0, right = 0, top = 0, bottom = 0;
  double group = 0;  // the width given to each label
  double Y(const Scale& s, double v) const {
    return bottom - (v - s.low) / (s.high - s.low) * (bottom - top);
  }
  double Middle(std::size_t i) const { return left + (static_cast<double>(i) + 0.5) * group; }
};

Plot PlotOf(Painter& p, const Chart& chart, double left, double top, double right, double bottom,
            double size) {
  Plot plot;
  plot.bars = ScaleOf({&chart.bars, &chart.bars2}, 5, false);
  plot.line = ScaleOf({&chart.line}, (plot.bars.high - plot.bars.low) / plot.bars.step, true);
  const double leftAxis = p.regular.Em(Tick(plot.bars.high)) * size + size;
  const double rightAxis =
      chart.line.empty() ? 0 : p.regular.Em(Tick(plot.line.high)) * size + size;
  plot.left = left + std::max(leftAxis, p.regular.Em(Tick(plot.bars.low)) * size + size);
  plot.right = right - rightAxis;
  plot.top = top + 2.5 * size;
  plot.bottom = bottom - 2 * size;
  plot.group = (plot.right - plot.left) / static_cast<double>(chart.labels.size());
  return plot;
}

// The title, then the legend after it.
void DrawLegend(Painter& p, const Chart& chart, double left, double top, double size) {
  cairo_t* cr = p.cr();
  double x = left + p.Show(p.bold, size, left, top + size, chart.title) + 2 * size;
  for (std::size_t s = 0; s < chart.names.size(); ++s) {
    if (chart.names[s].empty()) continue;
    SetColour(p.cr(), s);  // the names gathered so far drawn first, in black
    if (s == 2)
      p.Rule(x, x + size, top + 0.6 * size, 1.5);
    else
      cairo_rectangle(cr, x, top + 0.1 * size, size, size * 0.8);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    x += 1.4 * size;
    x += p.Show(p.regular, size, x, top + size, chart.names[s]) + 1.5 * size;
  }
}

// The grid of the bars' scale, its ticks on the left, the line's on the right, the zero axis.
void DrawAxes(Painter& p, const Chart& chart, const Plot& plot, double size) {
  cairo_t* cr = p.cr();
  const Scale& bars = plot.bars;
  cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
  for (double v = bars.low; v <= bars.high + bars.step / 2; v += bars.step)
    p.Rule(plot.left, plot.right, plot.Y(bars, v), kThin);
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (double v = bars.low; v <= bars.high + bars.step / 2; v += bars.step)
    p.Show(p.regular, size, plot.left - size / 2 - p.regular.Em(Tick(v)) * size,
           plot.Y(bars, v) + 0.35 * size, Tick(v));
  const Scale& line = plot.line;
  if (!chart.line.empty())
    for (double v = line.low; v <= line.high + line.step / 2; v += line.step)
      p.Show(p.regular, size, plot.right + size / 2, plot.Y(line, v) + 0.35 * size, Tick(v));
  p.Rule(plot.left, plot.right, plot.Y(bars, 0), kMedium);
}

void DrawBars(Painter& p, const Chart& chart, const Plot& plot, double size) {
  cairo_t* cr = p.cr();
  const int series = chart.bars2.empty() ? 1 : 2;
  const double bar = std::min(plot.group * 0.7 / series, 5 * size);
  for (std::size_t i = 0; i < chart.labels.size(); ++i)
    for (int s = 0; s < series; ++s) {
      const double v = (s == 0 ? chart.bars : chart.bars2)[i];
      SetColour(cr, s);
      const double x0 = plot.left + static_cast<double>(i) * plot.group +
                        (plot.group - series * bar) / 2 + s * bar;
      cairo_rectangle(cr, x0, plot.Y(plot.bars, std::max(v, 0.0)), bar,
                      std::abs(plot.Y(plot.bars, v) - plot.Y(plot.bars, 0)));
      cairo_fill(cr);
    }
}

// The line, and a dot on each year (the only mark of a plan of one year).
void DrawLine(Painter& p, const Chart& chart, const Plot& plot) {
  cairo_t* cr = p.cr();
  const std::size_t n = chart.labels.size();
  SetColour(cr, 2);
  cairo_set_line_width(cr, 1.5);
  for (std::size_t i = 0; i < n; ++i)
    cairo_line_to(cr, plot.Middle(i), plot.Y(plot.line, chart.line[i]));
  cairo_stroke(cr);
  for (std::size_t i = 0; i < n; ++i) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, plot.Middle(i), plot.Y(plot.line, chart.line[i]), std::min(2.5, plot.group / 6),
              0, 2 * M_PI);
  }
  cairo_fill(cr);
}

// The labels under their bars, as many as have room.
void DrawLabels(Painter& p, const Chart& chart, const Plot& plot, double size) {
  double widest = 0;
  for (const std::string& label : chart.labels)
    widest = std::max(widest, p.regular.Em(label) * size);
  const std::size_t every = static_cast<std::size_t>(std::ceil((widest + size) / plot.group));
  for (std::size_t i = 0; i < chart.labels.size(); i += std::max<std::size_t>(every, 1))
    p.Show(p.regular, size, plot.Middle(i) - p.regular.Em(chart.labels[i]) * size / 2,
           plot.bottom + 1.3 * size, chart.labels[i]);
}

}  // namespace

void ChartFigures::Title(const std::string& text) {
  if (text.rfind("NATURE", 0) == 0) group_ = text;
}

bool ChartFigures::OnCard() const {
  return std::find(names_.begin(), names_.end(), "EXER") != names_.end() &&
         std::find(names_.begin(), names_.end(), "CUMFIN") != names_.end();
}

void ChartFigures::Line(std::span<const CellValue> cells) {
  // A year of an asset card's plan: "01/01/2026 Au 31/12/2026", its charge and cumulative.
  const CellValue* year = CellOf(cells, "EXER");
  if (year == nullptr || year->text.size() < 4 || year->text.find(" Au ") == std::string::npos ||
      !OnCard())
    return;
  if (plan_.labels.empty())
    plan_ = {"Plan d'amortissement",
             {"Dotation de l'exercice", "", "Cumul en fin d'exercice"},
             {},
             {},
             {},
             {}};
  plan_.labels.push_back(year->text.substr(year->text.size() - 4));
  plan_.bars.push_back(NumberOf(cells, "DOTAMO"));
  plan_.line.push_back(NumberOf(cells, "CUMFIN"));
}

void ChartFigures::Total(const std::string& label, const std::vector<CellValue>& cells) {
  // The totals of a nature, under its "NATURE  : INF    Matériel informatique" heading.
  if (TrimLeft(label) != "TOTAL" || group_.empty() || CellOf(cells, "DOT") == nullptr ||
      CellOf(cells, "VNC") == nullptr)
    return;
  std::string_view code = TrimLeft(std::string_view(group_).substr(group_.find(':') + 1));
  code = code.substr(0, code.find(' '));
  if (natures_.labels.empty())
    natures_ = {"Valeur nette et dotation de l'exercice par nature",
                {"Valeur nette comptable", "Dotation de l'exercice", ""},
                {},
                {},
                {},
                {}};
  natures_.labels.emplace_back(code);
  natures_.bars.push_back(NumberOf(cells, "VNC"));
  natures_.bars2.push_back(NumberOf(cells, "DOT"));
  group_.clear();
}

void DrawChart(Painter& p, const Chart& chart, double left, double top, double right, double bottom,
               double size) {
  DrawLegend(p, chart, left, top, size);
  const Plot plot = PlotOf(p, chart, left, top, right, bottom, size);
  DrawAxes(p, chart, plot, size);
  DrawBars(p, chart, plot, size);
  if (!chart.line.empty()) DrawLine(p, chart, plot);
  cairo_set_source_rgb(p.cr(), 0, 0, 0);
  DrawLabels(p, chart, plot, size);
}

}  // namespace actifix::platform::typeset
