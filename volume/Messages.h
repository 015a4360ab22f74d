#pragma once
// The system's texts that more than one operation shows, each written once. The spelling is
// the system's own; texts that one operation alone shows stand where it shows them.

#include <cstdint>
#include <string>

namespace vexo {

inline constexpr const char* kErrorWritingDirectory = "Error writing Vexo Directory";
inline constexpr const char* kErrorWritingGraphics = "Error writing Vexo Graphics";
inline constexpr const char* kNoSpace =
    "No space on Vexo File system, please delete some files and try again";
inline constexpr const char* kNoVexoVolume = "Target Drive does not contain a Vexo File system";
inline constexpr const char* kInvalidArchive = "Invalid Vexo image archive";
inline constexpr const char* kSelectAVexoDisk = "please select a Vexo disk to write to";

// "Failed to Read E: Sector 4096", "Failed to Write E: Sector 4096".
inline std::string FailedToRead(const std::string& drive, std::uint64_t sector) {
  return "Failed to Read " + drive + " Sector " + std::to_string(sector);
}
inline std::string FailedToWrite(const std::string& drive, std::uint64_t sector) {
  return "Failed to Write " + drive + " Sector " + std::to_string(sector);
}

}  // namespace vexo
