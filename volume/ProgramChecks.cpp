#include "volume/ProgramChecks.h"

#include <algorithm>
#include <numeric>

namespace vexo {

std::uint16_t ProgramSum(const std::uint8_t* data, std::size_t bytes) {
  return static_cast<std::uint16_t>(std::accumulate(data, data + bytes, 0u));
}

std::vector<ProgramFinding> CheckPrograms(Directory& dir, int disk) {
  std::vector<ProgramFinding> findings;
  std::vector<std::uint8_t> program(kMaxProgramBytes + kSectorSize);
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const SlotHeader& h = dir.header(slot);
    if (!IsUsed(h)) continue;
    const std::string where = "Slot " + std::to_string(slot) + " (" +
                              (h.category().empty() ? "" : h.category() + "\\") + h.filename() + "): ";
    // A length beyond the program's region is itself damage; the region is what is summed then.
    const std::size_t bytes = std::min<std::size_t>(h.proglen(), kMaxProgramBytes);
    const std::size_t sectors = (bytes + kSectorSize - 1) / kSectorSize;
    if (sectors != 0 && !dir.access().ReadSectors(disk, SlotFirstSector(slot) + kProgramSector, sectors,
                                                  program.data())) {
      findings.push_back({slot, where + "the program cannot be read: " + dir.access().lastErrorText()});
      continue;
    }
    if (h.proglen() > kMaxProgramBytes) {
      findings.push_back({slot, where + "the program is longer than its region"});
    } else if (ProgramSum(program.data(), bytes) != h.progsum()) {
      findings.push_back({slot, where + "the program does not match its checksum"});
    }
  }
  return findings;
}

}  // namespace vexo
