#include "platform/web/CardPrint.h"

#include <sstream>

#include "depreciation/MImmoAmort.h"
#include "front/NvImmo.h"
#include "platform/screen/Script.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/Store.h"
#include "state/MImmo.h"

namespace actifix::platform::web {

std::vector<nlohmann::json> PrintCard(const std::shared_ptr<CompanyStore>& companies,
                                      const std::string& code, std::shared_ptr<Store> store,
                                      int32_t record) {
  std::ostringstream json;
  SessionOptions options;
  options.companies = companies;
  options.company = code;
  options.store = std::move(store);
  options.pdf = false;
  options.post = false;
  options.editionFiles = false;
  options.jsonOut = &json;
  options.command = "actifix serve";
  // No screen is shown: a question would end the print.
  Session session(options, std::make_unique<ScriptedInterface>(Script::FromText(""), "/dev/null"));
  session.RunWith(
      [&](NvImmo& component) {
        component.LectParamImmo();
        session.store().ReadConsistently([&] {
          Toolkit().SetEditionTitle("FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT");
          std::string title;
          Toolkit().GetEditionTitle(title);
          Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), title, -1);
          EdtFichesImmo("[" + std::to_string(record) + "]");
          Edition().Close(0);
        });
      },
      CompanyHold::Mode::kShared);
  std::vector<nlohmann::json> events;
  std::istringstream in(json.str());
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) events.push_back(nlohmann::json::parse(line));
  return events;
}

}  // namespace actifix::platform::web
