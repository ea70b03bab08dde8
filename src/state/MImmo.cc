#include "state/MImmo.h"

namespace actifix {

namespace {

thread_local std::unique_ptr<MImmoState> state;

template <typename Service, typename Make>
Service& Lazy(std::unique_ptr<Service>& slot, Make make) {
  if (!slot) slot = (InstalledHostFactory().*make)();
  return *slot;
}

}  // namespace

MImmoState& MImmo() {
  if (!state) state = std::make_unique<MImmoState>();
  return *state;
}

void ResetModuleState() { state.reset(); }

HostStartup& Startup() { return Lazy(MImmo().startup, &HostFactory::MakeStartup); }
HostLauncher& Launcher() { return Lazy(MImmo().launcher, &HostFactory::MakeLauncher); }
HostToolkit& Toolkit() { return Lazy(MImmo().toolkit, &HostFactory::MakeToolkit); }
HostKeyedFile& KeyedFile() { return Lazy(MImmo().keyedFile, &HostFactory::MakeKeyedFile); }
HostRecordFile& RecordFile() { return Lazy(MImmo().recordFile, &HostFactory::MakeRecordFile); }
HostRuntime& Runtime() { return Lazy(MImmo().runtime, &HostFactory::MakeRuntime); }
HostScreen& Screen() { return Lazy(MImmo().screen, &HostFactory::MakeScreen); }
HostEdition& Edition() { return Lazy(MImmo().edition, &HostFactory::MakeEdition); }
HostMessageBox& MessageBox() { return Lazy(MImmo().messageBox, &HostFactory::MakeMessageBox); }
HostChoiceList& ChoiceList() { return Lazy(MImmo().choiceList, &HostFactory::MakeChoiceList); }

int16_t TrueValue() {
  int16_t v = 0;
  Toolkit().TrueValue(v);
  return v;
}

int16_t FalseValue() {
  int16_t v = 0;
  Toolkit().FalseValue(v);
  return v;
}

int16_t ZeroValue() {
  int16_t v = 0;
  Toolkit().ZeroValue(v);
  return v;
}

std::string EmptyText() {
  std::string v;
  Toolkit().EmptyText(v);
  return v;
}

bool EditionInterrupted() {
  int16_t flag = 0;
  Toolkit().Interrupted(flag);
  return flag != 0;
}

}  // namespace actifix
