#include "platform/web/WebServer.h"

#include <arpa/inet.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <regex>

#include "host/Cp1252.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "platform/base/UserError.h"
#include "platform/print/EditionFormat.h"
#include "platform/session/CompanyCode.h"
#include "platform/session/Messages.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "platform/web/CardPrint.h"
#include "platform/web/EditionFiles.h"
#include "platform/web/EditionJobs.h"
#include "platform/web/Html.h"
#include "platform/web/Pages.h"
#include "platform/web/RegisterIndex.h"
#include "platform/web/StorePool.h"
#include "platform/web/SvgChart.h"

namespace actifix::platform::web {

namespace {

using Clock = std::chrono::steady_clock;
using httplib::Request;
using httplib::Response;

constexpr const char* kCookie = "actifix_jeton";
constexpr int kPageRows = 50;
constexpr int kEditionRows = 500;                    // rows of an edition shown as HTML
constexpr auto kIndexAge = std::chrono::minutes(5);  // an index older is made again
constexpr std::size_t kLongestValue = 200;           // a query value longer is refused

const char* const kStyle = R"(body{font-family:sans-serif;margin:0;color:#222}
nav{background:#2c4a6e;color:#fff;padding:.5em 1em}nav a{color:#fff;margin-right:1em}
nav span{float:right;opacity:.8}main{padding:1em}
table{border-collapse:collapse;margin:.5em 0}td,th{border:1px solid #ccc;padding:2px 6px}
th{background:#eef}td.n{text-align:right;white-space:nowrap}tr.total td{font-weight:bold;background:#f6f6f6}
form.filters input,form.filters select{margin-right:.5em}.note{color:#666}.title{margin:.2em 0;font-family:monospace;white-space:pre}
svg.chart{max-width:760px;width:100%;height:auto;border:1px solid #ddd;margin:.5em 0}
.error{color:#a00}.pages a{margin-right:1em}fieldset{margin:.5em 0}label{display:inline-block;min-width:14em}
)";
// The one script: the filters of the register apply as soon as one is chosen.
const char* const kScript = R"(document.addEventListener('DOMContentLoaded',function(){
document.querySelectorAll('form.filters select').forEach(function(s){
s.addEventListener('change',function(){s.form.submit();});});});
)";

void Send(Response& res, int status, const std::string& html) {
  res.status = status;
  res.set_content(html, "text/html; charset=utf-8");
}

void Fail(Response& res, int status, const std::string& message) {
  Send(res, status,
       Page("Erreur " + std::to_string(status), "<p class=\"error\">" + Escape(message) + "</p>"));
}

// A request refused with its status and French message.
struct Refusal : std::runtime_error {
  Refusal(int status, const std::string& message) : std::runtime_error(message), status(status) {}
  int status;
};

int32_t DayOf(const std::string& text) {
  int32_t day = 0;
  HostDates().DayNumber(text, day);
  return day;
}

bool SameSecret(const std::string& a, const std::string& b) {
  unsigned char diff = a.size() == b.size() ? 0 : 1;
  for (std::size_t i = 0; i < a.size(); ++i)
    diff |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
  return diff == 0;
}

std::string CookieValue(const Request& req, const std::string& name) {
  const std::string header = req.get_header_value("Cookie");
  std::size_t at = 0;
  while (at < header.size()) {
    std::size_t end = header.find(';', at);
    if (end == std::string::npos) end = header.size();
    std::string pair = header.substr(at, end - at);
    pair.erase(0, pair.find_first_not_of(' '));
    if (pair.rfind(name + "=", 0) == 0) return pair.substr(name.size() + 1);
    at = end + 1;
  }
  return "";
}

// A query or form value: at most kLongestValue bytes, no control character.
std::string Param(const Request& req, const char* name) {
  const std::string value = req.has_param(name) ? req.get_param_value(name) : "";
  if (value.size() > kLongestValue)
    throw Refusal(400, std::string("Valeur trop longue pour « ") + name + " ».");
  for (const char c : value)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      throw Refusal(400, std::string("Caractère de contrôle refusé dans « ") + name + " ».");
  return value;
}

}  // namespace

bool IsLoopback(const std::string& address) {
  if (address == "localhost" || address == "::1") return true;
  in_addr v4{};
  if (inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  return false;
}

struct WebServer::Slot {
  std::mutex mutex;  // one build at a time
  std::shared_ptr<const RegisterIndex> index;
  std::string marker;  // what the index was built from: entries counted, settings
  Clock::time_point built;
};

namespace {

// What tells that a company changed since its index was built, cheaply: its assets counted
// by their key, and its settings (fiscal year, name).
std::string MarkerOf(Store& store) {
  const CompanySettings s = store.Settings();
  return std::to_string(store.CountEntries("Immo")) + "|" + s.yearStart + "|" + s.yearEnd + "|" +
         s.name;
}

// The register's index of company `code` read from `store`, the company held shared meanwhile
// as an edition holds it.
std::shared_ptr<const RegisterIndex> BuildIndex(CompanyStore& companies, const std::string& code,
                                                Store& store) {
  const std::unique_ptr<CompanyHold> hold =
      companies.Hold(code, CompanyHold::Mode::kShared, "actifix serve");
  const CompanySettings settings = store.Settings();
  return RegisterIndex::Build(store, DayOf(settings.yearStart), DayOf(settings.yearEnd));
}

}  // namespace

WebServer::WebServer(ServeOptions options)
    : options_(std::move(options)), http_(std::make_unique<httplib::Server>()) {
  if (!IsLoopback(options_.bind) && options_.token.empty())
    throw UserError("L'adresse " + options_.bind +
                        " n'est pas locale : donnez --token-file FICHIER, dont le secret sera "
                        "demandé à chaque connexion.",
                    ErrorKind::kBadArgument);
  stores_ = std::make_unique<StorePool>(options_.companies);
  jobs_ = std::make_unique<EditionJobs>(options_.companies, *stores_, options_.work / "editions",
                                        options_.editionsAtOnce, options_.editionsKept);
  Routes();
}

WebServer::~WebServer() {
  Stop();
  if (refresher_.joinable()) refresher_.join();
  jobs_.reset();
}

int WebServer::Bind() {
  int port = options_.port;
  if (port == 0) {
    port = http_->bind_to_any_port(options_.bind);
  } else if (!http_->bind_to_port(options_.bind, port)) {
    port = -1;
  }
  if (port < 0)
    throw UserError("Impossible d'écouter sur " + options_.bind + ":" +
                        std::to_string(options_.port) + " (adresse inconnue, ou port déjà pris).",
                    ErrorKind::kBadArgument);
  return port;
}

void WebServer::Serve() {
  refresher_ = std::thread([this] {
    std::unique_lock<std::mutex> lock(stopMutex_);
    while (!stopSignal_.wait_for(lock, std::chrono::seconds(options_.refreshSeconds),
                                 [this] { return stopping_; })) {
      lock.unlock();
      Refresh();
      lock.lock();
    }
  });
  http_->listen_after_bind();
}

void WebServer::Stop() {
  {
    const std::lock_guard<std::mutex> lock(stopMutex_);
    stopping_ = true;
  }
  stopSignal_.notify_all();
  http_->stop();
}

std::vector<std::string> WebServer::Codes() {
  const std::lock_guard<std::mutex> lock(settingsMutex_);
  if (Clock::now() - codesRead_ > std::chrono::seconds(options_.refreshSeconds)) {
    codes_ = options_.companies->Codes();
    codesRead_ = Clock::now();
  }
  return codes_;
}

CompanySettings WebServer::SettingsOf(const std::string& code) {
  const std::lock_guard<std::mutex> lock(settingsMutex_);
  return options_.companies->Settings(code);
}

std::shared_ptr<const RegisterIndex> WebServer::IndexOf(const std::string& code) {
  std::shared_ptr<Slot> slot;
  {
    const std::lock_guard<std::mutex> lock(slotsMutex_);
    std::shared_ptr<Slot>& s = slots_[code];
    if (!s) s = std::make_shared<Slot>();
    slot = s;
  }
  const std::lock_guard<std::mutex> lock(slot->mutex);
  if (slot->index) return slot->index;
  const std::shared_ptr<Store> store = stores_->Borrow(code);
  slot->marker = MarkerOf(*store);
  slot->index = BuildIndex(*options_.companies, code, *store);
  slot->built = Clock::now();
  return slot->index;
}

void WebServer::Refresh() {
  std::vector<std::pair<std::string, std::shared_ptr<Slot>>> slots;
  {
    const std::lock_guard<std::mutex> lock(slotsMutex_);
    slots.assign(slots_.begin(), slots_.end());
  }
  for (auto& [code, slot] : slots) {
    try {
      const std::shared_ptr<Store> store = stores_->Borrow(code);
      const std::string marker = MarkerOf(*store);
      {
        const std::lock_guard<std::mutex> lock(slot->mutex);
        if (!slot->index || (marker == slot->marker && Clock::now() - slot->built < kIndexAge))
          continue;
      }
      // Built beside the index in use, which keeps serving meanwhile.
      auto index = BuildIndex(*options_.companies, code, *store);
      const std::lock_guard<std::mutex> lock(slot->mutex);
      slot->index = std::move(index);
      slot->marker = marker;
      slot->built = Clock::now();
    } catch (const std::exception&) {
      // The company is busy or gone: the index in use stays, tried again next time.
    }
  }
}

void WebServer::Routes() {
  httplib::Server& http = *http_;
  http.new_task_queue = [] { return new httplib::ThreadPool(64); };
  http.set_payload_max_length(16 * 1024);
  http.set_tcp_nodelay(true);  // a page in one answer: no wait for the delayed acknowledgement
  http.set_read_timeout(5, 0);
  http.set_write_timeout(30, 0);
  http.set_keep_alive_max_count(1000);
  http.set_keep_alive_timeout(5);
  http.set_default_headers({
      {"Content-Security-Policy",
       "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
       "form-action 'self'; frame-ancestors 'none'; base-uri 'none'"},
      {"X-Content-Type-Options", "nosniff"},
      {"X-Frame-Options", "DENY"},
      {"Referrer-Policy", "no-referrer"},
      {"Cache-Control", "no-store"},
  });

  // The secret, when one is asked, on every request but the login page and its style.
  http.set_pre_routing_handler([this](const Request& req, Response& res) {
    if (options_.token.empty() || req.path == "/connexion" || req.path == "/style.css")
      return httplib::Server::HandlerResponse::Unhandled;
    if (SameSecret(CookieValue(req, kCookie), options_.token))
      return httplib::Server::HandlerResponse::Unhandled;
    if (req.method == "GET") {
      res.status = 303;
      res.set_header("Location", "/connexion");
    } else {
      Fail(res, 401, "Connexion demandée : ouvrez la page /connexion et donnez le jeton.");
    }
    return httplib::Server::HandlerResponse::Handled;
  });
  http.set_error_handler([](const Request&, Response& res) {
    if (!res.body.empty() || res.status < 400) return;
    switch (res.status) {
      case 400:
        return Fail(res, 400, "Requête mal formée.");
      case 404:
        return Fail(res, 404, "Page introuvable.");
      case 405:
        return Fail(res, 405, "Méthode refusée : cette consultation est en lecture seule.");
      case 413:
        return Fail(res, 413, "Requête trop grande.");
      case 414:
        return Fail(res, 414, "Adresse trop longue.");
      default:
        return Fail(res, res.status, "Requête refusée.");
    }
  });
  http.set_exception_handler([](const Request&, Response& res, std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const Refusal& r) {
      Fail(res, r.status, r.what());
    } catch (const UserError& e) {
      Fail(res, 400, e.what());
    } catch (const HostError& e) {
      Fail(res, e.kind() == ErrorKind::kNotFound ? 404 : 503, MessageOf(e));
    } catch (const std::exception&) {
      Fail(res, 500, "Erreur inattendue : la page n'a pu être faite.");
    }
  });

  http.Get("/style.css", [](const Request&, Response& res) {
    res.set_content(kStyle, "text/css; charset=utf-8");
  });
  http.Get("/app.js", [](const Request&, Response& res) {
    res.set_content(kScript, "text/javascript; charset=utf-8");
  });
  http.Get("/connexion", [](const Request&, Response& res) {
    Send(res, 200,
         Page("Connexion",
              "<form method=\"post\" action=\"/connexion\"><label for=\"jeton\">Jeton d'accès"
              "</label><input type=\"password\" id=\"jeton\" name=\"jeton\" autofocus> "
              "<button type=\"submit\">Entrer</button></form>"));
  });
  http.Post("/connexion", [this](const Request& req, Response& res) {
    if (options_.token.empty() || !SameSecret(Param(req, "jeton"), options_.token))
      return Fail(res, 401, "Jeton refusé.");
    res.status = 303;
    res.set_header("Set-Cookie", std::string(kCookie) + "=" + options_.token +
                                     "; Path=/; HttpOnly; SameSite=Strict");
    res.set_header("Location", "/");
  });

  // The company named in a path, checked: its code well formed, the company there.
  const auto company = [this](const Request& req) {
    const std::string code = req.matches[1];
    if (!IsCompanyCode(code)) throw Refusal(404, "Code de société « " + code + " » invalide.");
    const std::vector<std::string> codes = Codes();
    if (std::find(codes.begin(), codes.end(), code) == codes.end())
      throw Refusal(404, "Société « " + code + " » introuvable.");
    return code;
  };

  http.Get("/", [this](const Request&, Response& res) {
    std::vector<std::pair<std::string, CompanySettings>> companies;
    for (const std::string& code : Codes()) companies.emplace_back(code, SettingsOf(code));
    Send(res, 200, CompaniesHtml(companies, options_.companies->Where()));
  });

  http.Get(R"(/societe/([^/]+))", [this, company](const Request& req, Response& res) {
    const std::string code = company(req);
    const std::shared_ptr<const RegisterIndex> index = IndexOf(code);
    RegisterQuery q;
    q.search = Param(req, "q");
    q.nature = Param(req, "nature");
    q.analytic = Param(req, "ana");
    const std::string mode = Param(req, "mode"), disposed = Param(req, "cession"),
                      sort = Param(req, "tri"), order = Param(req, "sens"),
                      from = Param(req, "debut");
    if (!mode.empty() && mode != "L" && mode != "D" && mode != "E")
      throw Refusal(400, "Mode « " + mode + " » inconnu : L, D ou E.");
    q.mode = mode.empty() ? 0 : mode[0];
    if (!disposed.empty() && disposed != "oui" && disposed != "non")
      throw Refusal(400, "Cession : « oui » ou « non ».");
    q.disposed = disposed.empty() ? -1 : disposed == "oui" ? 1 : 0;
    if (!sort.empty()) {
      const std::optional<Column> column = ColumnNamed(sort);
      if (!column) throw Refusal(400, "Colonne de tri « " + sort + " » inconnue.");
      q.sort = *column;
    }
    if (!order.empty() && order != "asc" && order != "desc")
      throw Refusal(400, "Sens de tri : « asc » ou « desc ».");
    q.descending = order == "desc";
    if (!from.empty()) {
      if (from.size() > 10 || from.find_first_not_of("0123456789") != std::string::npos)
        throw Refusal(400, "Début de page « " + from + " » invalide.");
      q.from = std::stoll(from);
    }
    q.limit = kPageRows;
    const RegisterPage page = index->Find(q);

    Send(res, 200,
         RegisterHtml(code, *index, q,
                      {q.search, q.nature, q.analytic, mode, disposed, sort, order}, page));
  });

  http.Get(R"(/societe/([^/]+)/immo/([^/]+)/([0-9]{1,5}))", [this, company](const Request& req,
                                                                            Response& res) {
    const std::string code = company(req);
    const std::shared_ptr<const RegisterIndex> index = IndexOf(code);
    const std::string nature = req.matches[2];
    const std::optional<uint32_t> id = index->FindKey(FromUtf8(nature), std::stoi(req.matches[3]));
    if (!id) throw Refusal(404, "Immobilisation introuvable dans ce registre.");
    const std::vector<nlohmann::json> events =
        PrintCard(options_.companies, code, stores_->Borrow(code), index->record(*id));
    Send(res, 200, AssetHtml(code, "Fiche " + nature + " " + std::string(req.matches[3]), events));
  });

  http.Get(R"(/societe/([^/]+)/annee)", [this, company](const Request& req, Response& res) {
    const std::string code = company(req);
    const std::shared_ptr<const RegisterIndex> index = IndexOf(code);
    Send(res, 200, YearHtml(code, SettingsOf(code), *index));
  });

  http.Get(R"(/societe/([^/]+)/editions)", [this, company](const Request& req, Response& res) {
    const std::string code = company(req);
    const std::shared_ptr<const RegisterIndex> index = IndexOf(code);
    Send(res, 200, EditionsHtml(code, SettingsOf(code), *index));
  });

  // The year chosen in a form: 1 to 100, the entries of the module's exercise table.
  const auto yearOf = [](const Request& req) {
    const std::string year = Param(req, "annee");
    if (year.empty() || year.size() > 3 ||
        year.find_first_not_of("0123456789") != std::string::npos || std::stoi(year) < 1 ||
        std::stoi(year) > 100)
      throw Refusal(400, "Exercice « " + year + " » invalide : de 1 à 100.");
    return year;
  };
  const auto start = [this](Response& res, const std::string& code, const std::string& operation,
                            const std::string& script, const std::string& label) {
    const std::optional<std::string> id = jobs_->Start(code, operation, script, label);
    if (!id)
      return Fail(res, 503, "Trop d'éditions en cours : réessayez quand l'une sera terminée.");
    res.status = 303;
    res.set_header("Location", "/edition/" + *id);
  };
  http.Post(R"(/societe/([^/]+)/editions/amortissements)",
            [company, yearOf, start](const Request& req, Response& res) {
              const std::string code = company(req);
              std::string script = "CHOOSE " + yearOf(req) + "\n";
              static const std::regex kDate(R"(\d{2}/\d{2}/\d{4})");
              for (const char* field : {"DATDEB", "DATFIN", "DATDEBA", "DATFINA"}) {
                const std::string value = Param(req, field);
                if (!value.empty() && !std::regex_match(value, kDate))
                  throw Refusal(400, std::string("Date « ") + value + " » invalide pour " + field +
                                         " : jj/mm/aaaa.");
                script += std::string(field) + (value.empty() ? "" : " = " + value) + "\n";
              }
              const bool summary = Param(req, "RECAPSEULE") == "O";
              script += std::string("RECAPSEULE = ") + (summary ? "O" : "N") + "\n";
              for (int k = 0; k < 10; ++k) {
                const std::string name = "p" + std::to_string(k);
                if (!req.has_param(name.c_str())) break;
                const std::string value = Param(req, name.c_str());
                if (value.size() > 2 || value.find_first_not_of("0123456789") != std::string::npos)
                  throw Refusal(400, "Priorité « " + value + " » invalide.");
                script += std::to_string(k) + " = " + value + "\n";
              }
              start(res, code, "EditImo", script,
                    summary ? "Amortissements (récapitulation seule)" : "Amortissements");
            });
  http.Post(R"(/societe/([^/]+)/editions/tableaux)", [company, yearOf, start](const Request& req,
                                                                              Response& res) {
    const std::string code = company(req);
    start(res, code, "Tableaux2054", "CHOOSE " + yearOf(req) + "\n", "Tableaux 2054 et 2055");
  });

  http.Get(R"(/edition/([0-9a-f]{32}))", [this](const Request& req, Response& res) {
    const std::string id = req.matches[1];
    const std::optional<JobStatus> status = jobs_->Status(id);
    if (!status) throw Refusal(404, "Édition inconnue (terminée depuis longtemps ?).");
    Send(res, 200, EditionRunHtml(id, *status, *jobs_));
  });

  http.Get(R"(/telecharger/([0-9a-f]{32})/([0-9]{1,3})/([a-z]{3,5}))",
           [this](const Request& req, Response& res) {
             const std::string kind = req.matches[3];
             const std::optional<std::filesystem::path> path =
                 jobs_->File(req.matches[1], std::stoul(req.matches[2]), kind);
             if (!path) throw Refusal(404, "Fichier introuvable.");
             static const std::map<std::string, std::string> kTypes = {
                 {"pdf", "application/pdf"},
                 {"txt", "text/plain; charset=utf-8"},
                 {"jsonl", "application/x-ndjson"},
                 {"csv", "text/csv; charset=utf-8"},
                 {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"}};
             const auto file = std::make_shared<std::ifstream>(*path, std::ios::binary);
             const std::size_t size = std::filesystem::file_size(*path);
             res.set_header("Content-Disposition",
                            "attachment; filename=\"" + path->filename().string() + "\"");
             res.set_content_provider(
                 size, kTypes.at(kind),
                 [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                   std::vector<char> buffer(std::min<std::size_t>(length, 64 * 1024));
                   file->seekg(static_cast<std::streamoff>(offset));
                   file->read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                   const std::streamsize got = file->gcount();
                   if (got <= 0) return false;
                   sink.write(buffer.data(), static_cast<std::size_t>(got));
                   return true;
                 });
           });
}

}  // namespace actifix::platform::web
