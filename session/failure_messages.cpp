#include "session/failure_messages.h"

namespace qbm {

std::string ScanFailedMessage(std::string_view fileName, std::string_view detail) {
  return "Sorry, the database file " + std::string(fileName) + " could not be read to the end (" +
         std::string(detail) +
         "). Its drivers are not listed; open the file again, or choose another database.";
}

std::string CompareFailedMessage(std::string_view newFileName, std::string_view detail) {
  return "Sorry, the new database " + std::string(newFileName) +
         " could not be read to compare the old drivers with it (" + std::string(detail) +
         "). The old drivers are not listed; open the new database again, or choose another one.";
}

namespace {

std::string counted(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string UnreadablePartsText(const ReadProblems& unread) {
  if (unread.pages == 0) return counted(unread.rows, "row", "rows");
  if (unread.rows == 0) return counted(unread.pages, "page", "pages");
  return counted(unread.pages, "page", "pages") + " and " + counted(unread.rows, "row", "rows");
}

const char* UnreadablePartsPronoun(const ReadProblems& unread) {
  return unread.total() == 1 ? "it" : "them";
}

std::string UnreadableRowsMessage(std::string_view fileName, const ReadProblems& unread) {
  const std::string tail = ". The file may be damaged; the other drivers are listed.";
  if (unread.pages == 0)
    return UnreadablePartsText(unread) + " in " + std::string(fileName) + " could not be read and " +
           (unread.rows == 1 ? "is" : "are") + " not listed" + tail;
  return UnreadablePartsText(unread) + " of " + std::string(fileName) +
         " could not be read; the drivers on " + UnreadablePartsPronoun(unread) + " are not listed" + tail;
}

std::string DriverReadFailedMessage(std::string_view fileName, std::string_view detail) {
  return "Sorry, the selected driver could not be read from " + std::string(fileName) + " (" +
         std::string(detail) + "). Its details are not shown.";
}

}  // namespace qbm
