// The web view served on a loopback port over a generated register, on both stores: every page
// and download, their figures against the editions' JSON lines, and hostile requests refused
// while the server goes on.
#include <httplib.h>

#include <chrono>
#include <regex>
#include <thread>

#include "front/NvImmo.h"
#include "platform/print/EditionFormat.h"
#include "platform/web/WebServer.h"
#include "support/BackendData.h"
#include "support/TestRegister.h"

namespace actifix::testing {
namespace {

using platform::web::ServeOptions;
using platform::web::WebServer;

constexpr const char* kHostile = "<script>alert(1)</script>";

// The texts of the cells of table `id` of `html`, row by row, tags taken out.
std::vector<std::vector<std::string>> Cells(const std::string& html, const std::string& id) {
  std::vector<std::vector<std::string>> rows;
  const std::size_t from = html.find("<table id=\"" + id + "\"");
  const std::string table = html.substr(from, html.find("</table>", from) - from);
  static const std::regex kRow("<tr[^>]*>(.*?)</tr>"), kCell("<td[^>]*>(.*?)</td>"),
      kTag("<[^>]*>");
  for (std::sregex_iterator r(table.begin(), table.end(), kRow), end; r != end; ++r) {
    const std::string row = (*r)[1];
    std::vector<std::string> cells;
    for (std::sregex_iterator c(row.begin(), row.end(), kCell); c != end; ++c)
      cells.push_back(std::regex_replace((*c)[1].str(), kTag, ""));
    if (!cells.empty()) rows.push_back(cells);
  }
  return rows;
}

class WebView : public OnEachBackendData {
 protected:
  void SetUp() override {
    OnEachBackendData::SetUp();
    ASSERT_EQ(Program("company create 01 --name 'SARL <b>Test</b> & Cie' --year 01/01/2026 "
                      "31/12/2026")
                  .status,
              0);
    ASSERT_EQ(Program("generate --assets 60 --seed 3").status, 0);
    OpenSession("01")->RunWith([](NvImmo& component) {
      component.LectParamImmo();
      AddAssets(std::string("MAT|00999|01/03/2026|1200|L|20|0|200||||||") + kHostile +
                "|Desc \"quote\" & <b>|");
    });
  }
  void TearDown() override {
    StopServer();
    OnEachBackendData::TearDown();
  }

  void StartServer(const std::string& bind = "127.0.0.1", const std::string& token = "") {
    ServeOptions options;
    options.companies = platform::MakeCompanyStore(data_, dir_.path());
    options.bind = bind;
    options.port = 0;
    options.token = token;
    options.work = dir_.path() / "serve";
    options.refreshSeconds = 1;
    server_ = std::make_unique<WebServer>(options);
    port_ = server_->Bind();
    thread_ = std::thread([this] { server_->Serve(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client_->set_read_timeout(120, 0);
  }
  void StopServer() {
    if (!server_) return;
    server_->Stop();
    thread_.join();
    server_.reset();
  }
  httplib::Result Get(const std::string& path) { return client_->Get(path.c_str()); }
  httplib::Result Send(const std::string& method, const std::string& path, const std::string& body,
                       httplib::Headers headers = {}) {
    httplib::Request req;
    req.method = method;
    req.path = path;
    req.headers = std::move(headers);
    req.body = body;
    if (!body.empty()) req.set_header("Content-Type", "application/x-www-form-urlencoded");
    return client_->send(req);
  }
  // Starts an edition from its form and waits for its end; the page of the finished run.
  std::string RunEdition(const std::string& form, const std::string& body) {
    const httplib::Result posted =
        client_->Post(form.c_str(), body, "application/x-www-form-urlencoded");
    EXPECT_EQ(posted->status, 303);
    const std::string where = posted->get_header_value("Location");
    for (auto until = std::chrono::steady_clock::now() + std::chrono::minutes(5);
         std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
      const httplib::Result page = Get(where);
      if (page->body.find("<progress") == std::string::npos) return where + "\n" + page->body;
    }
    ADD_FAILURE() << "edition still running";
    return "";
  }

  std::unique_ptr<WebServer> server_;
  std::thread thread_;
  int port_ = 0;
  std::unique_ptr<httplib::Client> client_;
};

TEST_P(WebView, EveryPageAnswersEscapedWithItsPolicy) {
  StartServer();
  struct Case {
    const char* path;
    const char* type;
    const char* holds;
  } const cases[] = {
      {"/", "text/html", "SARL &lt;b&gt;Test&lt;/b&gt; &amp; Cie"},
      {"/societe/01", "text/html", "61 immobilisations"},
      {"/societe/01?q=%3Cscript%3E", "text/html", "1 immobilisation<"},
      {"/societe/01?q=DESC%20%22QUOTE%22", "text/html", "Desc &quot;quote&quot; &amp; &lt;b&gt;"},
      {"/societe/01?nature=MAT&mode=L&cession=non", "text/html", "MAT"},
      {"/societe/01/immo/MAT/00999", "text/html", "&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"/societe/01/immo/MAT/00999", "text/html", "<svg class=\"chart\""},
      {"/societe/01/annee", "text/html", "<svg class=\"chart\""},
      {"/societe/01/editions", "text/html", "Récapitulation seule"},
      {"/style.css", "text/css", "table"},
      {"/app.js", "text/javascript", "addEventListener"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const httplib::Result r = Get(c.path);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->get_header_value("Content-Type").rfind(c.type, 0), 0U);
    EXPECT_NE(r->body.find(c.holds), std::string::npos) << r->body;
    EXPECT_EQ(r->body.find(kHostile), std::string::npos);
    EXPECT_NE(r->get_header_value("Content-Security-Policy").find("script-src 'self'"),
              std::string::npos);
  }
}

TEST_P(WebView, SortedPagesFollowTheColumnAndPageOnByKey) {
  StartServer();
  std::vector<double> values;
  for (const char* page :
       {"/societe/01?tri=valeur&sens=desc", "/societe/01?tri=valeur&sens=desc&debut=50"})
    for (const auto& row : Cells(Get(page)->body, "registre")) {
      std::string v = row[5];
      std::erase(v, ' ');
      std::replace(v.begin(), v.end(), ',', '.');
      values.push_back(std::stod(v));
    }
  ASSERT_EQ(values.size(), 61U);
  EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));
}

// Each filter splits the register: its parts' counts add up to the whole, and the
// assets it keeps all have its value.
TEST_P(WebView, FiltersPartitionTheRegister) {
  StartServer();
  const auto count = [this](const std::string& query) {
    const std::string body = Get("/societe/01?" + query)->body;
    const std::size_t at = body.find("<p id=\"compte\">") + 15;
    return std::stol(body.substr(at));
  };
  const long all = count("");
  struct Split {
    const char* name;
    std::vector<std::string> values;
    int column;  // of the register holding the value, -1 none
  } const splits[] = {{"mode", {"L", "D", "E"}, 6},
                      {"cession", {"oui", "non"}, -1},
                      {"nature", {"BUR", "CONS", "INST", "LOGI", "MAT", "MOB", "TRANS"}, 0}};
  for (const Split& split : splits) {
    SCOPED_TRACE(split.name);
    long sum = 0;
    for (const std::string& value : split.values) {
      sum += count(std::string(split.name) + "=" + value);
      if (split.column < 0) continue;
      for (const auto& row :
           Cells(Get(std::string("/societe/01?") + split.name + "=" + value)->body, "registre"))
        EXPECT_EQ(row[split.column], value);
    }
    EXPECT_EQ(sum, all);
  }
  for (const auto& row : Cells(Get("/societe/01?cession=oui")->body, "registre"))
    EXPECT_FALSE(row[11].empty());
}

// A card saved in the terminal while the server reads the register is not held up, and shows
// once the server sees the register changed.
TEST_P(WebView, ACardSavedMeanwhileShowsInTheRegister) {
  StartServer();
  ASSERT_NE(Get("/societe/01")->body.find("61 immobilisations"), std::string::npos);
  OpenSession("01")->RunWith(
      [](NvImmo& component) {
        component.LectParamImmo();
        AddAssets("MOB|00998|02/03/2026|900|L|10|0|75||||||Neuf|Chaise saisie pendant lecture|");
      },
      platform::CompanyHold::Mode::kShared);
  std::string page;
  for (auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
       std::chrono::steady_clock::now() < until;
       std::this_thread::sleep_for(std::chrono::milliseconds(200))) {
    page = Get("/societe/01?q=pendant")->body;
    if (page.find("1 immobilisation<") != std::string::npos) break;
  }
  EXPECT_NE(page.find("Chaise saisie pendant lecture"), std::string::npos);
  EXPECT_NE(Get("/societe/01")->body.find("62 immobilisations"), std::string::npos);
}

TEST_P(WebView, AssetPlanHoldsTheCardEditionsFigures) {
  // The card edition of the assets acquired on 01/03/2026: ours alone in the generated register.
  const std::vector<nlohmann::json> printed =
      EditionEvents("01", "EdtPImo",
                    "CHOOSE 1\nDATDEBA = 01/03/2026\nDATFINA = 01/03/2026\n0\n1 =\n2 =\nMARK 1\n");
  StartServer();
  const auto rows = Cells(Get("/societe/01/immo/MAT/00999")->body, "plan");
  std::vector<std::string> expected, shown;
  for (const nlohmann::json& e : printed)
    if (e["kind"] == "line" || e["kind"] == "total")
      expected.push_back(platform::FormatFrenchAmount(e["cells"]["DOTAMO"].get<double>(), 2));
  for (const auto& row : rows) shown.push_back(row[6]);
  ASSERT_GE(expected.size(), 3U);
  EXPECT_EQ(shown, expected);
}

TEST_P(WebView, EditionShowsAndDownloadsItsJsonLinesAndPostsNothing) {
  StartServer();
  const std::string page =
      RunEdition("/societe/01/editions/amortissements", "annee=1&RECAPSEULE=O&p0=1&p1=&p2=");
  ASSERT_NE(page.find("Terminée"), std::string::npos) << page;
  const std::string id = page.substr(std::string("/edition/").size(), 32);
  const std::string base = "/telecharger/" + id + "/0/";
  const std::pair<const char*, const char*> kinds[] = {{"pdf", "application/pdf"},
                                                       {"txt", "text/plain"},
                                                       {"jsonl", "application/x-ndjson"},
                                                       {"csv", "text/csv"},
                                                       {"xlsx", "application/vnd.openxmlformats"}};
  for (const auto& [kind, type] : kinds) {
    SCOPED_TRACE(kind);
    const httplib::Result r = Get(base + kind);
    ASSERT_EQ(r->status, 200);
    EXPECT_EQ(r->get_header_value("Content-Type").rfind(type, 0), 0U);
    EXPECT_GT(r->body.size(), 100U);
  }
  EXPECT_EQ(Get(base + "pdf")->body.rfind("%PDF", 0), 0U);
  EXPECT_EQ(Get(base + "xlsx")->body.rfind("PK", 0), 0U);
  // Every total of the JSON lines is on the page and in the CSV, at 2 decimals.
  const std::string csv = Get(base + "csv")->body;
  std::istringstream jsonl(Get(base + "jsonl")->body);
  int totals = 0;
  // The year at a glance, by nature: its cumulative and charge are the edition's, its value
  // less what was disposed of the edition's value.
  std::map<std::string, std::vector<std::string>> glance;
  for (const auto& row : Cells(Get("/societe/01/annee")->body, "natures")) glance[row[0]] = row;
  std::string nature;
  for (std::string line; std::getline(jsonl, line);) {
    const nlohmann::json e = nlohmann::json::parse(line);
    if (e["kind"] == "title" && e["text"].get<std::string>().rfind("NATURE  : ", 0) == 0)
      nature =
          e["text"].get<std::string>().substr(10, e["text"].get<std::string>().find(' ', 10) - 10);
    if (e["kind"] == "total" && e["label"] == " TOTAL" && glance.count(nature) != 0) {
      const auto money = [](double v) { return platform::FormatFrenchAmount(v, 2); };
      const auto number = [](std::string text) {
        std::erase(text, ' ');
        std::replace(text.begin(), text.end(), ',', '.');
        return std::stod(text);
      };
      const std::vector<std::string>& g = glance[nature];
      EXPECT_EQ(g[3], money(e["cells"]["CD"].get<double>())) << nature;
      EXPECT_EQ(g[4], money(e["cells"]["DOT"].get<double>())) << nature;
      EXPECT_EQ(money(number(g[2]) - number(g[7])), money(e["cells"]["VA"].get<double>()))
          << nature;
      glance.erase(nature);
    }
    if (e["kind"] != "total") continue;
    ++totals;
    for (const auto& [name, value] : e["cells"].items()) {
      const std::string money = platform::FormatFrenchAmount(value.get<double>(), 2);
      EXPECT_NE(page.find(money), std::string::npos) << name << " " << money;
      std::string plain = money;
      std::erase(plain, ' ');
      EXPECT_NE(csv.find(plain), std::string::npos) << name << " " << plain;
    }
  }
  EXPECT_GT(totals, 3);
  EXPECT_EQ(glance.size(), 1U);  // every nature met but the whole register's line
  for (const char* file : {"01TampCg.dat", "01EcrituresFEC.txt"}) {
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / file)) << file;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(data_) / file)) << file;
  }
}

TEST_P(WebView, HostileRequestsAreRefusedAndTheServerGoesOn) {
  StartServer();
  const std::string big(20000, 'x');
  struct Case {
    const char* what;
    std::string method, path, body;
    httplib::Headers headers;
    int low, high;  // the status expected, in [low, high]; 0: the connection refused
  } const cases[] = {
      {"traversal", "GET", "/../../etc/passwd", "", {}, 400, 404},
      {"traversal in a download",
       "GET",
       "/telecharger/../../../etc/passwd/0/pdf",
       "",
       {},
       400,
       404},
      {"unknown download",
       "GET",
       "/telecharger/0123456789abcdef0123456789abcdef/0/pdf",
       "",
       {},
       404,
       404},
      {"kind not offered",
       "GET",
       "/telecharger/0123456789abcdef0123456789abcdef/0/sh",
       "",
       {},
       404,
       404},
      {"company code", "GET", "/societe/..%2F..%2Fetc", "", {}, 404, 404},
      {"unknown company", "GET", "/societe/ZZ", "", {}, 404, 404},
      {"unknown asset", "GET", "/societe/01/immo/MAT/99998", "", {}, 404, 404},
      {"long search", "GET", "/societe/01?q=" + std::string(300, 'a'), "", {}, 400, 400},
      {"control in search", "GET", "/societe/01?q=a%0Db", "", {}, 400, 400},
      {"unknown column", "GET", "/societe/01?tri=prix", "", {}, 400, 400},
      {"negative page", "GET", "/societe/01?debut=-5", "", {}, 400, 400},
      {"huge header", "GET", "/", "", {{"X-Big", big}}, 0, 499},
      {"huge body",
       "POST",
       "/societe/01/editions/amortissements",
       "annee=1&x=" + big,
       {},
       413,
       413},
      {"answer smuggled in a date",
       "POST",
       "/societe/01/editions/amortissements",
       "annee=1&DATDEB=01%2F01%2F2026%0ACHOOSE+0",
       {},
       400,
       400},
      {"year out of the table", "POST", "/societe/01/editions/tableaux", "annee=101", {}, 400, 400},
      {"write method", "DELETE", "/societe/01", "", {}, 400, 405},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const httplib::Result r = Send(c.method, c.path, c.body, c.headers);
    if (c.low > 0) {
      ASSERT_TRUE(r);
    }
    if (r) {
      EXPECT_GE(r->status, std::max(c.low, 400));
      EXPECT_LE(r->status, c.high);
      EXPECT_EQ(r->body.find("root:"), std::string::npos);
    }
    EXPECT_EQ(Get("/")->status, 200);
  }
}

TEST_P(WebView, AnotherAddressAsksForTheTokenOnEveryRequest) {
  ServeOptions unsafe;
  unsafe.companies = platform::MakeCompanyStore(data_, dir_.path());
  unsafe.bind = "0.0.0.0";
  EXPECT_THROW(WebServer{unsafe}, std::exception);

  const std::string token = "un-jeton-de-test-assez-long";
  StartServer("0.0.0.0", token);
  struct Case {
    const char* what;
    std::string method, path, cookie, body;
    int status;
  } const cases[] = {
      {"no cookie", "GET", "/societe/01", "", "", 303},
      {"wrong cookie", "GET", "/", "actifix_jeton=un-jeton-de-test-assez-lonG", "", 303},
      {"form without cookie", "POST", "/societe/01/editions/tableaux", "", "annee=1", 401},
      {"wrong token", "POST", "/connexion", "", "jeton=autre", 401},
      {"login page", "GET", "/connexion", "", "", 200},
      {"right cookie", "GET", "/societe/01", "a=b; actifix_jeton=" + token, "", 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    httplib::Headers headers;
    if (!c.cookie.empty()) headers.emplace("Cookie", c.cookie);
    const httplib::Result r = Send(c.method, c.path, c.body, headers);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, c.status);
  }
  const httplib::Result login =
      client_->Post("/connexion", "jeton=" + token, "application/x-www-form-urlencoded");
  ASSERT_EQ(login->status, 303);
  const std::string cookie = login->get_header_value("Set-Cookie");
  EXPECT_EQ(cookie.rfind("actifix_jeton=" + token + ";", 0), 0U);
  EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
  EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Stores, WebView, EachBackend(), BackendName);

}  // namespace
}  // namespace actifix::testing
