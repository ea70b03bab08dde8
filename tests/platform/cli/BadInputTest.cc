// Each bad input given to the program gets its status and one French line, and writes nothing.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <sstream>

#include "platform/screen/TypedText.h"
#include "support/Program.h"

namespace actifix::platform {
namespace {

namespace fs = std::filesystem;
using testing::FileBytes;

// The data directory's files; the lock file only names the last program that held the company,
// the anomaly log keeps the technical detail of failures.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.path().extension() != ".lock" && entry.path().extension() != ".log")
      files[entry.path().string()] = entry.is_regular_file() ? FileBytes(entry.path()) : "(dir)";
  return files;
}

struct Case {
  const char* args;    // after --data DATA when it has none; a run's operation when `script`
  const char* script;  // the answers, or nullptr for a plain command
  int status;
  const char* message;           // a part of the error line
  const char* secret = nullptr;  // in no output nor anomaly log (a password of the address)
};

constexpr const char* kCalc = "calc --year 01/01/2005 31/12/2005 --mode L ";

const Case kCases[] = {
    // The script driver's contract: status 3 and the line, never 1, never 0 with lines unread.
    {"EntPCI", "CHOOSE -1\n", 3, "script line 1: CHOOSE attend un numéro de ligne"},
    {"EntPCI", "# rien\nMARK 1,,2\n", 3, "script line 2: MARK attend des numéros"},
    {"EntPCI", "CONFIRM maybe\n", 3, "script line 1: CONFIRM attend yes ou no"},
    {"EntPCI", "NOCPTCG F13\n", 3, "script line 1: touche F13 inconnue"},
    {"EntPCI", "NOCPTCG = 401\x01\n", 3, "script line 1: caractère de contrôle U+0001 refusé"},
    {"EntPCI", "NOCPTCG = 4\xFF\xFE\n", 3, "script line 1: texte UTF-8 mal formé"},
    {"EntPCI", "\xEF\xBB\xBFNOCPTCG =\n", 3, "script line 1: marque d'ordre des octets"},
    {"EntPCI", "NOCPTCG =\n\nCHOOSE 1\n", 3,
     "script line 3: expected CHOOSE, the operation has ended"},
    {"EntPCI", "NOMCPTCG = x\n", 3, "script line 1: expected NOMCPTCG, the screen asks NOCPTCG"},
    {"EntPCI", "# rien\n", 3, "script line 2: expected end of script, the screen asks NOCPTCG"},
    {"--company AB run EntPCI --script /dev/zero", nullptr, 2, "plus de 16 Mo"},
    {"--company AB run EntPCI --script @DATA/absent", nullptr, 2, "absent » introuvable"},
    // Values that cannot be right.
    {"EntPCI", "NOCPTCG = 401\tA\n", 3, "NOCPTCG : caractère de contrôle U+0009 refusé"},
    {"EntPCI", "NOMCPTCG = Ω\n", 3, "« Ω » impossible à enregistrer"},
    {"EntAnaI", "TYPANA = 1\nCODEANA = A,B\n", 3, "ne peuvent pas figurer dans ce texte"},
    {"EntPCI", "NOCPTCG = 2154\nNOMCPTCG = [Matériel\n", 3, "ne peuvent pas figurer dans ce texte"},
    {"company create 02 --name X\x07 --year 01/01/2026 31/12/2026", nullptr, 2, "U+0007 refusé"},
    {"company create 02 --name \xC3 --year 01/01/2026 31/12/2026", nullptr, 2, "UTF-8 mal formé"},
    {"company create ab --year 01/01/2026 31/12/2026", nullptr, 1, "l'entreprise AB existe déjà"},
    {"company create 02 --year 01/01/2026 01/01/2028", nullptr, 2, "dure plus de 24 mois"},
    {"company year AB 01/01/9901 31/12/9901", nullptr, 2, "ne peut finir après 9900"},
    // The calculator refuses what the asset card refuses.
    {"@CALC --value 100 --rate 20 --acquired 01/01/2006", nullptr, 2, "après la fin de l'exercice"},
    {"@CALC --value 100 --rate 20 --acquired 01/07/2005 --disposed 30/06/2005", nullptr, 2,
     "précède l'acquisition"},
    {"@CALC --value 0 --rate 20 --acquired 01/07/2005", nullptr, 2, "valeur à donner"},
    {"@CALC --value -5 --rate 20 --acquired 01/07/2005", nullptr, 2, "montant négatif"},
    {"@CALC --value 1000000000000 --rate 20 --acquired 01/07/2005", nullptr, 2,
     "La valeur « 1000000000000 » refusée : montant trop grand (999 999 999 999,99 au plus)."},
    {"@CALC --value 100 --rate 150 --acquired 01/07/2005", nullptr, 2,
     "taux entre 0,01 et 100 pour le mode L"},
    {"@CALC --value 100 --rate 20 --acquired 01/07/2005 --cumul -1", nullptr, 2, "négatif"},
    {"@CALC --value 100 --rate 20 --acquired 01/07/2005 --cumul 100.01", nullptr, 2,
     "dépasse la valeur"},
    {"@CALC --value 0x10 --rate 20 --acquired 01/07/2005", nullptr, 2, "n'est pas un nombre"},
    {"@CALC --value 100 --rate 1e1 --acquired 01/07/2005", nullptr, 2, "n'est pas un nombre"},
    {"@CALC --value 100 --rate 0,004 --acquired 01/07/2005", nullptr, 2, "s'arrondit à 0,00"},
    {"@CALC --value 100 --rate 0,01 --acquired 01/07/2005", nullptr, 2, "après l'an 9999"},
    // The parser and the file system speak French; --out is checked before anything is written.
    {"@CALC --value 100 --rate 20 --acquired 01/07/2005 --index abc", nullptr, 2,
     "Valeur « abc » refusée pour --index"},
    {"bogus", nullptr, 2, "Commande « bogus » inconnue"},
    {"company create 02 --year 01/01/2026", nullptr, 2, "--year attend 2 valeurs"},
    {"company list extra", nullptr, 2, "Argument inattendu : extra"},
    {"--data @FILE company create 02 --year 01/01/2026 31/12/2026", nullptr, 2,
     "n'est pas un répertoire"},
    {"--company AB run EntPCI --script @FILE --out @FILE/x", nullptr, 2, "--out"},
    // Links left in the data directory to files outside it are not written through.
    {"ImmoExcel", "", 1, "ce fichier est un lien symbolique (@DATA/ABImmo.csv)"},
    {"--company CD run EntPCI --script @FILE", nullptr, 1, "lien symbolique (@DATA/CDActifix.db)"},
    // Arguments out of bounds, refused before anything is read.
    {"--company AB run EntPCI --script @FILE --interrupt-after -1", nullptr, 2,
     "Valeur « -1 » refusée pour --interrupt-after : hors limites, de 0 à 2 147 483 647."},
    {"--company AB run EntPCI --script @FILE --interrupt-after 99999999999999999999", nullptr, 2,
     "refusée pour --interrupt-after : hors limites"},
    {"--company AB run EntPCI --script @FILE --interrupt-after 1e3", nullptr, 2,
     "refusée pour --interrupt-after : un nombre entier est attendu"},
    {"--company AB generate --assets 1 --seed -1", nullptr, 2,
     "« -1 » refusée pour --seed : hors limites"},
    {"--company AB generate --assets 1 --seed 99999999999999999999999", nullptr, 2,
     "refusée pour --seed : hors limites, de 0 à 9 223 372 036 854 775 807"},
    {"company create 02 --name @LONGNAME --year 01/01/2026 31/12/2026", nullptr, 2,
     "Raison sociale refusée : 100000 caractères, 60 au plus."},
    // Files that are no register: refused at once, the company never held for them.
    {"--company AB import /dev/zero", nullptr, 2, "« /dev/zero » n'est pas un fichier ordinaire"},
    {"--company AB import @FIFO --dry-run", nullptr, 2, "n'est pas un fichier ordinaire (un tube)"},
    {"--company AB import @DATA", nullptr, 2, "(un répertoire)"},
    {"--company AB import @BIG", nullptr, 1, "fait plus de 1 073 741 824 octets"},
    {"--company AB import @LONGLINE", nullptr, 1, "ligne 2 : plus de 4 096 octets"},
    // No message shows a password, whatever the address; libpq's own words stay apart.
    {"--data postgresql://actifix:Pa%ssw0rd@/actifix?host=@WORK/nosock company list", nullptr, 1,
     "impossible de joindre le serveur PostgreSQL", "ssw0rd"},
    {"--data postgresql://actifix:Pa55w0rd@[::1/actifix company list", nullptr, 1,
     "qu'il vous accepte (postgresql://actifix@[::1/actifix)", "Pa55w0rd"},
    {"company copy AB --to postgresql://actifix:Pa55w0rd@[::1/actifix", nullptr, 1,
     "impossible de joindre", "Pa55w0rd"},
    {"--data postgresql://u:p/a@ss@/actifix?host=@WORK/nosock company list", nullptr, 1,
     "(postgresql://u@/actifix?host=", "p/a@ss"},
    {"--data postgresql:///actifix?host=@WORK/nosock&password=Qu3ry%zz company list", nullptr, 1,
     "impossible de joindre", "Qu3ry"},
    {"company copy AB --to postgresql:///actifix?password=Qu3ry%zz&host=@WORK/nosock", nullptr, 1,
     "impossible de joindre", "Qu3ry"},
    {"--data password=Kw5ecret company list", nullptr, 2, "chaîne de connexion", "Kw5ecret"},
};

TEST(BadInputTest, RefusedInOneFrenchLineWithItsStatusAndNothingWritten) {
  testing::TempDir work;
  const fs::path data = work.path() / "data", file = work.path() / "file";
  std::ofstream(file) << "NOCPTCG =\n";
  const fs::path script = work.path() / "script";
  const fs::path fifo = work.path() / "fifo", big = work.path() / "big.csv";
  const fs::path longLine = work.path() / "long.csv", longName = std::string(100000, 'N');
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(big) << "x";
  fs::resize_file(big, (uint64_t{1} << 30) + 1);  // sparse: nothing is written on the disk
  std::ofstream(longLine) << "Code Nature\n" << std::string(5000, ';') << "\n";
  const auto expand = [&](std::string text) {
    for (const auto& [name, value] : {std::pair{"@DATA", data},
                                      {"@FILE", file},
                                      {"@SCRIPT", script},
                                      {"@WORK", work.path()},
                                      {"@FIFO", fifo},
                                      {"@BIG", big},
                                      {"@LONGLINE", longLine},
                                      {"@LONGNAME", longName}})
      for (std::size_t at; (at = text.find(name)) != std::string::npos;)
        text.replace(at, std::string(name).size(), value.string());
    return text;
  };
  // Runs the program with `args`, split at blanks, each word quoted for the shell.
  const auto run = [&](std::string args, const char* answers) {
    if (args.rfind("@CALC", 0) == 0) args.replace(0, 5, kCalc);
    if (answers != nullptr) {
      std::ofstream(script, std::ios::binary) << answers;
      args = "--company AB run " + args + " --script @SCRIPT --transcript " +
             (work.path() / "transcript").string() + " --out " + (work.path() / "out").string();
    }
    if (args.find("--data") == std::string::npos) args = "--data @DATA " + args;
    std::string quoted;
    std::istringstream words(expand(args));
    for (std::string word; words >> word;) quoted += " '" + word + "'";
    return testing::RunProgram(quoted, (work.path() / "run").string());
  };
  ASSERT_EQ(run("company create AB --year 01/01/2026 31/12/2026", nullptr).status, 0);
  ASSERT_EQ(run("LectParamImmo", "LINTANA = [Site,Service]\nCOMPTA = O\n").status, 0);
  ASSERT_EQ(run("--data @DATA/../elsewhere company create CD --year 01/01/2026 31/12/2026", nullptr)
                .status,
            0);
  fs::create_symlink(work.path() / "elsewhere" / "CDActifix.db", data / "CDActifix.db");
  fs::create_symlink(file, data / "ABImmo.csv");
  const auto before = Snapshot(data);

  for (const Case& c : kCases) {
    const auto o = run(c.args, c.script);
    SCOPED_TRACE(std::string(c.args) + " / " + (c.script ? c.script : ""));
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_NE(o.err.find(expand(c.message)), std::string::npos) << o.err;
    // One line, printable, in the program's words: no routine, no library, no raw byte.
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
    EXPECT_EQ(Utf8Refusal(o.err.substr(0, o.err.size() - 1), {.cp1252Required = false}), "");
    for (const char* foreign : {"erreur inattendue", "Host", "error", "Could not", "required"})
      EXPECT_EQ(o.err.find(foreign), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_TRUE(Snapshot(data) == before);
    EXPECT_TRUE(!c.secret || (o.out + o.err).find(c.secret) == std::string::npos);
  }
  // Nor did any refusal leave it in the log, where a failure's technical detail goes.
  const std::string log = FileBytes(data / "ABAnomalies.log");
  EXPECT_NE(log.find("PgCompan"), std::string::npos) << log;  // the copies' refusals
  for (const Case& c : kCases) EXPECT_TRUE(!c.secret || log.find(c.secret) == std::string::npos);

  // A link planted at the spreadsheet's former temporary name is not written through.
  fs::remove(data / "ABImmo.csv");
  fs::create_symlink(file, data / "ABImmo.xlsx.tmp");
  EXPECT_EQ(run("ImmoExcel", "").status, 0);
  EXPECT_EQ(FileBytes(file), "NOCPTCG =\n");
  EXPECT_EQ(FileBytes(data / "ABImmo.xlsx").substr(0, 2), "PK");  // the workbook, a zip

  // A mismatch stops the run but keeps what was saved before it, as a user's saves are kept.
  const auto stopped = run("EntPCI", "NOCPTCG = 401\nNOMCPTCG = Fournisseurs\nCHOOSE 1\n");
  EXPECT_EQ(stopped.status, 3);
  EXPECT_EQ(stopped.err, "script line 3: expected CHOOSE, the screen asks NOCPTCG\n");
  const auto again = run("EntPCI", "NOCPTCG = 401\nNOMCPTCG\nNOCPTCG =\n");
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(FileBytes(work.path() / "transcript").find("ASK NOMCPTCG Fournisseurs"),
            std::string::npos);
}

// A failure's line is French alone; the words of the driver behind it go to the company's
// anomaly log and, with --verbose, to a second line.
struct DriverCase {
  std::string args, french, driver;
  fs::path log;  // where the driver's words are kept, or empty
};

void ExpectDriverWordsApart(const DriverCase& c, const fs::path& scratch) {
  SCOPED_TRACE(c.args);
  const auto quiet = testing::RunProgram(c.args, scratch.string()),
             verbose = testing::RunProgram("--verbose " + c.args, scratch.string());
  EXPECT_EQ(quiet.status, 1);
  EXPECT_NE(quiet.err.find(c.french), std::string::npos) << quiet.err;
  EXPECT_EQ(quiet.err.find('\n'), quiet.err.size() - 1) << quiet.err;
  EXPECT_EQ(quiet.err.find(c.driver), std::string::npos) << quiet.err;
  EXPECT_EQ(verbose.err.rfind(quiet.err, 0), 0u) << verbose.err;
  EXPECT_NE(verbose.err.find("actifix : détail : "), std::string::npos) << verbose.err;
  EXPECT_NE(verbose.err.find(c.driver), std::string::npos) << verbose.err;
  EXPECT_TRUE(c.log.empty() || FileBytes(c.log).find(c.driver) != std::string::npos);
}

TEST(BadInputTest, DriverWordsOnlyInTheLogAndWithVerbose) {
  testing::TempDir work;
  const fs::path data = work.path() / "data";
  const std::string at = "--data '" + data.string() + "' ";
  const std::string scratch = work.path() / "run";
  ASSERT_EQ(
      testing::RunProgram(at + "company create EF --year 01/01/2026 31/12/2026", scratch).status,
      0);
  {  // the schema page of the database damaged, its header kept
    std::fstream db(data / "EFActifix.db", std::ios::in | std::ios::out | std::ios::binary);
    db.seekp(100);
    db << std::string(2000, '\x5A');
  }
  const DriverCase cases[] = {
      {at + "--company EF run EntPCI --script /dev/null", "le fichier de la base est endommagé",
       "malformed", data / "EFAnomalies.log"},
      {"--data 'postgresql:///actifix?host=" + (work.path() / "nosock").string() + "' company list",
       "impossible de joindre le serveur PostgreSQL : vérifiez l'adresse",
       "No such file",
       {}},
  };
  for (const DriverCase& c : cases) ExpectDriverWordsApart(c, scratch);
}

TEST(BadInputTest, DriverWordsOnlyInTheLogAndWithVerbosePostgreSQL) {
  const char* uri = std::getenv("ACTIFIX_TEST_PG");
  ASSERT_NE(uri, nullptr);
  testing::TempDir work;
  setenv("ACTIFIX_OUT", work.path().c_str(), 1);
  const std::string at = "--data '" + std::string(uri) + "' ";
  const auto sql = [uri](const std::string& statement) {
    PGconn* conn = PQconnectdb(uri);
    PQclear(PQexec(conn, statement.c_str()));
    PQfinish(conn);
  };
  sql("DROP SCHEMA IF EXISTS \"actifix_Q7\" CASCADE");
  const std::string scratch = work.path() / "run";
  ASSERT_EQ(
      testing::RunProgram(at + "company create Q7 --year 01/01/2026 31/12/2026", scratch).status,
      0);
  sql("DROP TABLE \"actifix_Q7\".record_files");
  ExpectDriverWordsApart(
      {at + "--company Q7 run EntPCI --script /dev/null", "une table de l'entreprise est absente",
       "does not exist", work.path() / "Q7Anomalies.log"},
      scratch);
  sql("DROP SCHEMA \"actifix_Q7\" CASCADE");
}

}  // namespace
}  // namespace actifix::platform
