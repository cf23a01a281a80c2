#pragma once
// The session's own messages for databases that cannot be read to the end. Each names the file and
// says what happens and what the person can do.

#include <string>
#include <string_view>

#include "db/table_walk.h"

namespace qbm {

// A scan stopped by an unreadable file: its list stays empty.
std::string ScanFailedMessage(std::string_view fileName, std::string_view detail);
// An old scan that could not read the new database it compares with: the old list stays empty.
std::string CompareFailedMessage(std::string_view newFileName, std::string_view detail);
// "3 pages and 2 rows", "1 row", ...
std::string UnreadablePartsText(const ReadProblems& unread);
// What refers back to UnreadablePartsText's parts: "it" for one page or one row alone, else "them".
const char* UnreadablePartsPronoun(const ReadProblems& unread);
// A scan that passed over rows or pages it could not read.
std::string UnreadableRowsMessage(std::string_view fileName, const ReadProblems& unread);
// A list click whose driver could not be read: its report stays empty.
std::string DriverReadFailedMessage(std::string_view fileName, std::string_view detail);

}  // namespace qbm
