#include "platform/web/Pages.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

#include "host/HostDates.h"
#include "platform/print/EditionFormat.h"
#include "platform/store/CompanySettings.h"
#include "platform/web/EditionFiles.h"
#include "platform/web/EditionJobs.h"
#include "platform/web/Html.h"
#include "platform/web/RegisterIndex.h"
#include "platform/web/SvgChart.h"

namespace actifix::platform::web {

namespace {

constexpr int kEditionRows = 500;  // rows of an edition shown as HTML

std::string DateText(int32_t day) {
  if (day == 0) return "";
  std::string text;
  HostDates().DateOfDay(day, text);
  return text;
}

std::string RateText(float rate) { return FormatFrenchAmount(rate, 2); }

// The French heading of an edition column.
std::string Heading(const std::string& name) {
  static const std::map<std::string, std::string> kHeadings = {{"EXER", "Exercice"},
                                                               {"VALACQ", "Valeur"},
                                                               {"TAUX", "Taux"},
                                                               {"MODAMO", "Mode"},
                                                               {"VNCAN", "VNC début"},
                                                               {"TA", "Taux appliqué"},
                                                               {"DOTAMO", "Dotation"},
                                                               {"CUMFIN", "Cumul fin"},
                                                               {"VNC", "VNC fin"},
                                                               {"CUMAMO", "Cumul début"},
                                                               {"NOMFRN", "Description"},
                                                               {"FIS", "Dotation fiscale"},
                                                               {"ECO", "Dotation économique"},
                                                               {"CUMFIS", "Cumul fiscal"},
                                                               {"DOTDER", "Dotation dérogatoire"},
                                                               {"REPDER", "Reprise dérogatoire"},
                                                               {"SLDDER", "Solde dérogatoire"},
                                                               {"VNF", "Valeur nette fiscale"}};
  const auto it = kHeadings.find(name);
  return it == kHeadings.end() ? name : it->second;
}

std::string CompanyLinks(const std::string& code) {
  const std::string base = "/societe/" + UrlPart(code);
  return "<p class=\"pages\">" + Link(base, "Registre") + Link(base + "/annee", "L'année") +
         Link(base + "/editions", "Éditions") + "</p>\n";
}

}  // namespace

std::string CompaniesHtml(const std::vector<std::pair<std::string, CompanySettings>>& companies,
                          const std::string& where) {
  std::string body = "<table>" + Row({"Code", "Société", "Exercice", ""}, true);
  for (const auto& [code, s] : companies) {
    const std::string base = "/societe/" + UrlPart(code);
    body += Row({Link(base, code), Escape(s.name), Escape("du " + s.yearStart + " au " + s.yearEnd),
                 Link(base + "/annee", "l'année") + " " + Link(base + "/editions", "éditions")});
  }
  return Page("Sociétés", body + "</table>\n<p class=\"note\">Données : " + Escape(where) + "</p>");
}

std::string RegisterHtml(const std::string& code, const RegisterIndex& index,
                         const RegisterQuery& q, const RegisterParams& p,
                         const RegisterPage& page) {
  const std::string base = "/societe/" + UrlPart(code);
  // The query of this page with some values changed, as a link.
  const auto with = [&](std::map<std::string, std::string> changed) {
    std::map<std::string, std::string> values = {
        {"q", p.search},         {"nature", p.nature}, {"ana", p.analytic}, {"mode", p.mode},
        {"cession", p.disposed}, {"tri", p.sort},      {"sens", p.order}};
    for (auto& [k, v] : changed) values[k] = v;
    std::string url = base + "?";
    for (const auto& [k, v] : values)
      if (!v.empty()) url += k + "=" + UrlPart(v) + "&";
    url.pop_back();
    return url;
  };
  std::string body = CompanyLinks(code);
  body += "<form class=\"filters\" method=\"get\" action=\"" + Escape(base) +
          "\"><input type=\"search\" name=\"q\" placeholder=\"Rechercher un texte\" value=\"" +
          Escape(q.search) +
          "\" aria-label=\"Recherche\"><select name=\"nature\" "
          "aria-label=\"Nature\"><option value=\"\">Toutes natures</option>";
  for (const std::string& n : index.natureCodes()) {
    const std::string u = Utf8(n);
    body += "<option value=\"" + Escape(u) + "\"" + (u == q.nature ? " selected" : "") + ">" +
            Escape(u) + "</option>";
  }
  body +=
      "</select><select name=\"mode\" aria-label=\"Mode\"><option value=\"\">Tous modes"
      "</option>";
  for (const char* m : {"L", "D", "E"})
    body += std::string("<option") + (p.mode == m ? " selected" : "") + ">" + m + "</option>";
  body +=
      "</select><select name=\"cession\" aria-label=\"Cession\"><option value=\"\">"
      "Cédées ou non</option><option value=\"non\"" +
      std::string(p.disposed == "non" ? " selected" : "") +
      ">Non cédées</option><option value=\"oui\"" + (p.disposed == "oui" ? " selected" : "") +
      ">Cédées</option></select><input name=\"ana\" size=\"6\" placeholder=\"Code "
      "analytique\" aria-label=\"Code analytique\" value=\"" +
      Escape(q.analytic) + "\">";
  if (!p.sort.empty())
    body += "<input type=\"hidden\" name=\"tri\" value=\"" + Escape(p.sort) + "\">";
  if (!p.order.empty())
    body += "<input type=\"hidden\" name=\"sens\" value=\"" + Escape(p.order) + "\">";
  body += "<button type=\"submit\" id=\"chercher\">Chercher</button></form>\n";
  body += "<p id=\"compte\">" + std::to_string(page.total) + " immobilisation" +
          (page.total > 1 ? "s" : "") + "</p>\n<table id=\"registre\"><tr>";
  const char* heads[] = {"Nature", "Ordre", "Acquisition", "Fournisseur", "Description", "Valeur",
                         "Mode",   "Taux",  "Cumul",       "Dotation",    "VNC",         "Cession"};
  for (int c = 0; c < static_cast<int>(Column::kCount); ++c) {
    const Column column = static_cast<Column>(c);
    const bool current = q.sort == column && (!p.sort.empty() || column == Column::kNature);
    const std::string next = current && !q.descending ? "desc" : "asc";
    body += "<th><a id=\"tri-" + std::string(ColumnName(column)) + "\" href=\"" +
            Escape(with({{"tri", ColumnName(column)}, {"sens", next}})) + "\">" + Escape(heads[c]) +
            (current ? (q.descending ? " ▼" : " ▲") : "") + "</a></th>";
  }
  body += "</tr>\n";
  for (const uint32_t id : page.rows) {
    const std::string nature = Utf8(index.nature(id));
    char number[16];
    std::snprintf(number, sizeof number, "%05d", index.number(id));
    body += Row({Escape(nature), Link(base + "/immo/" + UrlPart(nature) + "/" + number, number),
                 Escape(DateText(index.acquired(id))), Escape(Utf8(index.supplier(id))),
                 Escape(Utf8(index.description(id))), Num(Escape(Money(index.value(id)))),
                 Escape(std::string(1, index.mode(id))), Num(Escape(RateText(index.rate(id)))),
                 Num(Escape(Money(index.cumulative(id)))), Num(Escape(Money(index.charge(id)))),
                 Num(Escape(Money(index.net(id)))), Escape(DateText(index.disposed(id)))});
  }
  body += "</table>\n<p class=\"pages\">";
  if (q.from > 0)
    body += Link(with({{"debut", std::to_string(std::max<int64_t>(0, q.from - q.limit))}}),
                 "« Page précédente");
  if (q.from + q.limit < page.total)
    body += Link(with({{"debut", std::to_string(q.from + q.limit)}}), "Page suivante »");
  body += "</p>";
  return Page("Registre de la société " + code, body);
}

std::string AssetHtml(const std::string& code, const std::string& title,
                      const std::vector<nlohmann::json>& events) {
  std::string body = CompanyLinks(code);
  std::vector<std::string> names;
  bool inTable = false;
  int tables = 0;
  for (const nlohmann::json& e : events) {
    const std::string kind = e.value("kind", "");
    if (kind == "title") {
      if (inTable) body += "</table>\n";
      inTable = false;
      body += "<p class=\"title\">" + Escape(e.value("text", "")) + "</p>\n";
    } else if (kind == "columns") {
      names = e.value("names", std::vector<std::string>());
      std::vector<std::string> heads;
      for (const std::string& n : names) heads.push_back(Escape(Heading(n)));
      // The economic plan, then the fiscal plan when the company keeps one.
      if (inTable) body += "</table>\n";
      body += std::string(tables++ == 0 ? "<table id=\"plan\">" : "<table class=\"plan\">") +
              Row(heads, true);
      inTable = true;
    } else if ((kind == "line" || kind == "total") && inTable) {
      const nlohmann::json cells = e.value("cells", nlohmann::json::object());
      std::vector<std::string> row;
      for (const std::string& n : names) {
        const nlohmann::json v = cells.contains(n) ? cells[n] : nlohmann::json();
        if (v.is_number())
          row.push_back(Num(Escape(n == "TAUX" || n == "TA" ? RateText(v.get<float>())
                                                            : Money(v.get<double>()))));
        else
          row.push_back(v.is_string() ? Escape(v.get<std::string>()) : "");
      }
      if (kind == "total") row.front() = Escape(e.value("label", "TOTAL"));
      body += Row(row);
    }
  }
  if (inTable) body += "</table>\n";
  const std::string chart = SvgChart(ChartsOf(events).plan);
  body += chart.empty() ? "<p class=\"note\">Plus aucune annuité : rien à dessiner.</p>" : chart;
  return Page(title, body);
}

std::string YearHtml(const std::string& code, const CompanySettings& s,
                     const RegisterIndex& index) {
  std::string body = CompanyLinks(code) + "<p>Exercice du " + Escape(s.yearStart) + " au " +
                     Escape(s.yearEnd) + "</p>\n<table id=\"natures\">" +
                     Row({"Nature", "Immobilisations", "Valeur", "Cumul", "Dotation",
                          "Valeur nette", "Cessions", "Valeur cédée"},
                         true);
  typeset::Chart chart{"Valeur nette et dotation de l'exercice par nature",
                       {"Valeur nette comptable", "Dotation de l'exercice", ""},
                       {},
                       {},
                       {},
                       {}};
  for (const NatureTotals& t : index.totals()) {
    const bool all = &t == &index.totals().back();
    if (!all) {
      chart.labels.push_back(Utf8(t.code));
      chart.bars.push_back(t.net);
      chart.bars2.push_back(t.charge);
    }
    std::string row =
        Row({Escape(all ? std::string("TOTAL") : Utf8(t.code)), Num(std::to_string(t.assets)),
             Num(Escape(Money(t.value))), Num(Escape(Money(t.cumulative))),
             Num(Escape(Money(t.charge))), Num(Escape(Money(t.net))),
             Num(std::to_string(t.disposals)), Num(Escape(Money(t.disposedValue)))});
    if (all) row.replace(0, 4, "<tr class=\"total\">");
    body += row;
  }
  body += "</table>\n" + SvgChart(chart);
  return Page("L'année de la société " + code, body);
}

std::string EditionsHtml(const std::string& code, const CompanySettings& s,
                         const RegisterIndex& index) {
  const std::string base = "/societe/" + UrlPart(code);
  std::string years;
  int16_t d = 0, m = 0, y = 0, d2 = 0, m2 = 0, y2 = 0;
  HostDates().Split(s.yearStart, d, m, y);
  HostDates().Split(s.yearEnd, d2, m2, y2);
  for (int16_t i = 0; i < 10; ++i) {
    std::string a, b;
    HostDates().Compose(d, m, static_cast<int16_t>(y + i), a);
    HostDates().Compose(d2, m2, static_cast<int16_t>(y2 + i), b);
    years += "<option value=\"" + std::to_string(i + 1) + "\">du " + Escape(a) + " au " +
             Escape(b) + "</option>";
  }
  std::string body = CompanyLinks(code);
  body += "<h2>Édition des amortissements</h2><form method=\"post\" id=\"edition\" action=\"" +
          Escape(base + "/editions/amortissements") +
          "\"><fieldset><legend>Dates de bornage</legend>"
          "<label for=\"annee\">Exercice</label><select id=\"annee\" name=\"annee\">" +
          years + "</select><br>";
  const std::pair<const char*, const char*> dates[] = {{"DATDEB", "Date de début de la dotation"},
                                                       {"DATFIN", "Date de fin de la dotation"},
                                                       {"DATDEBA", "Date de début d'acquisition"},
                                                       {"DATFINA", "Date de fin d'acquisition"}};
  for (const auto& [name, label] : dates)
    body += std::string("<label for=\"") + name + "\">" + Escape(label) + "</label><input id=\"" +
            name + "\" name=\"" + name + "\" size=\"10\" placeholder=\"jj/mm/aaaa\"><br>";
  body +=
      "<label for=\"RECAPSEULE\">Récapitulation seule</label><input type=\"checkbox\" "
      "id=\"RECAPSEULE\" name=\"RECAPSEULE\" value=\"O\"></fieldset><fieldset><legend>"
      "Critères d'édition (priorité de classement, vide si pas de classement)</legend>"
      "<label for=\"p0\">Classement par nature</label><input id=\"p0\" name=\"p0\" "
      "size=\"2\" value=\"1\"><br>";
  for (std::size_t k = 0; k < index.headings().size(); ++k) {
    const std::string n = "p" + std::to_string(k + 1);
    body += "<label for=\"" + n + "\">Classement par code " + Escape(index.headings()[k]) +
            "</label><input id=\"" + n + "\" name=\"" + n + "\" size=\"2\"><br>";
  }
  body +=
      "</fieldset><p class=\"note\">Dates vides : celles proposées par l'édition "
      "(l'exercice choisi). Aucune écriture ni fichier d'interface n'est écrit.</p>"
      "<button type=\"submit\" id=\"lancer\">Lancer l'édition</button></form>";
  body += "<h2>Tableaux 2054 et 2055</h2><form method=\"post\" action=\"" +
          Escape(base + "/editions/tableaux") +
          "\"><label for=\"annee2054\">Exercice</label><select id=\"annee2054\" "
          "name=\"annee\">" +
          years + "</select> <button type=\"submit\">Lancer</button></form>";
  return Page("Éditions de la société " + code, body);
}

std::string EditionRunHtml(const std::string& id, const JobStatus& status,
                           const EditionJobs& jobs) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", status.seconds);
  std::string body = CompanyLinks(status.company) + "<p id=\"etat\">" + Escape(status.label) +
                     " : " + Escape(status.progress) + " (" + seconds + " s)</p>\n";
  if (status.state == JobStatus::State::kRunning) {
    body +=
        "<p><progress aria-label=\"Édition en cours\"></progress> La page se met à jour "
        "seule.</p>";
    return Page("Édition en cours", body, 1);
  }
  if (status.state == JobStatus::State::kFailed)
    body += "<p class=\"error\">" + Escape(status.error) + "</p>";
  for (std::size_t n = 0; n < status.editions.size(); ++n) {
    const JobStatus::Edition& e = status.editions[n];
    body += "<h2>" + Escape(e.title) + "</h2><p class=\"pages\">";
    for (const char* kind : kDownloadKinds)
      if (jobs.File(id, n, kind))
        body += "<a class=\"telecharger\" href=\"/telecharger/" + id + "/" + std::to_string(n) +
                "/" + kind + "\">" + kind + "</a>";
    body += "</p>\n";
    const std::filesystem::path jsonl = e.stem.string() + ".jsonl";
    body += EditionHtml(jsonl, kEditionRows);
    if (std::ifstream svg(e.stem.string() + ".svg"); svg)
      body += std::string(std::istreambuf_iterator<char>(svg), {});
  }
  return Page("Édition " + status.label, body);
}

}  // namespace actifix::platform::web
