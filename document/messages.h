// Texts of the document lifecycle, exactly as the user sees them.
#pragma once

#include <string_view>

namespace tarnevo::doc::messages {

inline constexpr std::string_view kFileNewFirst = "Click 'File, New' (Ctrl+N) before another calculation!";
inline constexpr std::string_view kSaveReminderQuestion = "Current data set is not saved, save it?";
inline constexpr std::string_view kReminderFileName = "File_X.txt";
inline constexpr std::string_view kUntitled = "Untitled";

}  // namespace tarnevo::doc::messages
