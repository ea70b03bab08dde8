// The FEC extract of EditImo, read by a checker written from the norm (article A47 A-1 of the
// French tax procedure book): on a generated 40-asset register it must pass and add up to the
// ledger edition; a missing or malformed account keeps it from being written at all.
#include <map>
#include <regex>

#include "editions/EditionFixture.h"
#include "platform/fecfile/FecFile.h"

namespace actifix::testing {
namespace {

struct Checked {
  std::string faults;               // one line per breach of the norm
  long long debit = 0, credit = 0;  // in cents
  std::size_t lines = 0;
};

long long Cents(const std::string& amount) {  // "1234,56"
  return std::stoll(amount.substr(0, amount.size() - 3)) * 100 +
         std::stoll(amount.substr(amount.size() - 2));
}

Checked Check(const std::string& bytes) {
  static const std::regex date("\\d{4}(0[1-9]|1[0-2])(0[1-9]|[12]\\d|3[01])"),
      amount("\\d+,\\d\\d"), number("[1-9]\\d*"), account("\\d{3}.*");
  const std::string header =
      "JournalCode JournalLib EcritureNum EcritureDate CompteNum CompteLib CompAuxNum CompAuxLib "
      "PieceRef PieceDate EcritureLib Debit Credit EcritureLet DateLet ValidDate Montantdevise "
      "Idevise";
  Checked c;
  std::map<long, long long> balance;
  long last = 0;
  for (std::size_t at = 0, end; at < bytes.size(); at = end + 2, ++c.lines) {
    auto fault = [&](const std::string& what) {
      c.faults += std::to_string(c.lines) + ": " + what + "\n";
    };
    if ((end = bytes.find("\r\n", at)) == std::string::npos) return fault("no CR LF"), c;
    std::string line = bytes.substr(at, end - at);
    for (const unsigned char b : line)
      if ((b < 0x20 && b != '\t') || (b >= 0x7F && b < 0xA0))
        fault("byte outside ISO 8859-15 text");
    std::vector<std::string> f(1);
    for (const char ch : line) ch == '\t' ? f.emplace_back() : f.back() += ch;
    if (f.size() != 18) {
      fault("not 18 columns");
      continue;
    }
    if (c.lines == 0) {
      std::replace(line.begin(), line.end(), '\t', ' ');
      if (line != header) fault("header " + line);
      continue;
    }
    for (int i : {3, 9, 15})
      if (!std::regex_match(f[i], date)) fault("date " + f[i]);
    for (int i : {11, 12})
      if (!std::regex_match(f[i], amount)) fault("amount " + f[i]);
    for (int i : {0, 1, 5, 8, 10})
      if (f[i].empty()) fault("column " + std::to_string(i + 1) + " empty");
    if (!std::regex_match(f[4], account)) fault("account " + f[4]);
    if (!std::regex_match(f[2], number) ||
        (std::stol(f[2]) != last && std::stol(f[2]) != last + 1)) {
      fault("EcritureNum " + f[2] + " after " + std::to_string(last));
      continue;
    }
    last = std::stol(f[2]);
    c.debit += Cents(f[11]);
    c.credit += Cents(f[12]);
    balance[last] += Cents(f[11]) - Cents(f[12]);
  }
  for (const auto& [n, b] : balance)
    if (b != 0) c.faults += "EcritureNum " + std::to_string(n) + " unbalanced\n";
  return c;
}

constexpr char kScript[] =
    "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\n1 =\nMARK 1,2,3,4,5,6,7\n";

TEST_F(EditionTest, FecOfTheFortyAssetRegisterMeetsTheNormAndAddsUpToTheLedgerEdition) {
  Build([] { Generate(40); });  // three disposals: with a price, without VNC, without a price
  const RunResult r = Run("EditImo", kScript);
  const std::string fec = FileBytes(company_.dataDir() / "01EcrituresFEC.txt");
  const Checked c = Check(fec);
  EXPECT_EQ(c.faults, "");
  EXPECT_EQ(c.lines - 1, LedgerBytes().size() / 316);  // the entries of TampCg.dat
  EXPECT_GT(c.lines, 20u);
  std::string total = Pick(r.editions.at(0), {"S TOTAL|||"});  // the ledger edition's last
  total.erase(0, total.rfind("S TOTAL|||"));
  char expected[64];
  std::snprintf(expected, sizeof expected, "S TOTAL|||%lld.%02lld|%lld.%02lld\n", c.debit / 100,
                c.debit % 100, c.credit / 100, c.credit % 100);
  EXPECT_EQ(total, expected);
  // A disposal names its asset, a dotation its nature; the label's lines on one line; the
  // depreciation of a disposed asset is debited.
  EXPECT_NE(
      fec.find(
          "\t28182\tAmortissements Mat\xE9riel de transport\t\t\tCES-TRANS-00006\t20261231\tSortie "
          "sans Cession - K\xE4rcher - "
          "Mat\xE9riel de transport 00006 - B\xE2timent A\t1213,09\t0,00\t\t\t20261231\t\t\r\n"),
      std::string::npos);
  EXPECT_NE(fec.find("\tDOT-MAT\t20261231\tDotation du 01/01/2026 au 31/12/2026 - nature MAT\t"),
            std::string::npos);
  EXPECT_EQ(platform::FecFile::Iso885915("\x80\x8C\x9C\x92\x85\t\xE9\xA4\x8A"),
            "\xA4\xBC\xBD'... \xE9?\xA6");
  // Labels a spreadsheet would take for formulas are written as texts.
  EXPECT_EQ(platform::FecFile::Line({1, "31/12/2026", "411", "=A1", "P", "@B1 - -x", "D", 1}),
            "OD\tOp\xE9rations diverses\t1\t20261231\t411\t'=A1\t\t\tP\t20261231\t'@B1 - -x\t1,00\t"
            "0,00\t\t\t20261231\t\t");
}

TEST_F(EditionTest, FecRefusedForAnEmptyOrNonNumericAccountTampCgWrittenAll) {
  Build([] {
    AddNature("VEH", "Véhicules", "2182", "28182", "68112", "");  // no net-book-value account
    AddAssets("VEH|00003|01/01/2022|5000|||4000|495.89|30/06/2026|800|Garage Dupont|||Renault");
  });
  std::ofstream(company_.dataDir() / "01EcrituresFEC.txt") << "of an earlier run";
  const RunResult r =
      Run("EditImo", "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\n1 =\nMARK 1\n");
  EXPECT_FALSE(std::filesystem::exists(company_.dataDir() / "01EcrituresFEC.txt"));
  EXPECT_EQ(LedgerBytes().size(), 8 * 316u);
  const std::string title = "BOX Fichier 01EcrituresFEC.txt non écrit: ";
  std::string boxes;
  for (const auto& line : r.transcript)
    if (line.rfind(title, 0) == 0) boxes += line.substr(title.size()) + "\n";
  EXPECT_EQ(
      boxes,
      "L'écriture au débit de 504,11 (cession de l'immobilisation VEH 00003, Cession à Garage "
      "Dupont - Renault) n'a pas de compte : corrigez le compte de valeur nette comptable des "
      "cessions de la nature VEH puis relancez l'édition.\n"
      "L'écriture au débit de 800,00 (cession de l'immobilisation VEH 00003, Cession à Garage "
      "Dupont - Renault) a le compte No Ct Omis qui ne commence pas par trois chiffres : "
      "corrigez le compte de trésorerie ou client de la fiche d'immobilisation VEH 00003 puis "
      "relancez l'édition.\n");
}

}  // namespace
}  // namespace actifix::testing
