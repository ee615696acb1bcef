#pragma once

// Finding a program the way a shell would, without one: the board's
// compilers and simulators, the download tools.
//
//   const std::filesystem::path avrdude = FindOnPath("avrdude", getenv("PATH"));
//   if (avrdude.empty()) ...;   // not installed

#include <filesystem>
#include <string>

namespace viz {

// The full path of `program` in the ':'-separated `path` (an empty entry is
// the working folder); empty when absent.
std::filesystem::path FindOnPath(const std::string& program, const std::string& path);

}  // namespace viz
