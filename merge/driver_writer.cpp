#include "merge/driver_writer.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "db/driver_fields.h"
#include "db/field_read.h"
#include "db/list_entry.h"
#include "db/schema.h"
#include "db/table_walk.h"
#include "merge/field_value.h"
#include "merge/response_row.h"
#include "merge/section_links.h"
#include "merge/write_step.h"

namespace qbm {
namespace {

// The plain members of the eleven triples whose value depends on the voice-coil wiring; their
// parallel and series members are the woofer-only number fields.
constexpr std::array<std::string_view, 11> WiringPlainFields = {
    fields::Xlin, fields::Qes, fields::Re,  fields::Le,   fields::Z,   fields::BL,
    fields::Pe,   fields::Qts, fields::Eff, fields::SPL1, fields::SPL2};

bool isWiringDependent(const DriverField<double>& f) {
  return f.use == FieldUse::Woofers ||
         std::find(WiringPlainFields.begin(), WiringPlainFields.end(), f.field) !=
             WiringPlainFields.end();
}

// The row being written and what is reported about it.
class RowWriter {
 public:
  RowWriter(jet::Table& table, DriverTable kind, WriteProblems& problems, std::string label)
      : table_(table), kind_(kind), problems_(problems), label_(std::move(label)) {}

  const std::string& label() const { return label_; }

  void put(std::string_view field, const jet::Value& value) {
    WriteStep(problems_, label_, FieldNotWritten("", field), [&] { table_.set(field, value); });
  }

  void putDate(const std::string& text, const UserLocale& locale) {
    const int column = table_.columnIndex(fields::Date);
    const jet::ColumnType type =
        column < 0 ? jet::ColumnType::Text : table_.columns()[static_cast<std::size_t>(column)].type;
    const jet::Value value = dateFieldValue(text, type, locale);
    if (!text.empty() && value.isNull()) {
      problems_.add(label_, "\"Date\" not written: \"" + text + "\" names no day");
      return;
    }
    put(fields::Date, value);
  }

  void putFields(const WorkingDriver& d, const DriverPlacement& where, const SectionLinks& links,
                 const UserLocale& locale) {
    const bool woofer = kind_ == DriverTable::Woofers;
    put(fields::UserEntry, YesNoTrue);
    put(fields::Model, d.CurrentModel);  // as listed, "" included: a Null model is never listed
    put(fields::CompanyID, where.companyId);
    put(fields::Available, d.Available);
    putDate(d.Date, locale);
    put(fields::Type, d.Type);
    putLinks(d.Type, links);
    for (const auto& f : DriverTextFields)
      if (usedIn(f.use, kind_)) put(f.field, TextFieldValue(d.*f.member));
    for (const auto& f : DriverCodeFields)
      if (f.field != fields::Available && f.field != fields::Type) put(f.field, d.*f.member);
    for (const auto& f : DriverYesNoFields)
      if (usedIn(f.use, kind_) && f.field != fields::Acoustic) put(f.field, d.*f.member);

    // A dual-coil woofer replacing a row keeps the stored value of every wiring-dependent
    // parameter it does not give, so that its other wiring's row can fill them.
    const bool keepUngiven = woofer && d.Dual != YesNoFalse && where.replaces.has_value();
    for (const auto& f : DriverNumberFields) {
      if (!usedIn(f.use, kind_)) continue;
      if (keepUngiven && isWiringDependent(f) && !(d.*f.member > 0)) continue;
      put(f.field, d.*f.member);
    }
    for (std::size_t i = 0; i < fields::Dimen.size(); ++i) put(fields::Dimen[i], d.Dimen[i]);
    put(fields::Acoustic, d.Acoustic);
    for (std::size_t k = 0; k < fields::Dist.size(); ++k) {
      put(fields::Dist[k], d.Dist[k]);
      put(fields::PartNo[k], TextFieldValue(d.PartNo[k]));
    }
  }

 private:
  void putLinks(std::int16_t type, const SectionLinks& links) {
    const std::string_view partner =
        kind_ == DriverTable::Woofers ? fields::TweeterID : fields::WooferID;
    if (type == 0) {
      put(partner, jet::Value{});
      put(fields::MidID, jet::Value{});
    } else if (type == 1 || type == 2) {
      put(partner, LinkFieldValue(links.partner));
      put(fields::MidID, jet::Value{});
    } else if (type == 3) {
      put(partner, LinkFieldValue(links.partner));
      put(fields::MidID, LinkFieldValue(links.mid));
    }
  }

  jet::Table& table_;
  DriverTable kind_;
  WriteProblems& problems_;
  std::string label_;
};

// The section links of the driver, each lookup a step of its own.
SectionLinks findLinks(const WorkingDriver& d, DriverTable kind, NewDatabaseWriter& writer,
                       const std::string& label) {
  return FindSectionLinks(kind, d.Type, SplitSectionName(d.CurrentModel),
                          [&](DriverTable table, const std::string& key) {
                            std::int32_t id = 0;
                            WriteStep(writer.problems(), label,
                                      [&] { return "section \"" + key + "\" not looked up"; },
                                      [&] { id = writer.lookups().sectionRowId(table, key); });
                            return id;
                          });
}

// Positions the table for the write: a new row, or the replaced row made editable.
bool positionRow(jet::Table& table, const std::optional<MergeRow>& replaces,
                 WriteProblems& problems, const std::string& label) {
  SelectIndex(table, "");  // rows are reached by bookmark; no index to keep in step
  if (!replaces) {
    table.addNew();
    return true;
  }
  const MergeRow& row = *replaces;
  if (!row.bookmark) {
    problems.add(label, "the row to replace is not known; nothing written");
    return false;
  }
  return WriteStep(problems, label,
                   [&] { return "the row to replace (ID " + std::to_string(row.id) + ") not edited"; },
                   [&] {
                     table.setBookmark(*row.bookmark);
                     table.edit();
                   });
}

}  // namespace

std::string MergeDriverLabel(const WorkingDriver& driver, DriverTable table) {
  return ListEntryText(driver.company.Company, driver.CurrentModel, table);
}

std::optional<MergeRow> WriteDriver(DriverTable kind, WorkingDriver& driver,
                                    const DriverPlacement& where, NewDatabaseWriter& writer,
                                    const UserLocale& locale) {
  jet::Table& table = NewDriverTable(writer.db(), kind);
  const std::string label = MergeDriverLabel(driver, kind);

  // 1. The section links, looked up before the cursor is positioned.
  const SectionLinks links = findLinks(driver, kind, writer, label);
  if (!positionRow(table, where.replaces, writer.problems(), label)) return std::nullopt;

  // 2. "Acoustic" follows the levels; what the record had as loaded decides a response deletion.
  const std::int16_t loadedAcoustic = driver.Acoustic;
  const bool anyLevel = std::any_of(driver.Response.begin(), driver.Response.end(),
                                    [](float level) { return level != 0.0f; });
  driver.Acoustic = anyLevel ? YesNoTrue : YesNoFalse;

  // 3. Every field, then the save; a new row takes the ID and bookmark the save gave it.
  RowWriter rowWriter(table, kind, writer.problems(), label);
  rowWriter.putFields(driver, where, links, locale);
  const std::optional<MergeRow> saved = writer.saveDriverRow(kind, label);
  // no ID for a new row that was not saved: the response step would touch another driver's row
  if (!where.replaces && !saved) return std::nullopt;
  const MergeRow row = where.replaces ? *where.replaces : *saved;
  const std::optional<MergeRow> written = saved ? std::optional<MergeRow>(row) : std::nullopt;

  // 4. The response row, written, or deleted when the driver no longer has one.
  if (driver.Acoustic != YesNoFalse)
    WriteResponseRow(writer, kind, row.id, driver.Response, label);
  else if (loadedAcoustic != YesNoFalse)
    DeleteResponseRow(writer, kind, row.id, label);
  return written;
}

}  // namespace qbm
