#include "platform/print/EditionDescriptor.h"

#include <charconv>
#include <set>

#include "host/Cp1252.h"
#include "host/Text.h"

namespace actifix::platform {
namespace {

[[noreturn]] void Fail(const std::string& what) { throw DescriptorError(what); }

// Recursive descent over the notation; `pos` is at the "[" of the list to read.
BracketNode ReadList(const std::string& text, std::size_t& pos) {
  BracketNode list;
  list.isList = true;
  ++pos;  // the "["
  if (pos < text.size() && text[pos] == ']') {
    ++pos;
    return list;
  }
  while (true) {
    if (pos < text.size() && text[pos] == '[') {
      list.items.push_back(ReadList(text, pos));
    } else {
      BracketNode atom;
      while (pos < text.size() && text[pos] != ',' && text[pos] != ']') {
        if (text[pos] == '[')
          Fail(std::string("crochet ouvrant au milieu d'un élément, caractère "_w) +
               std::to_string(pos + 1));
        atom.atom.push_back(text[pos++]);
      }
      list.items.push_back(std::move(atom));
    }
    if (pos >= text.size()) Fail(std::string("liste non fermée à la fin du texte"_w));
    if (text[pos] == ']') {
      ++pos;
      return list;
    }
    if (text[pos] != ',')
      Fail(std::string("virgule ou crochet fermant attendu, caractère "_w) +
           std::to_string(pos + 1));
    ++pos;
  }
}

int ReadInt(const BracketNode& node, const std::string& what) {
  if (node.isList) Fail(what + std::string(" attendu, une liste trouvée"_w));
  const std::string text = Trimmed(node.atom);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    Fail(what + " illisible : \"" + node.atom + "\"");
  return value;
}

const std::string& AtomOf(const BracketNode& node, const std::string& what) {
  if (node.isList) Fail(what + std::string(" attendu, une liste trouvée"_w));
  return node.atom;
}

Alignment ReadAlignment(const BracketNode& node) {
  const std::string a = Trimmed(AtomOf(node, "alignement"));
  if (a == "G") return Alignment::kLeft;
  if (a == "D") return Alignment::kRight;
  if (a == "C") return Alignment::kCenter;
  Fail("alignement inconnu : \"" + node.atom + "\" (G, D ou C)");
}

std::string ReadFlags(const BracketNode& node) {
  if (!node.isList) Fail("liste d'indicateurs attendue : \"" + node.atom + "\"");
  std::string flags;
  for (const auto& f : node.items) flags += Trimmed(AtomOf(f, "indicateur"));
  return flags;
}

ColumnSpec ReadColumn(const BracketNode& node) {
  const auto& it = node.items;
  if (it.size() < 4) Fail(std::string("colonne incomplète"_w));
  ColumnSpec c;
  c.name = Trimmed(AtomOf(it[0], "nom de colonne"));
  if (c.name.empty()) Fail("colonne sans nom");
  c.heading = AtomOf(it[1], "titre de colonne");
  const std::string kind = Trimmed(AtomOf(it[2], "type de colonne"));
  std::size_t next = 3;
  if (kind == "A") {
    c.kind = ColumnKind::kText;
    c.width = ReadInt(it[next++], "largeur");
  } else if (kind == "M" || kind == "N") {
    c.kind = kind == "M" ? ColumnKind::kAmount : ColumnKind::kNumber;
    c.width = ReadInt(it[next++], "largeur");
    if (next >= it.size())
      Fail("colonne " + c.name + std::string(" : nombre de décimales manquant"_w));
    c.decimals = ReadInt(it[next++], std::string("nombre de décimales"_w));
    if (c.decimals < 0 || c.decimals > 9)
      Fail("colonne " + c.name + std::string(" : nombre de décimales hors limites"_w));
  } else if (kind == "D") {
    c.kind = ColumnKind::kDate;
    c.width = 10;
  } else {
    Fail("colonne " + c.name + " : type inconnu \"" + it[2].atom + "\" (A, M, N ou D)");
  }
  if (c.width <= 0 || c.width > 500) Fail("colonne " + c.name + " : largeur hors limites");
  if (next >= it.size()) Fail("colonne " + c.name + " : alignement manquant");
  c.align = ReadAlignment(it[next++]);
  if (next < it.size()) c.flags = ReadFlags(it[next++]);
  if (next < it.size()) Fail("colonne " + c.name + std::string(" : éléments en trop"_w));
  return c;
}

}  // namespace

BracketNode ParseBracketList(const std::string& text) {
  if (text.empty() || text[0] != '[') Fail("une liste doit commencer par un crochet ouvrant");
  std::size_t pos = 0;
  BracketNode list = ReadList(text, pos);
  if (pos != text.size())
    Fail(std::string("caractères après la fin de la liste, caractère "_w) +
         std::to_string(pos + 1));
  return list;
}

int EditionLayout::Find(const std::string& name) const {
  const std::string wanted = Trimmed(name);
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == wanted) return static_cast<int>(i);
  return -1;
}

EditionLayout ParseEditionDescriptor(const std::string& descriptor) {
  const BracketNode root = ParseBracketList(descriptor);
  if (root.items.size() != 4)
    Fail(std::string(
        "un descripteur d'édition a quatre éléments : style, copies, colonnes, totaux"_w));
  EditionLayout layout;
  layout.style = AtomOf(root.items[0], "style");
  layout.copies = AtomOf(root.items[1], "nombre de copies");
  const BracketNode& columns = root.items[2];
  if (!columns.isList) Fail("liste des colonnes attendue");
  for (const auto& node : columns.items) {
    if (!node.isList) Fail("colonne attendue, \"" + node.atom + std::string("\" trouvé"_w));
    if (!node.items.empty() && !node.items[0].isList && !node.items[0].atom.empty() &&
        node.items[0].atom[0] == '@') {
      ColumnGroup group;
      group.heading = node.items[0].atom.substr(1);
      group.first = static_cast<int>(layout.columns.size());
      for (std::size_t k = 1; k < node.items.size(); ++k) {
        if (!node.items[k].isList) Fail("groupe " + group.heading + " : colonne attendue");
        layout.columns.push_back(ReadColumn(node.items[k]));
        layout.columns.back().group = static_cast<int>(layout.groups.size());
      }
      group.count = static_cast<int>(layout.columns.size()) - group.first;
      if (group.count == 0) Fail("groupe " + group.heading + " sans colonne");
      layout.groups.push_back(group);
    } else {
      layout.columns.push_back(ReadColumn(node));
    }
  }
  std::set<std::string> names;
  for (const auto& c : layout.columns)
    if (!names.insert(c.name).second)
      Fail("colonne " + c.name + std::string(" définie deux fois"_w));
  const BracketNode& totalled = root.items[3];
  if (!totalled.isList) Fail(std::string("liste des colonnes totalisées attendue"_w));
  for (const auto& node : totalled.items) {
    const int index = layout.Find(AtomOf(node, std::string("nom de colonne totalisée"_w)));
    if (index < 0) Fail(std::string("colonne totalisée inconnue : "_w) + node.atom);
    if (layout.columns[index].kind != ColumnKind::kAmount &&
        layout.columns[index].kind != ColumnKind::kNumber)
      Fail(std::string("colonne totalisée non numérique : "_w) + node.atom);
    layout.columns[index].totalled = true;
  }
  return layout;
}

TotalLineSpec ParseTotalLineDescriptor(const std::string& descriptor) {
  const BracketNode root = ParseBracketList(descriptor);
  if (root.items.size() != 2 || !root.items[0].isList || !root.items[1].isList)
    Fail(std::string("une ligne de total a deux listes : libellés et totaux"_w));
  TotalLineSpec totalLine;
  for (const auto& cell : root.items[0].items) {
    if (!cell.isList || cell.items.size() != 2)
      Fail(std::string("libellé attendu sous la forme [colonne,texte]"_w));
    totalLine.labels.push_back({Trimmed(AtomOf(cell.items[0], "nom de colonne")),
                                AtomOf(cell.items[1], std::string("libellé"_w))});
  }
  for (const auto& cell : root.items[1].items) {
    if (!cell.isList || cell.items.size() != 2)
      Fail("total attendu sous la forme [colonne,niveau]");
    const int level = ReadInt(cell.items[1], "niveau de total");
    if (level != 1 && level != 2) Fail("niveau de total " + std::to_string(level) + " (1 ou 2)");
    totalLine.totals.push_back({Trimmed(AtomOf(cell.items[0], "nom de colonne")), level});
  }
  return totalLine;
}

std::vector<std::string> ParseColumnNames(const std::string& list) {
  const BracketNode root = ParseBracketList(list);
  std::vector<std::string> names;
  for (const auto& node : root.items) names.push_back(Trimmed(AtomOf(node, "nom de colonne")));
  return names;
}

}  // namespace actifix::platform
