#pragma once
// WorkingDriver: the one in-memory copy of the driver being shown or merged, with its maker. Values
// are in the units of the current database format (metres, m², m³, kg, m/N, H, ohms, kg/s, T·m, W,
// percent, dB). Members are named after the fields they mirror, spaces and hyphens left out.
//
// There is no reset: each load overwrites the members it covers and leaves the others as they were,
// so readers use only the members of the kind of driver loaded (woofer or tweeter).

#include <array>
#include <cstdint>
#include <string>

#include "db/schema.h"

namespace qbm {

// Yes/no members hold these, as the database's yes/no fields deliver them.
inline constexpr std::int16_t YesNoTrue = -1;
inline constexpr std::int16_t YesNoFalse = 0;

// The company part: the driver's maker as read from a companies table.
struct DriverCompany {
  std::string Company;     // name
  std::int16_t Type = 0;   // kind of company; copied, never interpreted
  std::string Department, Address1, Address2, City, Region, Code, Country, Tel1, Tel2, Fax, Email,
      Web;
  std::string Notes;
  std::array<std::int32_t, 7> CompanyLink{};  // IDs of related companies; 0 = none
};

struct WorkingDriver {
  // Identity and description.
  std::string Model;         // as stored
  std::string CurrentModel;  // as listed, matched and written (a legacy wiring suffix removed)
  std::int32_t CompanyID = 0;
  std::int16_t Available = 0;
  std::string Date;  // "dd-mmm-yyyy", or empty when the stored date is Null
  std::int16_t Type = 0;
  std::int32_t PartnerID = 0;  // woofer: "Tweeter ID"; tweeter: "Woofer ID"; 0 = none
  std::int32_t MidID = 0;
  std::string SerialNo, Comment, Notes;
  std::int16_t Shape = 0;
  std::int16_t PistonType = 0;
  std::string PistonDesc, SuspDesc, DustCapDesc, FrameDesc, VCDesc, TermDesc, MagDesc;
  std::int16_t Underhung = YesNoFalse;   // woofers
  std::int16_t Ferrofluid = YesNoFalse;  // tweeters
  std::int16_t SquareMag = YesNoFalse;
  std::int16_t Shield = YesNoFalse;
  std::int16_t Dual = YesNoFalse;  // woofers
  std::int16_t Acoustic = YesNoFalse;

  // Parameters; 0 or less means "not given". The p and s members belong to a dual-voice-coil
  // woofer wired in parallel or in series; a loaded driver fills only its own wiring.
  double Fs = 0, Qms = 0, Vas = 0, Cms = 0, Mms = 0, Rms = 0;
  double Xlin = 0, Xlinp = 0, Xlins = 0, Xmech = 0;
  double PDia = 0, Sd = 0, PVd = 0;
  double Qes = 0, Qesp = 0, Qess = 0;
  double Re = 0, Rep = 0, Res = 0;
  double Le = 0, Lep = 0, Les = 0;
  double Z = 0, Zp = 0, Zs = 0;
  double BL = 0, BLp = 0, BLs = 0;
  double Pe = 0, Pep = 0, Pes = 0;
  double Qts = 0, Qtsp = 0, Qtss = 0;
  double Eff = 0, Effp = 0, Effs = 0;
  double SPL1 = 0, SPL1p = 0, SPL1s = 0;
  double SPL2 = 0, SPL2p = 0, SPL2s = 0;
  double MVd = 0;

  std::array<double, 11> Dimen{};       // "Dimen A1" … "Dimen H" (fields::Dimen)
  std::array<std::int32_t, 7> Dist{};   // distributor company IDs; 0 = none
  std::array<std::string, 7> PartNo;    // that distributor's part number
  std::array<float, ResponseCount> Response{};  // level at ResponseFrequencies[i]

  DriverCompany company;
};

}  // namespace qbm
