// Loading a card's directory against the physical limit: 512 plain preads of the same sectors.

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "tests/support/YesPrompter.h"
#include "bench/Timing.h"
#include "disk/DiskAccess.h"
#include "volume/Directory.h"

using namespace vexo;

int main() {
  const std::string image =
      (std::filesystem::temp_directory_path() / ("vexo-bench-" + std::to_string(::getpid()) + ".img")).string();
  {
    const int fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(kSlotAreaSectors * kSectorSize)) != 0) return 1;
    const SlotHeader blank = BlankHeader(SlotState::Free);
    for (int slot = 1; slot <= kSlotCount; ++slot)
      if (::pwrite(fd, blank.bytes.data(), 512, static_cast<off_t>(SlotFirstSector(slot) * 512)) != 512) return 1;
    ::close(fd);
  }

  testing::YesPrompter ui;
  UnmountReleaser releaser;
  DiskTable table;
  const int disk = table.Attach(image);
  DiskAccess access(table, ui, releaser);
  Directory dir(access);

  constexpr int kRuns = 301;
  bool ok = true;
  const double load = bench::MedianSeconds(kRuns, [&] {
    OperationScope operation(access);
    ok = dir.LoadDirectory(disk, "E:", DirectoryLoad::Keep) && ok;
  });
  std::array<std::uint8_t, 512> sector{};
  const double preads = bench::MedianSeconds(kRuns, [&] {
    const int fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
    for (int slot = 1; slot <= kSlotCount; ++slot)
      ok = ::pread(fd, sector.data(), 512, static_cast<off_t>(SlotFirstSector(slot) * 512)) == 512 && ok;
    ::close(fd);
  });
  std::filesystem::remove(image);
  if (!ok) {
    std::fprintf(stderr, "load failed\n");
    return 1;
  }
  std::printf("LoadDirectory: %.1f us   512 preads: %.1f us   ratio %.2fx (aim: within 3x)\n",
              load * 1e6, preads * 1e6, load / preads);
  return 0;
}
