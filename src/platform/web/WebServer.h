// The read-only web view of `actifix serve`: the companies of one CompanyStore, their
// registers, assets, year and editions, in French, over HTTP (cpp-httplib). It never writes
// to a company: pages read the register's index (RegisterIndex) or print through the module
// with the company held shared; editions run as EditionJobs into the server's own folder.
//
// Safety: it listens on 127.0.0.1 unless told otherwise, and any other address needs a
// secret that every request carries (a cookie set by the login page, HttpOnly and
// SameSite=Strict). Every page sends a Content-Security-Policy that forbids inline script;
// request sizes and times are bounded; a malformed request gets a French 4xx and the server
// goes on. The rules and choices are in docs/web.md.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace actifix::platform {
class CompanySettings;
class CompanyStore;
}  // namespace actifix::platform

namespace actifix::platform::web {

class EditionJobs;
class RegisterIndex;
class StorePool;

struct ServeOptions {
  std::shared_ptr<CompanyStore> companies;
  std::string bind = "127.0.0.1";
  int port = 8080;             // 0: any free port
  std::string token;           // the secret every request carries; empty: none asked
  std::filesystem::path work;  // the server's own folder (editions); made if missing
  int editionsAtOnce = 2;      // editions running at once; more are refused (503)
  int editionsKept = 20;       // finished editions remembered, their files kept
  int refreshSeconds = 2;      // how often a company's store is checked for changes
};

// Whether `address` is a loopback address (127.0.0.0/8, ::1, "localhost").
bool IsLoopback(const std::string& address);

class WebServer {
 public:
  explicit WebServer(ServeOptions options);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds the address; returns the port (the one chosen for port 0). Throws UserError when the
  // address cannot be bound.
  int Bind();
  // Serves until Stop(). REQUIRES: Bind() done.
  void Serve();
  // Ends Serve() from any thread; running editions are interrupted.
  void Stop();

 private:
  struct Slot;
  void Routes();
  // The register index of company `code`, built at its first use and kept fresh by Refresh.
  std::shared_ptr<const RegisterIndex> IndexOf(const std::string& code);
  // The companies' codes, listed again when older than refreshSeconds (on a server, listing
  // costs a connection).
  std::vector<std::string> Codes();
  // The stored settings of company `code`: one caller at a time, since a server's companies
  // read them through one connection they keep.
  CompanySettings SettingsOf(const std::string& code);
  // Rebuilds the indexes whose company changed (entries counted, settings) or aged.
  void Refresh();

  ServeOptions options_;
  std::unique_ptr<httplib::Server> http_;
  std::unique_ptr<StorePool> stores_;
  std::unique_ptr<EditionJobs> jobs_;
  std::mutex settingsMutex_;  // guards the two below and the companies' settings
  std::vector<std::string> codes_;
  std::chrono::steady_clock::time_point codesRead_;
  std::mutex slotsMutex_;
  std::map<std::string, std::shared_ptr<Slot>> slots_;
  std::mutex stopMutex_;
  std::condition_variable stopSignal_;
  bool stopping_ = false;
  std::thread refresher_;
};

}  // namespace actifix::platform::web
