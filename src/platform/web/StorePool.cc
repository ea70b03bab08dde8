#include "platform/web/StorePool.h"

#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"

namespace actifix::platform::web {

StorePool::StorePool(std::shared_ptr<CompanyStore> companies)
    : companies_(std::move(companies)), idle_(std::make_shared<Idle>()) {}

std::shared_ptr<Store> StorePool::Borrow(const std::string& code) {
  std::unique_ptr<Store> store;
  {
    std::unique_lock<std::mutex> lock(idle_->mutex);
    std::vector<std::unique_ptr<Store>>& idle = idle_->stores[code];
    int& open = idle_->open[code];
    idle_->returned.wait(lock, [&] { return !idle.empty() || open < kStoresPerCompany; });
    if (!idle.empty()) {
      store = std::move(idle.back());
      idle.pop_back();
    } else {
      ++open;  // counted now, opened outside the lock
    }
  }
  if (!store) {
    try {
      store = companies_->OpenForReading(code);  // the web view only reads
    } catch (...) {
      const std::lock_guard<std::mutex> lock(idle_->mutex);
      --idle_->open[code];
      idle_->returned.notify_one();
      throw;
    }
  }
  const std::weak_ptr<Idle> pool = idle_;
  return std::shared_ptr<Store>(store.release(), [pool, code](Store* raw) {
    std::unique_ptr<Store> back(raw);
    const std::shared_ptr<Idle> idle = pool.lock();
    if (!idle) return;
    bool usable = true;
    try {
      back->Rollback();  // a reader leaves nothing; whatever is open ends here
    } catch (const std::exception&) {
      usable = false;  // not to be lent again
    }
    const std::lock_guard<std::mutex> lock(idle->mutex);
    if (usable)
      idle->stores[code].push_back(std::move(back));
    else
      --idle->open[code];
    idle->returned.notify_one();
  });
}

}  // namespace actifix::platform::web
