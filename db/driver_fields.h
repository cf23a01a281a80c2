#pragma once
// Which field of a woofers, tweeters or companies row fills which WorkingDriver member, grouped by
// the reading rule of the member's kind (field_read.h). Shared by every routine that copies a row
// into the record or the record into a row, so that none of them can miss or misname a field.
// Handled one by one instead: "Model" (with CurrentModel), "Company ID", "Date", and the arrays
// Dimen, Dist, PartNo, CompanyLink (fields::Dimen ...) and Response (ResponseField).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "db/code_tables.h"
#include "db/schema.h"
#include "db/working_driver.h"

namespace qbm {

// The driver tables that hold a field.
enum class FieldUse : std::uint8_t { Woofers = 1, Tweeters = 2, Both = 3 };

constexpr bool usedIn(FieldUse use, DriverTable table) {
  return (static_cast<std::uint8_t>(use) &
          (table == DriverTable::Woofers ? std::uint8_t{1} : std::uint8_t{2})) != 0;
}

template <class Owner, class Member>
struct FieldMember {
  std::string_view field;
  Member Owner::*member;
  FieldUse use = FieldUse::Both;
};

template <class Member>
using DriverField = FieldMember<WorkingDriver, Member>;

// Text rule.
inline constexpr std::array<DriverField<std::string>, 10> DriverTextFields = {{
    {fields::SerialNo, &WorkingDriver::SerialNo},
    {fields::Comment, &WorkingDriver::Comment},
    {fields::Notes, &WorkingDriver::Notes},
    {fields::PistonDesc, &WorkingDriver::PistonDesc},
    {fields::SuspDesc, &WorkingDriver::SuspDesc},
    {fields::DustCapDesc, &WorkingDriver::DustCapDesc, FieldUse::Woofers},
    {fields::FrameDesc, &WorkingDriver::FrameDesc, FieldUse::Woofers},
    {fields::VCDesc, &WorkingDriver::VCDesc},
    {fields::TermDesc, &WorkingDriver::TermDesc},
    {fields::MagDesc, &WorkingDriver::MagDesc},
}};

// Code rule (IntegerOrZero).
inline constexpr std::array<DriverField<std::int16_t>, 4> DriverCodeFields = {{
    {fields::Available, &WorkingDriver::Available},
    {fields::Type, &WorkingDriver::Type},
    {fields::Shape, &WorkingDriver::Shape},
    {fields::PistonType, &WorkingDriver::PistonType},
}};

// Yes/no rule.
inline constexpr std::array<DriverField<std::int16_t>, 6> DriverYesNoFields = {{
    {fields::Underhung, &WorkingDriver::Underhung, FieldUse::Woofers},
    {fields::Ferrofluid, &WorkingDriver::Ferrofluid, FieldUse::Tweeters},
    {fields::SquareMag, &WorkingDriver::SquareMag},
    {fields::Shield, &WorkingDriver::Shield},
    {fields::Dual, &WorkingDriver::Dual, FieldUse::Woofers},
    {fields::Acoustic, &WorkingDriver::Acoustic},
}};

// Link rule. PartnerID is "Tweeter ID" in a woofers row and "Woofer ID" in a tweeters row.
inline constexpr std::array<DriverField<std::int32_t>, 3> DriverLinkFields = {{
    {fields::TweeterID, &WorkingDriver::PartnerID, FieldUse::Woofers},
    {fields::WooferID, &WorkingDriver::PartnerID, FieldUse::Tweeters},
    {fields::MidID, &WorkingDriver::MidID},
}};

// Number rule (NumberOrZero); the wiring variants (p, s) are woofer fields.
inline constexpr std::array<DriverField<double>, 44> DriverNumberFields = {{
    {fields::Fs, &WorkingDriver::Fs},
    {fields::Qms, &WorkingDriver::Qms},
    {fields::Vas, &WorkingDriver::Vas},
    {fields::Cms, &WorkingDriver::Cms},
    {fields::Mms, &WorkingDriver::Mms},
    {fields::Rms, &WorkingDriver::Rms},
    {fields::Xlin, &WorkingDriver::Xlin},
    {fields::Xlinp, &WorkingDriver::Xlinp, FieldUse::Woofers},
    {fields::Xlins, &WorkingDriver::Xlins, FieldUse::Woofers},
    {fields::Xmech, &WorkingDriver::Xmech},
    {fields::PDia, &WorkingDriver::PDia},
    {fields::Sd, &WorkingDriver::Sd},
    {fields::PVd, &WorkingDriver::PVd},
    {fields::Qes, &WorkingDriver::Qes},
    {fields::Qesp, &WorkingDriver::Qesp, FieldUse::Woofers},
    {fields::Qess, &WorkingDriver::Qess, FieldUse::Woofers},
    {fields::Re, &WorkingDriver::Re},
    {fields::Rep, &WorkingDriver::Rep, FieldUse::Woofers},
    {fields::Res, &WorkingDriver::Res, FieldUse::Woofers},
    {fields::Le, &WorkingDriver::Le},
    {fields::Lep, &WorkingDriver::Lep, FieldUse::Woofers},
    {fields::Les, &WorkingDriver::Les, FieldUse::Woofers},
    {fields::Z, &WorkingDriver::Z},
    {fields::Zp, &WorkingDriver::Zp, FieldUse::Woofers},
    {fields::Zs, &WorkingDriver::Zs, FieldUse::Woofers},
    {fields::BL, &WorkingDriver::BL},
    {fields::BLp, &WorkingDriver::BLp, FieldUse::Woofers},
    {fields::BLs, &WorkingDriver::BLs, FieldUse::Woofers},
    {fields::Pe, &WorkingDriver::Pe},
    {fields::Pep, &WorkingDriver::Pep, FieldUse::Woofers},
    {fields::Pes, &WorkingDriver::Pes, FieldUse::Woofers},
    {fields::Qts, &WorkingDriver::Qts},
    {fields::Qtsp, &WorkingDriver::Qtsp, FieldUse::Woofers},
    {fields::Qtss, &WorkingDriver::Qtss, FieldUse::Woofers},
    {fields::Eff, &WorkingDriver::Eff},
    {fields::Effp, &WorkingDriver::Effp, FieldUse::Woofers},
    {fields::Effs, &WorkingDriver::Effs, FieldUse::Woofers},
    {fields::SPL1, &WorkingDriver::SPL1},
    {fields::SPL1p, &WorkingDriver::SPL1p, FieldUse::Woofers},
    {fields::SPL1s, &WorkingDriver::SPL1s, FieldUse::Woofers},
    {fields::SPL2, &WorkingDriver::SPL2},
    {fields::SPL2p, &WorkingDriver::SPL2p, FieldUse::Woofers},
    {fields::SPL2s, &WorkingDriver::SPL2s, FieldUse::Woofers},
    {fields::MVd, &WorkingDriver::MVd},
}};

// Text fields of a companies row (the Type code and the CompanyLink array are handled apart).
inline constexpr std::array<FieldMember<DriverCompany, std::string>, 14> CompanyTextFields = {{
    {fields::Company, &DriverCompany::Company},
    {fields::Department, &DriverCompany::Department},
    {fields::Address1, &DriverCompany::Address1},
    {fields::Address2, &DriverCompany::Address2},
    {fields::City, &DriverCompany::City},
    {fields::Region, &DriverCompany::Region},
    {fields::Code, &DriverCompany::Code},
    {fields::Country, &DriverCompany::Country},
    {fields::Tel1, &DriverCompany::Tel1},
    {fields::Tel2, &DriverCompany::Tel2},
    {fields::Fax, &DriverCompany::Fax},
    {fields::Email, &DriverCompany::Email},
    {fields::Web, &DriverCompany::Web},
    {fields::Notes, &DriverCompany::Notes},
}};

}  // namespace qbm
