// The open stores of the web view's companies, each lent to one user at a time (a page, an
// edition, the index's walk) and kept open between uses: an opening checks the whole
// database, which a page of a large register must not pay.
#pragma once

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
  explicit StorePool(std::shared_ptr<CompanyStore> companies);

  // An open store of company `code`, the caller's alone until its last copy goes; it then
  // returns to the pool, its transaction ended. Throws HostError when it cannot be opened.
  std::shared_ptr<Store> Borrow(const std::string& code);

 private:
  struct Idle {
    std::mutex mutex;
    std::map<std::string, std::vector<std::unique_ptr<Store>>> stores;
  };
  std::shared_ptr<CompanyStore> companies_;
  std::shared_ptr<Idle> idle_;
};

}  // namespace actifix::platform::web
