#include "platform/cli/DemoCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

#include "platform/cli/RunCommand.h"
#include "platform/screen/Script.h"
#include "platform/session/Companies.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"

namespace actifix::platform {

namespace {

constexpr const char* kDemoCode = "DM";

struct DemoStep {
  const char* operation;
  const char* what;    // UTF-8, shown as the step runs
  const char* script;  // UTF-8 answers
};

// The demo company's files, entered as a user would through the screens.
const DemoStep kSteps[] = {
    {"LectParamImmo", "paramètres de l'entreprise (deux rubriques analytiques, comptabilité)",
     "LINTANA = [Service,Atelier]\n"
     "COMPTA = Oui\n"},
    {"EntPCI", "plan comptable des immobilisations",
     "NOCPTCG = 2154\nNOMCPTCG = Matériel industriel\n"
     "NOCPTCG = 2182\nNOMCPTCG = Matériel de transport\n"
     "NOCPTCG = 2183\nNOMCPTCG = Matériel de bureau et informatique\n"
     "NOCPTCG = 28154\nNOMCPTCG = Amortissements du matériel industriel\n"
     "NOCPTCG = 28182\nNOMCPTCG = Amortissements du matériel de transport\n"
     "NOCPTCG = 28183\nNOMCPTCG = Amortissements du matériel de bureau\n"
     "NOCPTCG = 462\nNOMCPTCG = Créances sur cessions d'immobilisations\n"
     "NOCPTCG = 68112\nNOMCPTCG = Dotations aux amortissements\n"
     "NOCPTCG = 6752\nNOMCPTCG = Valeurs comptables des éléments cédés\n"
     "NOCPTCG = 7752\nNOMCPTCG = Produits des cessions d'éléments d'actif\n"
     "NOCPTCG = 145\nNOMCPTCG = Amortissements dérogatoires\n"
     "NOCPTCG = 68725\nNOMCPTCG = Dotations aux amort. dérogatoires\n"
     "NOCPTCG = 78725\nNOMCPTCG = Reprises sur amort. dérogatoires\n"
     "NOCPTCG =\n"},
    {"EntNat", "natures d'immobilisation",
     "CODNAT = MAT\nLIBNAT = Matériel industriel\nNCIMAT = 2154\n"
     "NCIAMO\nNCIDOT\nNCIVNC\nNCIPROD\n"
     "CODNAT = TRA\nLIBNAT = Matériel de transport\nNCIMAT = 2182\n"
     "NCIAMO = 28182\nNCIDOT\nNCIVNC\nNCIPROD\n"
     "CODNAT = INF\nLIBNAT = Matériel informatique\nNCIMAT = 2183\n"
     "NCIAMO = 28183\nNCIDOT\nNCIVNC\nNCIPROD\n"
     "CODNAT =\n"},
    {"EntAnaI", "codes analytiques",
     "TYPANA = 1\nCODEANA = ADM\nNOMANA = Administration\n"
     "TYPANA\nCODEANA = COM\nNOMANA = Commercial\n"
     "TYPANA = 2\nCODEANA = AT1\nNOMANA = Atelier de montage\n"
     "TYPANA\nCODEANA = AT2\nNOMANA = Atelier de peinture\n"
     "TYPANA =\n"},
    {"EntImo", "fiches d'immobilisation (dont une cédée et une cédée en partie)",
     "CONF\n"
     // Linear, acquired before the year: the earlier depreciation is computed.
     "CODNATI = MAT\nNUMNATI\nDATACQ = 15/03/2022\nNOMFRN = Haas Automation\n"
     "DESCRI = Tour à commande numérique\nREMIMO = Atelier nord\nDATCES\n"
     "1 = ADM\n2 = AT1\nVALACQ = 48000\nMODAMO = L\nTAUX = 10\nCUMAMO\nDOTAMO\nMODFIS\n"
     "CODNATI\nNUMNATI\nDATACQ = 02/05/2024\nNOMFRN = Kärcher\n"
     "DESCRI = Nettoyeur haute pression\nREMIMO\nDATCES\n"
     "1 = COM\n2 = AT2\nVALACQ = 3600\nMODAMO = D\nTAUX = 20\nCUMAMO\nDOTAMO\nMODFIS\n"
     "CODNATI\nNUMNATI\nDATACQ = 10/01/2026\nNOMFRN = Schneider\n"
     "DESCRI = Armoire électrique\nREMIMO\nDATCES\n"
     "1 = ADM\n2 = AT1\nVALACQ = 12500\nMODAMO = L\nTAUX = 12.5\nDOTAMO\n"
     // A fiscal plan shorter than the economic one: derogatory depreciation.
     "MODFIS = L\nTAUFIS = 20\n"
     // Declining balance, acquired in the year.
     "CODNATI = TRA\nNUMNATI\nDATACQ = 01/04/2026\nNOMFRN = Renault Trucks\n"
     "DESCRI = Camion porteur 19 t\nREMIMO = AB-123-CD\nDATCES\n"
     "1 = COM\n2 = AT2\nVALACQ = 85000\nMODAMO = D\nTAUX = 20\nDOTAMO\nMODFIS\n"
     "CODNATI\nNUMNATI\nDATACQ = 20/09/2023\nNOMFRN = Garage Central\n"
     "DESCRI = Utilitaire Kangoo\nREMIMO = EF-456-GH\nDATCES\n"
     "1 = COM\n2 = AT1\nVALACQ = 18900\nMODAMO = L\nTAUX = 25\nCUMAMO\nDOTAMO\nMODFIS\n"
     // Disposed of during the year, sold.
     "CODNATI\nNUMNATI\nDATACQ = 12/06/2021\nNOMFRN = Peugeot\n"
     "DESCRI = Voiture de direction\nREMIMO\nDATCES = 30/06/2026\nNOMCLT = Garage Martin\n"
     "MTCESS = 6500\nNCTRES = 462\n"
     "1 = ADM\n2 = AT1\nVALACQ = 32000\nMODAMO = L\nTAUX = 20\nCUMAMO\nDOTAMO\nMODFIS\n"
     "CODNATI = INF\nNUMNATI\nDATACQ = 05/01/2024\nNOMFRN = Dell France\n"
     "DESCRI = Serveur de fichiers\nREMIMO = Salle serveur\nDATCES\n"
     "1 = ADM\n2 = AT1\nVALACQ = 9800\nMODAMO = D\nTAUX = 33.33\nCUMAMO\nDOTAMO\nMODFIS\n"
     "CODNATI\nNUMNATI\nDATACQ = 18/02/2026\nNOMFRN = Dell France\n"
     "DESCRI = Portables (lot de 12)\nREMIMO\nDATCES\n"
     "1 = COM\n2 = AT2\nVALACQ = 14400\nMODAMO = L\nTAUX = 33.33\nDOTAMO\nMODFIS\n"
     "CODNATI\nNUMNATI\nDATACQ = 01/07/2025\nNOMFRN = Bureau Vallée\n"
     "DESCRI = Imprimantes multifonctions\nREMIMO\nDATCES\n"
     "1 = ADM\n2 = AT2\nVALACQ = 4200\nMODAMO = L\nTAUX = 20\nCUMAMO\nDOTAMO\nMODFIS\n"
     // Exceptional: the charge is typed by hand.
     "CODNATI = MAT\nNUMNATI\nDATACQ = 01/10/2020\nNOMFRN = Leroy Merlin\n"
     "DESCRI = Aménagement de l'entrepôt\nREMIMO\nDATCES\n"
     "1 = ADM\n2 = AT1\nVALACQ = 20000\nMODAMO = E\nCUMAMO = 12000\nDOTAMO = 4000\nMODFIS\n"
     "CODNATI\nNUMNATI\nDATACQ = 15/11/2025\nNOMFRN = Würth France\n"
     "DESCRI = Outillage de maintenance\nREMIMO\nDATCES\n"
     "1 = COM\n2 = AT2\nVALACQ = 2750\nMODAMO = E\nCUMAMO\nDOTAMO = 0\nMODFIS\n"
     "CODNATI\nNUMNATI\nDATACQ = 03/03/2026\nNOMFRN = Manutan\n"
     "DESCRI = Rayonnages lourds\nREMIMO\nDATCES\n"
     "1 = ADM\n2 = AT2\nVALACQ = 7300\nMODAMO = L\nTAUX = 10\nDOTAMO\n"
     // Declining for tax beside linear in the accounts.
     "MODFIS = D\nTAUFIS = 10\n"
     // The first machine partly sold: a quarter of it goes, the rest takes the next number.
     "CODNATI\nNUMNATI = 00001\nDATACQ\nNOMFRN\nDESCRI\nREMIMO\n"
     "DATCES = 30/09/2026\nNOMCLT = SARL Dupont\nMTCESS = 9000\nNCTRES = 462\nVACEDEE = 12000\n"
     "CONFIRM yes\n"
     "NOMFRN\nDESCRI = Tour numérique - partie cédée\nREMIMO\n"
     "NOMFRN\nDESCRI = Tour numérique - reste\nREMIMO\n"
     "CODNATI =\n"},
    {"ListImo", "liste des immobilisations", ""},
    {"EditImo",
     "édition des amortissements de l'exercice, ventilations, plus et moins-values, écritures "
     "comptables (DMTampCg.dat et DMEcrituresFEC.txt)",
     "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\n1 =\n2 =\nMARK 1,2,3\n"},
    {"EditDer", "amortissements dérogatoires des deux plans fiscaux",
     "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\nMARK 1,2,3\n"},
    {"Tableaux2054",
     "tableaux fiscaux 2054, 2055 (sections A et B) et la ligne de 2056 de l'exercice",
     "CHOOSE 1\n"},
    {"ImmoExcel", "export du registre pour un tableur (DMImmo.csv et DMImmo.xlsx)", ""},
};

int Demo(const GlobalOptions& global, const std::string& pdfStyle) {
  const std::shared_ptr<CompanyStore> companies = OpenCompanies(global.data, global.out);
  const std::filesystem::path outputDir = companies->OutputDir();
  std::filesystem::create_directories(outputDir);
  // The demo company is the demo's own: it is made anew at each run.
  companies->Remove(kDemoCode);
  std::filesystem::remove(companies->AnomalyLog(kDemoCode));
  CompanySettings settings;
  settings.code = kDemoCode;
  settings.name = "SARL Démonstration";
  settings.yearStart = "01/01/2026";
  settings.yearEnd = "31/12/2026";
  settings.workDate = "31/12/2026";
  settings.fiscal.on = true;  // a fiscal plan beside the economic one, for two cards
  companies->Create(settings);
  std::cout << "Entreprise de démonstration " << kDemoCode << " « " << settings.name
            << " » créée dans " << outputDir.string() << ", exercice du " << settings.yearStart
            << " au " << settings.yearEnd << ".\n";

  // The demo's own editions and transcripts, made anew at each run too.
  const std::filesystem::path demoDir = outputDir / "demo";
  std::filesystem::remove_all(demoDir);
  const std::filesystem::path transcripts = demoDir / "transcripts";
  std::filesystem::create_directories(transcripts);
  SessionOptions options;
  options.companies = companies;
  options.company = kDemoCode;
  options.editionsDir = demoDir / "editions";
  options.gridPdf = pdfStyle == "grille";
  int n = 0;
  for (const DemoStep& step : kSteps) {
    ++n;
    std::cout << "  " << n << ". " << step.what << " (" << step.operation << ")\n";
    const std::filesystem::path transcript =
        transcripts / (std::to_string(n) + "-" + step.operation + ".txt");
    Session session(options,
                    std::make_unique<ScriptedInterface>(Script::FromText(step.script), transcript));
    session.Run(step.operation);
  }
  std::cout << "Éditions imprimées dans " << options.editionsDir.string() << " :\n";
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(options.editionsDir))
    files.push_back(entry.path().filename());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) std::cout << "  " << file.string() << "\n";
  // The command to go on with, naming this very program.
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) program = "actifix";
  const std::filesystem::path relative = std::filesystem::relative(program, error);
  if (!error && !relative.empty() && relative.native().rfind("..", 0) != 0)
    program = "./" / relative;
  std::cout << "Écritures pour la comptabilité dans " << (outputDir / "DMTampCg.dat").string()
            << " et " << (outputDir / "DMEcrituresFEC.txt").string()
            << ", registre pour un tableur dans " << (outputDir / "DMImmo.csv").string() << " et "
            << (outputDir / "DMImmo.xlsx").string() << ".\n";
  std::cout << "Comptes rendus des écrans dans " << transcripts.string()
            << ".\nPour travailler sur cette entreprise : " << program.string() << " --data "
            << outputDir.string() << " --company " << kDemoCode << " menu\n";
  return kExitOk;
}

}  // namespace

void AddDemoCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action) {
  CLI::App* demo = root.add_subcommand(
      "demo",
      "Crée l'entreprise de démonstration DM, la saisit par les écrans et imprime ses "
      "éditions");
  auto pdfStyle = std::make_shared<std::string>("compose");
  AddPdfStyleOption(*demo, *pdfStyle);
  WhenChosen(*demo, action, [&global, pdfStyle] { return Demo(global, *pdfStyle); });
}

}  // namespace actifix::platform
