#pragma once
// How the logging library reports its own troubles and prints lines: one line with a line feed,
// written to standard output in one piece and flushed. Any thread.

#include <string_view>

namespace tallylog {

void printLine(std::string_view line);

}  // namespace tallylog
