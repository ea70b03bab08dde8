#include "platform/session/Messages.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <optional>

#include "platform/screen/TypedText.h"

namespace actifix::platform {

namespace {

// The part of `text` after `prefix` when it starts with it, else nullopt.
std::optional<std::string> After(const std::string& text, std::string_view prefix) {
  if (text.rfind(prefix, 0) != 0) return std::nullopt;
  return text.substr(prefix.size());
}

// The name at the head of a parser message: "--year: ..." or "--year is required".
std::string HeadName(const std::string& text) {
  return text.substr(0, std::min(text.find(':'), text.find(' ')));
}

// The positional argument `name` of `app`, or nullptr for an option.
const CLI::Option* Positional(const CLI::App& app, const std::string& name) {
  const CLI::Option* option = app.get_option_no_throw(name);
  return option != nullptr && option->get_positional() && option->get_lnames().empty() ? option
                                                                                       : nullptr;
}

// How an option or argument named `name` of `app` is called in a message.
std::string Designation(const CLI::App& app, const std::string& name) {
  return Positional(app, name) != nullptr ? "l'argument " + name : name;
}

// The sub-command being parsed when the error came: the last one selected.
const CLI::App& Current(const CLI::App& root) {
  const CLI::App* app = &root;
  for (std::vector<CLI::App*> selected = app->get_subcommands(); !selected.empty();
       selected = app->get_subcommands())
    app = selected.back();
  return *app;
}

// `program` followed by the sub-commands from `root` down to `app`.
std::string CommandName(const std::string& program, const CLI::App& root, const CLI::App& app) {
  std::string name;
  for (const CLI::App* a = &app; a != nullptr && a != &root; a = a->get_parent())
    name = " " + a->get_name() + name;
  return program + name;
}

std::string Wording(const CLI::App& app, const CLI::ParseError& error) {
  const std::string text = Printable(error.what());
  if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr) {
    if (const auto rest = After(text, "Could not convert: ")) {
      const std::size_t equal = rest->find(" = ");
      const std::string name = rest->substr(0, equal);
      const std::string value = equal == std::string::npos ? "" : rest->substr(equal + 3);
      return "Valeur « " + value + " » refusée pour " + name + " : un nombre entier est attendu.";
    }
    return "L'option " + HeadName(text) + " ne prend pas de valeur.";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    if (text.rfind("A subcommand", 0) == 0) {
      std::string names;
      for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        names += (names.empty() ? "" : ", ") + sub->get_name();
      const std::vector<std::string> extra = app.remaining();
      if (extra.empty()) return "Il manque la commande : " + names + ".";
      return (extra.front().rfind('-', 0) == 0 ? "Option « " : "Commande « ") +
             Printable(extra.front()) + " » inconnue ; commandes : " + names + ".";
    }
    const std::string name = HeadName(text);
    const CLI::Option* positional = Positional(app, name);
    return "Il manque " + Designation(app, name) +
           (positional != nullptr ? " : " + positional->get_description() : "") + ".";
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    std::string name = HeadName(text);
    if (const auto rest = After(text, "Expected ")) {
      const std::size_t to = rest->find(" to ");
      const std::size_t comma = rest->find(',', to);
      if (to != std::string::npos) name = rest->substr(to + 4, comma - to - 4);
    }
    const CLI::Option* option = app.get_option_no_throw(name);
    const int expected = option != nullptr ? option->get_items_expected_min() : 0;
    std::string who = Designation(app, name);
    if (who.rfind("l'", 0) == 0) who[0] = 'L';
    if (text.find("At Most") != std::string::npos && expected <= 1)
      return who + " se donne une seule fois.";
    if (expected <= 1) return "Il manque la valeur de " + Designation(app, name) + ".";
    return who + " attend " + std::to_string(expected) + " valeurs.";
  }
  if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
    // Our validators word their refusal in French: "--seed: Valeur ... refusée ...".
    const std::size_t colon = text.find(": ");
    const std::string said = colon == std::string::npos ? "" : text.substr(colon + 2);
    if (said.rfind("Valeur « ", 0) == 0) return said;
  }
  if (const auto extras = After(text, "The following arguments were not expected: "))
    return "Arguments inattendus : " + *extras + ".";
  if (const auto extra = After(text, "The following argument was not expected: "))
    return "Argument inattendu : " + *extra + ".";
  return "Ligne de commande refusée.";
}

}  // namespace

std::string MessageOf(const HostError& error) {
  if (error.subject().empty()) return error.cause();
  return error.cause() + " (" + error.subject() + ")";
}

std::string MessageOf(const std::filesystem::filesystem_error& error) {
  const std::error_code code = error.code();
  std::string why = "opération refusée par le système";
  if (code == std::errc::not_a_directory) why = "un élément du chemin n'est pas un répertoire";
  if (code == std::errc::no_such_file_or_directory) why = "fichier ou répertoire absent";
  if (code == std::errc::permission_denied || code == std::errc::operation_not_permitted)
    why = "accès interdit";
  if (code == std::errc::file_exists) why = "un fichier de ce nom existe déjà";
  if (code == std::errc::read_only_file_system) why = "disque en lecture seule";
  if (code == std::errc::no_space_on_device) why = "disque plein";
  if (code == std::errc::is_a_directory) why = "c'est un répertoire";
  const std::string path =
      error.path1().empty() ? "" : " « " + Printable(error.path1().string()) + " »";
  return "Fichier" + path + " inutilisable : " + why + ".";
}

std::string MessageOf(const CLI::App& root, const CLI::ParseError& error,
                      const std::string& program) {
  const CLI::App& app = Current(root);
  return Wording(app, error) + " Voir « " + CommandName(program, root, app) + " --help ».";
}

void WholeNumberBetween(CLI::Option& option, int64_t low, int64_t high) {
  const std::string name = option.get_name();
  const auto grouped = [](int64_t n) {
    std::string digits = std::to_string(n);
    const std::size_t first = digits[0] == '-' ? 1 : 0;
    for (std::size_t at = digits.size(); at > first + 3; at -= 3) digits.insert(at - 3, " ");
    return digits;
  };
  const std::string range = "de " + grouped(low) + " à " + grouped(high);
  option.check(CLI::Validator(
      [name, low, high, range](std::string& value) -> std::string {
        int64_t n = 0;
        const char* end = value.data() + value.size();
        const auto [stop, error] = std::from_chars(value.data(), end, n);
        const std::string refused = "Valeur « " + Printable(value.substr(0, 40)) +
                                    (value.size() > 40 ? "…" : "") + " » refusée pour " + name;
        if (value.empty() || stop != end ||
            (error != std::errc() && error != std::errc::result_out_of_range))
          return refused + " : un nombre entier est attendu (" + range + ").";
        if (error == std::errc::result_out_of_range || n < low || n > high)
          return refused + " : hors limites, " + range + ".";
        return "";
      },
      "", "bornes"));
}

void FrenchHelp(CLI::App& root) {
  const auto formatter = root.get_formatter();
  formatter->label("Usage", "Utilisation");
  formatter->label("OPTIONS", "OPTIONS");
  formatter->label("SUBCOMMAND", "COMMANDE");
  formatter->label("SUBCOMMANDS", "COMMANDES");
  formatter->label("REQUIRED", "OBLIGATOIRE");
  formatter->label("TEXT", "TEXTE");
  formatter->label("INT", "ENTIER");
  formatter->label("Positionals", "Arguments");
  for (CLI::App* sub : root.get_subcommands([](CLI::App*) { return true; })) {
    sub->group("Commandes");
    FrenchHelp(*sub);
  }
}

}  // namespace actifix::platform
