// The open stores of the web view's companies, each lent to one user at a time (a page, an
// edition, the index's walk) and kept open between uses, opened as what only reads opens them
// (no walk of every page) and with their prepared statements ready. At most kStoresPerCompany
// are open for one company; a borrower waits for one to come back.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace actifix::platform {
class CompanyStore;
class Store;
}  // namespace actifix::platform

namespace actifix::platform::web {

class StorePool {
 public:
  static constexpr int kStoresPerCompany = 4;

  explicit StorePool(std::shared_ptr<CompanyStore> companies);

  // An open store of company `code`, the caller's alone until its last copy goes; it then
  // returns to the pool, its transaction ended. Throws HostError when it cannot be opened.
  // REQUIRES: the caller holds no other store of `code` (it could wait for itself).
  std::shared_ptr<Store> Borrow(const std::string& code);

 private:
  struct Idle {
    std::mutex mutex;
    std::condition_variable returned;
    std::map<std::string, std::vector<std::unique_ptr<Store>>> stores;
    std::map<std::string, int> open;  // per company, lent or idle
  };
  std::shared_ptr<CompanyStore> companies_;
  std::shared_ptr<Idle> idle_;
};

}  // namespace actifix::platform::web
