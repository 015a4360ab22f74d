#include "cli/JsonOutput.h"

#include <cctype>
#include <nlohmann/json.hpp>
#include <ostream>

namespace vexo {
namespace {

// Insertion order: the fields read in the order of the text output.
using Json = nlohmann::ordered_json;

void Write(std::ostream& out, const Json& document) {
  // Names from a card are valid UTF-8; a PC path need not be, and must not stop the output.
  out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

Json TextOrNull(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

Json EntryObject(int slot, const SlotHeader& h) {
  return {
      {"slot", slot},
      {"category", h.category()},
      {"name", h.filename()},
      {"date", h.date()},
      {"time", h.time()},
      {"modified", TextOrNull(IsoTimestamp(h.date(), h.time()))},
      {"desc1", h.desc1()},
      {"desc2", h.desc2()},
      {"desc3", h.desc3()},
      {"desc4", h.desc4()},
      {"program_length", h.proglen()},
      {"sm_file", h.smfile()},
      {"sm_date", h.smdate()},
      {"sm_time", h.smtime()},
      {"sm_modified", TextOrNull(IsoTimestamp(h.smdate(), h.smtime()))},
      {"sm_length", h.smlen()},
      {"gci_file", h.gcifile()},
      {"gci_date", h.gcidate()},
      {"gci_time", h.gcitime()},
      {"gci_modified", TextOrNull(IsoTimestamp(h.gcidate(), h.gcitime()))},
      {"gci_length", h.gcilen()},
  };
}

// The four links of a header and the grid's columns that check them (Next ok to Last ok).
struct LinkColumn {
  const char* field;
  std::uint16_t (SlotHeader::*value)() const;
  std::size_t checkColumn;
};
constexpr LinkColumn kLinkColumns[] = {{"next", &SlotHeader::next, 7},
                                       {"previous", &SlotHeader::previous, 8},
                                       {"first", &SlotHeader::first, 9},
                                       {"last", &SlotHeader::last, 10}};

// A link with its check. The grid's cell says "ok", "Warning 0", the value that belongs there
// (an error), or nothing where no rule looks at the link.
void AddLink(Json& row, const std::string& field, int actual, const std::string& cell) {
  Json check = nullptr;
  Json expected = nullptr;
  if (cell == "ok") {
    check = "ok";
    expected = actual;
  } else if (cell.rfind("Warning ", 0) == 0) {
    check = "warning";
    expected = std::stoi(cell.substr(8));
  } else if (!cell.empty()) {
    check = "error";
    expected = std::stoi(cell);
  }
  row[field] = actual;
  row[field + "_check"] = check;
  row[field + "_expected"] = expected;
}

// The digit groups of a text, in order: "2026/12/10" gives 2026, 12, 10.
std::vector<std::string> DigitGroups(const std::string& text) {
  std::vector<std::string> groups;
  bool inGroup = false;
  for (const char c : text) {
    const bool digit = std::isdigit(static_cast<unsigned char>(c)) != 0;
    if (digit && !inGroup) groups.emplace_back();
    if (digit) groups.back() += c;
    inGroup = digit;
  }
  return groups;
}

}  // namespace

std::string IsoTimestamp(const std::string& date, const std::string& time) {
  const auto fits = [](const std::vector<std::string>& groups, std::size_t firstWidth) {
    return groups.size() == 3 && groups[0].size() == firstWidth && groups[1].size() == 2 &&
           groups[2].size() == 2;
  };
  const std::vector<std::string> d = DigitGroups(date);
  const std::vector<std::string> t = DigitGroups(time);
  if (!fits(d, 4) || !fits(t, 2)) return "";
  return d[0] + "-" + d[1] + "-" + d[2] + "T" + t[0] + ":" + t[1] + ":" + t[2];
}

void WriteEntriesJson(std::ostream& out, const std::string& card, const std::string& category,
                      int chainErrors, const Directory& dir, const std::vector<EntryRow>& rows) {
  Json entries = Json::array();
  for (const EntryRow& row : rows) entries.push_back(EntryObject(row.slot, dir.header(row.slot)));
  Write(out, {{"card", card},
              {"category", category},
              {"chain_errors", chainErrors},
              {"entries", entries}});
}

void WriteCategoriesJson(std::ostream& out, const std::string& card, const Directory& dir,
                         const std::vector<std::string>& categories) {
  Json list = Json::array();
  for (const std::string& name : categories) {
    int entries = 0;
    for (int slot = 1; slot <= kSlotCount; ++slot)
      if (IsUsed(dir.header(slot)) && dir.header(slot).category() == name) ++entries;
    list.push_back({{"name", name}, {"entry_count", entries}});
  }
  Write(out, {{"card", card}, {"categories", list}});
}

void WriteEntryJson(std::ostream& out, const std::string& card, const Directory& dir, int slot) {
  Write(out, {{"card", card}, {"entry", EntryObject(slot, dir.header(slot))}});
}

void WriteDiagnosticsJson(std::ostream& out, const std::string& card, const Directory& dir,
                          const Diagnostics& diagnostics, const std::vector<ProgramFinding>& programs) {
  Json rows = Json::array();
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader& h = dir.header(slot);
    const auto& cells = diagnostics.cells[static_cast<std::size_t>(slot)];
    Json row = {{"slot", slot}, {"used", IsUsed(h)}, {"name", h.filename()},
                {"category", h.category()}};
    for (const LinkColumn& link : kLinkColumns)
      AddLink(row, link.field, (h.*link.value)(), cells[link.checkColumn]);
    rows.push_back(std::move(row));
  }
  Json findings = Json::array();
  for (const ProgramFinding& finding : programs)
    findings.push_back({{"slot", finding.slot}, {"finding", finding.text}});
  Write(out, {{"card", card},
              {"rows", rows},
              {"errors", diagnostics.errors},
              {"warnings", diagnostics.warnings},
              {"summary", diagnostics.summary},
              {"program_findings", findings},
              {"all_ok", !diagnostics.alarming && programs.empty()}});
}

void WriteRestoreListJson(std::ostream& out, const std::string& archive, const RestoreList& list) {
  Json items = Json::array();
  for (const RestoreItem& item : list.items()) {
    const auto [category, name] = RestoreList::Split(item.text);
    items.push_back(
        {{"item", item.text}, {"category", category}, {"name", name}, {"stored", item.stored}});
  }
  Json csa = nullptr;
  if (list.csa) csa = {{"item", list.csa->text}, {"bytes", list.csa->bytes}};
  Write(out, {{"archive", archive}, {"items", items}, {"csa", csa}});
}

}  // namespace vexo
