#pragma once
// Names of the driver database: its tables, their fields and the indexes the program seeks on, and
// the 134 frequencies of the acoustic response. The new database and the previous-format old one
// share this layout; the legacy single table is in legacy_table.h.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qbm {

namespace tables {
inline constexpr std::string_view Woofers = "woofers";
inline constexpr std::string_view Tweeters = "tweeters";
inline constexpr std::string_view Companies = "companies";
inline constexpr std::string_view WooferResponse = "woofer-response";
inline constexpr std::string_view TweeterResponse = "tweeter-response";
}  // namespace tables

// Indexes selected before a seek with "=" on one key value.
namespace indexes {
inline constexpr std::string_view ID = "ID";              // woofers, tweeters, companies
inline constexpr std::string_view Model = "Model";        // woofers, tweeters
inline constexpr std::string_view Company = "Company";    // companies
inline constexpr std::string_view DriverID = "Driver ID"; // woofer-response, tweeter-response
}  // namespace indexes

namespace fields {
// woofers and tweeters
inline constexpr std::string_view ID = "ID";
inline constexpr std::string_view UserEntry = "User Entry";
inline constexpr std::string_view Model = "Model";
inline constexpr std::string_view CompanyID = "Company ID";
inline constexpr std::string_view Available = "Available";
inline constexpr std::string_view Date = "Date";
inline constexpr std::string_view Type = "Type";
inline constexpr std::string_view TweeterID = "Tweeter ID";  // woofers only
inline constexpr std::string_view WooferID = "Woofer ID";    // tweeters only
inline constexpr std::string_view MidID = "Mid ID";
inline constexpr std::string_view SerialNo = "Serial No";
inline constexpr std::string_view Comment = "Comment";
inline constexpr std::string_view Notes = "Notes";
inline constexpr std::string_view Shape = "Shape";
inline constexpr std::string_view PistonType = "Piston Type";
inline constexpr std::string_view PistonDesc = "Piston Desc";
inline constexpr std::string_view SuspDesc = "Susp Desc";
inline constexpr std::string_view DustCapDesc = "Dust Cap Desc";  // woofers only
inline constexpr std::string_view FrameDesc = "Frame Desc";       // woofers only
inline constexpr std::string_view VCDesc = "VC Desc";
inline constexpr std::string_view TermDesc = "Term Desc";
inline constexpr std::string_view MagDesc = "Mag Desc";
inline constexpr std::string_view Underhung = "Underhung";    // woofers only
inline constexpr std::string_view Ferrofluid = "Ferrofluid";  // tweeters only
inline constexpr std::string_view SquareMag = "Square Mag";
inline constexpr std::string_view Shield = "Shield";
inline constexpr std::string_view Dual = "Dual";  // woofers only
inline constexpr std::string_view Acoustic = "Acoustic";
// Parameters (double); the names ending in p and s are the parallel and series wirings of a
// dual-voice-coil woofer and exist in woofers only.
inline constexpr std::string_view Fs = "Fs";
inline constexpr std::string_view Qms = "Qms";
inline constexpr std::string_view Vas = "Vas";
inline constexpr std::string_view Cms = "Cms";
inline constexpr std::string_view Mms = "Mms";
inline constexpr std::string_view Rms = "Rms";
inline constexpr std::string_view Xlin = "Xlin";
inline constexpr std::string_view Xlinp = "Xlinp";
inline constexpr std::string_view Xlins = "Xlins";
inline constexpr std::string_view Xmech = "Xmech";
inline constexpr std::string_view PDia = "P-Dia";
inline constexpr std::string_view Sd = "Sd";
inline constexpr std::string_view PVd = "P-Vd";
inline constexpr std::string_view Qes = "Qes";
inline constexpr std::string_view Qesp = "Qesp";
inline constexpr std::string_view Qess = "Qess";
inline constexpr std::string_view Re = "Re";
inline constexpr std::string_view Rep = "Rep";
inline constexpr std::string_view Res = "Res";
inline constexpr std::string_view Le = "Le";
inline constexpr std::string_view Lep = "Lep";
inline constexpr std::string_view Les = "Les";
inline constexpr std::string_view Z = "Z";
inline constexpr std::string_view Zp = "Zp";
inline constexpr std::string_view Zs = "Zs";
inline constexpr std::string_view BL = "BL";
inline constexpr std::string_view BLp = "BLp";
inline constexpr std::string_view BLs = "BLs";
inline constexpr std::string_view Pe = "Pe";
inline constexpr std::string_view Pep = "Pep";
inline constexpr std::string_view Pes = "Pes";
inline constexpr std::string_view Qts = "Qts";
inline constexpr std::string_view Qtsp = "Qtsp";
inline constexpr std::string_view Qtss = "Qtss";
inline constexpr std::string_view Eff = "Eff";
inline constexpr std::string_view Effp = "Effp";
inline constexpr std::string_view Effs = "Effs";
inline constexpr std::string_view SPL1 = "SPL1";
inline constexpr std::string_view SPL1p = "SPL1p";
inline constexpr std::string_view SPL1s = "SPL1s";
inline constexpr std::string_view SPL2 = "SPL2";
inline constexpr std::string_view SPL2p = "SPL2p";
inline constexpr std::string_view SPL2s = "SPL2s";
inline constexpr std::string_view MVd = "M-Vd";

// The eleven lettered outline dimensions, in the order of WorkingDriver::Dimen.
inline constexpr std::array<std::string_view, 11> Dimen = {
    "Dimen A1", "Dimen A2", "Dimen B1", "Dimen B2", "Dimen C1", "Dimen C2",
    "Dimen D",  "Dimen E",  "Dimen F",  "Dimen G",  "Dimen H"};
inline constexpr std::array<std::string_view, 7> Dist = {"Dist1", "Dist2", "Dist3", "Dist4",
                                                         "Dist5", "Dist6", "Dist7"};
inline constexpr std::array<std::string_view, 7> PartNo = {"PartNo1", "PartNo2", "PartNo3", "PartNo4",
                                                           "PartNo5", "PartNo6", "PartNo7"};

// companies (besides ID, User Entry, Type and Notes above)
inline constexpr std::string_view Company = "Company";
inline constexpr std::string_view Department = "Department";
inline constexpr std::string_view Address1 = "Address1";
inline constexpr std::string_view Address2 = "Address2";
inline constexpr std::string_view City = "City";
inline constexpr std::string_view Region = "Region";
inline constexpr std::string_view Code = "Code";
inline constexpr std::string_view Country = "Country";
inline constexpr std::string_view Tel1 = "Tel1";
inline constexpr std::string_view Tel2 = "Tel2";
inline constexpr std::string_view Fax = "Fax";
inline constexpr std::string_view Email = "Email";
inline constexpr std::string_view Web = "Web";
inline constexpr std::array<std::string_view, 7> CompanyLink = {
    "CompanyLink1", "CompanyLink2", "CompanyLink3", "CompanyLink4",
    "CompanyLink5", "CompanyLink6", "CompanyLink7"};

// woofer-response and tweeter-response (besides User Entry); the levels are ResponseField(i).
inline constexpr std::string_view DriverID = "Driver ID";
}  // namespace fields

// Frequencies of the response levels in hertz; level i is stored in the field "A " + frequency.
// There is no 7 Hz or 9 Hz level.
inline constexpr int ResponseCount = 134;
inline constexpr std::array<std::int16_t, ResponseCount> ResponseFrequencies = {
    5,    6,    8,    10,   11,   12,   13,   14,   15,   16,   17,   18,   19,   20,
    21,   22,   24,   25,   27,   28,   30,   32,   34,   36,   38,   40,   42,   45,
    47,   50,   53,   56,   60,   63,   67,   70,   75,   80,   85,   90,   95,   100,
    105,  110,  120,  125,  135,  140,  150,  160,  170,  180,  190,  200,  210,  225,
    235,  250,  265,  280,  300,  315,  335,  355,  375,  400,  420,  445,  475,  500,
    530,  560,  600,  630,  670,  700,  750,  800,  850,  900,  950,  1000, 1050, 1100,
    1200, 1250, 1350, 1400, 1500, 1600, 1700, 1800, 1900, 2000, 2100, 2250, 2350, 2500,
    2650, 2800, 3000, 3150, 3350, 3550, 3750, 4000, 4200, 4450, 4750, 5000, 5300, 5600,
    6000, 6300, 6700, 7000, 7500, 8000, 8500, 9000, 9500, 10000, 10500, 11000, 12000, 12500,
    13500, 14000, 15000, 16000, 17000, 18000, 19000, 20000};

// The field of response level i ("A 5" for i = 0 … "A 20000" for i = 133).
// REQUIRES: 0 <= i < ResponseCount.
const std::string& ResponseField(int i);

}  // namespace qbm
