#pragma once
// The legacy driver database (spkrbase.mdb): one table of woofers, "woofer data", in the older
// units (litres, grams, centimetres, millimetres, millihenries), read only. Its response levels are
// the first LegacyResponseCount levels of ResponseFrequencies (5 Hz … 2000 Hz), stored under the
// same field names ("A 5" … "A 2000").

#include <string_view>

namespace qbm::legacy {

inline constexpr std::string_view Table = "woofer data";
inline constexpr std::string_view OpenedFileName = "SPKRBASE.MDB";  // recognised in any letter case
inline constexpr int ResponseCount = 94;

namespace fields {
inline constexpr std::string_view Index = "Index";  // the row's key; rows with Index <= 0 are ignored
inline constexpr std::string_view Model = "Model";  // may carry a wiring suffix (" - PARALLEL" ...)
inline constexpr std::string_view Manufacturer = "Manufacturer";
inline constexpr std::string_view SerialNo = "Serial No";
inline constexpr std::string_view DualVC = "Dual VC";
inline constexpr std::string_view Fs = "Fs";    // Hz
inline constexpr std::string_view Qms = "Qms";
inline constexpr std::string_view Vas = "Vas";  // litres
inline constexpr std::string_view Cms = "Cms";  // mm/N
inline constexpr std::string_view Mms = "Mms";  // grams
inline constexpr std::string_view Rms = "Rms";  // kg/s
inline constexpr std::string_view Dia = "Dia";  // piston diameter, cm
inline constexpr std::string_view Sd = "Sd";    // cm²
inline constexpr std::string_view MDia = "M-Dia";  // mounting diameter, cm
inline constexpr std::string_view Vs = "Vs";       // volume displaced by the driver, litres
inline constexpr std::string_view Xmax = "Xmax";   // mm
inline constexpr std::string_view Qes = "Qes";
inline constexpr std::string_view Re = "Re";  // ohms
inline constexpr std::string_view Le = "Le";  // mH
inline constexpr std::string_view Z = "Z";    // ohms
inline constexpr std::string_view BL = "BL";  // T·m
inline constexpr std::string_view Pe = "Pe";  // W
inline constexpr std::string_view Qts = "Qts";
inline constexpr std::string_view No = "no";  // reference efficiency, percent
inline constexpr std::string_view SPL283Ref = "SPL 283 Ref";  // false: SPL at 1 W; true: at 2.83 V
inline constexpr std::string_view SPL = "SPL";                // dB
inline constexpr std::string_view Acoustic = "Acoustic";
inline constexpr std::string_view Notes = "Notes";
}  // namespace fields

}  // namespace qbm::legacy
