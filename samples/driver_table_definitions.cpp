#include "samples/driver_table_definitions.h"

#include <string>
#include <string_view>

#include "db/legacy_table.h"
#include "db/schema.h"

namespace qbm::samples {

namespace {

using T = jet::ColumnType;

// Columns added in order; each helper names the column's type.
class Columns {
 public:
  explicit Columns(jet::TableDefinition& table) : table_(table) {}
  Columns& key(std::string_view name) {
    add(name, T::Long).autonumber = true;
    return *this;
  }
  Columns& text(std::string_view name, int size = 255) {
    add(name, T::Text).size = size;
    return *this;
  }
  Columns& memo(std::string_view name) { return plain(name, T::Memo); }
  Columns& code(std::string_view name) { return plain(name, T::Integer); }
  Columns& link(std::string_view name) { return plain(name, T::Long); }
  Columns& yesNo(std::string_view name) { return plain(name, T::Boolean); }
  Columns& number(std::string_view name) { return plain(name, T::Double); }
  Columns& level(std::string_view name) { return plain(name, T::Single); }
  Columns& date(std::string_view name) { return plain(name, T::DateTime); }

 private:
  Columns& plain(std::string_view name, T type) {
    add(name, type);
    return *this;
  }
  jet::ColumnDefinition& add(std::string_view name, T type) {
    jet::ColumnDefinition c;
    c.name = std::string(name);
    c.type = type;
    table_.columns.push_back(c);
    return table_.columns.back();
  }
  jet::TableDefinition& table_;
};

jet::IndexDefinition primaryKey(std::string_view name, std::string_view column) {
  return {.name = std::string(name), .columns = {{std::string(column)}}, .primary = true, .unique = true};
}

jet::IndexDefinition plainIndex(std::string_view name, std::string_view column, bool unique = false) {
  return {.name = std::string(name), .columns = {{std::string(column)}}, .unique = unique};
}

// The columns both driver tables share, up to "Type" (after which the tables differ).
void addDriverHead(Columns& c) {
  c.key(fields::ID).yesNo(fields::UserEntry).text(fields::Model, 50).link(fields::CompanyID)
      .code(fields::Available).date(fields::Date).code(fields::Type);
}

void addDriverTail(Columns& c) {
  for (std::string_view d : fields::Dimen) c.number(d);
  c.number(fields::MVd).yesNo(fields::Acoustic);
  for (std::size_t k = 0; k < fields::Dist.size(); ++k) c.link(fields::Dist[k]).text(fields::PartNo[k], 50);
}

jet::TableDefinition driverTable(std::string_view name) {
  jet::TableDefinition t;
  t.name = std::string(name);
  t.indexes = {primaryKey(indexes::ID, fields::ID), plainIndex(indexes::Model, fields::Model)};
  return t;
}

jet::TableDefinition responseTable(std::string_view name) {
  jet::TableDefinition t;
  t.name = std::string(name);
  Columns c(t);
  c.link(fields::DriverID).yesNo(fields::UserEntry);
  for (int i = 0; i < ResponseCount; ++i) c.level(ResponseField(i));
  t.indexes = {plainIndex(indexes::DriverID, fields::DriverID, true)};
  return t;
}

}  // namespace

jet::TableDefinition wooferTableDefinition() {
  jet::TableDefinition t = driverTable(tables::Woofers);
  Columns c(t);
  addDriverHead(c);
  c.link(fields::TweeterID).link(fields::MidID).text(fields::SerialNo, 50).text(fields::Comment)
      .memo(fields::Notes).code(fields::Shape).code(fields::PistonType).text(fields::PistonDesc)
      .text(fields::SuspDesc).text(fields::DustCapDesc).text(fields::FrameDesc).text(fields::VCDesc)
      .text(fields::TermDesc).text(fields::MagDesc).yesNo(fields::Underhung).yesNo(fields::SquareMag)
      .yesNo(fields::Shield).yesNo(fields::Dual);
  for (std::string_view p : {fields::Fs, fields::Qms, fields::Vas, fields::Cms, fields::Mms, fields::Rms,
                             fields::Xlin, fields::Xlinp, fields::Xlins, fields::Xmech, fields::PDia,
                             fields::Sd, fields::PVd, fields::Qes, fields::Qesp, fields::Qess, fields::Re,
                             fields::Rep, fields::Res, fields::Le, fields::Lep, fields::Les, fields::Z,
                             fields::Zp, fields::Zs, fields::BL, fields::BLp, fields::BLs, fields::Pe,
                             fields::Pep, fields::Pes, fields::Qts, fields::Qtsp, fields::Qtss, fields::Eff,
                             fields::Effp, fields::Effs, fields::SPL1, fields::SPL1p, fields::SPL1s,
                             fields::SPL2, fields::SPL2p, fields::SPL2s})
    c.number(p);
  addDriverTail(c);
  return t;
}

jet::TableDefinition tweeterTableDefinition() {
  jet::TableDefinition t = driverTable(tables::Tweeters);
  Columns c(t);
  addDriverHead(c);
  c.link(fields::WooferID).link(fields::MidID).text(fields::SerialNo, 50).text(fields::Comment)
      .memo(fields::Notes).code(fields::Shape).code(fields::PistonType).text(fields::PistonDesc)
      .text(fields::SuspDesc).text(fields::VCDesc).text(fields::TermDesc).text(fields::MagDesc)
      .yesNo(fields::Ferrofluid).yesNo(fields::SquareMag).yesNo(fields::Shield);
  for (std::string_view p : {fields::Fs, fields::Qms, fields::Vas, fields::Cms, fields::Mms, fields::Rms,
                             fields::Xlin, fields::Xmech, fields::PDia, fields::Sd, fields::PVd,
                             fields::Qes, fields::Re, fields::Le, fields::Z, fields::BL, fields::Pe,
                             fields::Qts, fields::Eff, fields::SPL1, fields::SPL2})
    c.number(p);
  addDriverTail(c);
  return t;
}

jet::TableDefinition companyTableDefinition() {
  jet::TableDefinition t;
  t.name = std::string(tables::Companies);
  Columns c(t);
  c.key(fields::ID).yesNo(fields::UserEntry).text(fields::Company).code(fields::Type);
  for (std::string_view f : {fields::Department, fields::Address1, fields::Address2, fields::City,
                             fields::Region, fields::Code, fields::Country, fields::Tel1, fields::Tel2,
                             fields::Fax, fields::Email, fields::Web})
    c.text(f);
  c.memo(fields::Notes);
  for (std::string_view l : fields::CompanyLink) c.link(l);
  t.indexes = {primaryKey(indexes::ID, fields::ID), plainIndex(indexes::Company, fields::Company)};
  return t;
}

jet::TableDefinition wooferResponseTableDefinition() { return responseTable(tables::WooferResponse); }
jet::TableDefinition tweeterResponseTableDefinition() { return responseTable(tables::TweeterResponse); }

std::vector<jet::TableDefinition> driverDatabaseTableDefinitions() {
  return {companyTableDefinition(), wooferTableDefinition(), tweeterTableDefinition(),
          wooferResponseTableDefinition(), tweeterResponseTableDefinition()};
}

jet::TableDefinition legacyTableDefinition() {
  namespace lf = legacy::fields;
  jet::TableDefinition t;
  t.name = std::string(legacy::Table);
  Columns c(t);
  c.key(lf::Index).text(lf::Model, 50).text(lf::Manufacturer, 50).text(lf::SerialNo, 50).yesNo(lf::DualVC);
  for (std::string_view p : {lf::Fs, lf::Qms, lf::Vas, lf::Cms, lf::Mms, lf::Rms, lf::Dia, lf::Sd, lf::MDia,
                             lf::Vs, lf::Xmax, lf::Qes, lf::Re, lf::Le, lf::Z, lf::BL, lf::Pe, lf::Qts, lf::No})
    c.number(p);
  c.yesNo(lf::SPL283Ref).number(lf::SPL).yesNo(lf::Acoustic);
  for (int i = 0; i < legacy::ResponseCount; ++i) c.level(ResponseField(i));
  c.memo(lf::Notes);
  t.indexes = {primaryKey(LegacyKeyIndex, lf::Index)};
  return t;
}

void createDriverTables(jet::Database& db) {
  for (const jet::TableDefinition& t : driverDatabaseTableDefinitions()) db.createTable(t);
}

void createLegacyTable(jet::Database& db) { db.createTable(legacyTableDefinition()); }

}  // namespace qbm::samples
