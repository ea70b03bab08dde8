#include "platform/web/StorePool.h"

#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"

namespace actifix::platform::web {

namespace {
constexpr std::size_t kIdlePerCompany = 16;
}

StorePool::StorePool(std::shared_ptr<CompanyStore> companies)
    : companies_(std::move(companies)), idle_(std::make_shared<Idle>()) {}

std::shared_ptr<Store> StorePool::Borrow(const std::string& code) {
  std::unique_ptr<Store> store;
  {
    const std::lock_guard<std::mutex> lock(idle_->mutex);
    std::vector<std::unique_ptr<Store>>& idle = idle_->stores[code];
    if (!idle.empty()) {
      store = std::move(idle.back());
      idle.pop_back();
    }
  }
  if (!store) store = companies_->Open(code);
  const std::weak_ptr<Idle> pool = idle_;
  return std::shared_ptr<Store>(store.release(), [pool, code](Store* raw) {
    std::unique_ptr<Store> back(raw);
    const std::shared_ptr<Idle> idle = pool.lock();
    if (!idle) return;
    try {
      back->Rollback();  // a reader leaves nothing; whatever is open ends here
    } catch (const std::exception&) {
      return;  // not to be lent again
    }
    const std::lock_guard<std::mutex> lock(idle->mutex);
    std::vector<std::unique_ptr<Store>>& stores = idle->stores[code];
    if (stores.size() < kIdlePerCompany) stores.push_back(std::move(back));
  });
}

}  // namespace actifix::platform::web
