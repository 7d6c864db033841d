#pragma once
// Lines of the program's own small text files (options, language texts).
// They are written with CR LF; a file edited by hand may end its lines in LF
// alone, which is read the same way. A last line without a line end counts;
// a file that ends in a line end has no empty line after it.
#include <string>
#include <vector>

namespace coretext {

// Raises run-time error 53 when the file is missing, 75 when it cannot be read.
std::vector<std::string> ReadTextLines(const std::string& path);

}  // namespace coretext
