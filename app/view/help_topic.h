#pragma once
// Help for both windows: the topic a control opens, and where the help is looked for beside the
// program (the compiled help file, and the topic pages for when it cannot be opened).

#include <string>
#include <string_view>

namespace qbm {

inline constexpr int DefaultHelpTopic = 1000;
inline constexpr std::string_view HelpFileName = "qbmerge.chm";

// The topic of a control with this help context: its own when positive, else the window's 1000.
constexpr int HelpTopicOf(int helpContext) { return helpContext > 0 ? helpContext : DefaultHelpTopic; }

// HelpFilePath: the help file in the program's folder, with one separator between them whether or
// not the folder ends in one (a drive root such as "C:\").
std::string HelpFilePath(std::string_view programFolder, char separator = '\\');

// The topic's page, help/topic<N>.html in the program's folder.
std::string HelpPagePath(std::string_view programFolder, int topic, char separator = '\\');

}  // namespace qbm
