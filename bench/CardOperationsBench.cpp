// Card operations against dd moving the same bytes on the same image (with fdatasync, as the
// operations end with one): import of a 28,160-byte program, attachment of a 2,027,519-byte
// GCI file, the copy of an entry (4096 sectors), a format.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/YesPrompter.h"
#include "bench/Timing.h"
#include "disk/DiskAccess.h"
#include "transfer/Attach.h"
#include "transfer/EntryCopy.h"
#include "transfer/ProgramImport.h"
#include "volume/Format.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 15;

void MakeFile(const std::string& path, std::size_t bytes) {
  std::ofstream out(path, std::ios::binary);
  for (std::size_t i = 0; i < bytes; ++i) out.put(static_cast<char>((i * 131 + i / 7) & 0xFF));
}

double Dd(const std::string& arguments) {
  const std::string command = "dd status=none conv=notrunc,fdatasync " + arguments;
  return bench::MedianSeconds(kRuns, [&] {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "dd failed: %s\n", command.c_str());
  });
}

// dd's own start: a run that moves nothing.
double DdStart(const std::string& image) { return Dd("if=/dev/zero bs=512 count=0 of=" + image); }

// The same scattered work without anything around it: 512 header-sized pwrites, one fdatasync.
double PlainHeaderWrites(const std::string& image) {
  std::vector<std::uint8_t> header(512, 0);
  return bench::MedianSeconds(kRuns, [&] {
    const int fd = ::open(image.c_str(), O_RDWR | O_CLOEXEC);
    for (int slot = 1; slot <= kSlotCount; ++slot)
      if (::pwrite(fd, header.data(), 512, static_cast<off_t>(SlotFirstSector(slot) * 512)) != 512)
        std::fprintf(stderr, "pwrite failed\n");
    ::fdatasync(fd);
    ::close(fd);
  });
}

void Report(const char* what, double ours, double dd, double start) {
  std::printf("%-32s %7.2f ms   dd %7.2f ms (%.2f ms without its start)   ratio %.2fx / %.2fx"
              " (aim: within 2x)\n",
              what, ours * 1e3, dd * 1e3, (dd - start) * 1e3, ours / dd, ours / (dd - start));
}

}  // namespace

int main() {
  const fs::path folder = fs::temp_directory_path() / ("vexo-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string image = (folder / "card.img").string();
  const std::string program = (folder / "game.vxe").string();
  const std::string gci = (folder / "art.gci").string();
  {
    const int fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, 1'140'850'688) != 0) return 1;
    ::close(fd);
  }
  MakeFile(program, kMaxProgramBytes);
  MakeFile(gci, kGciCapacity - 1);

  testing::YesPrompter ui;
  UnmountReleaser releaser;
  DiskTable table;
  const int disk = table.Attach(image);
  DiskAccess access(table, ui, releaser);
  Directory dir(access);
  TransferBuffers buffers;
  const VolumeTarget target{disk, "E:", ""};
  const RegionalSeparators separators;

  const auto operation = [&](auto&& body) {
    return bench::MedianSeconds(kRuns, [&] {
      OperationScope scope(access);
      body();
      scope.finish();
    });
  };

  const double format = operation([&] { FormatDrive(dir, disk, "E:", FormatCompletion::Silent); });
  dir.LoadDirectory(disk, "E:", DirectoryLoad::Keep);
  const double import = operation([&] { ImportProgram(dir, buffers, target, program, separators); });
  const double attach = operation([&] {
    AttachFile(dir, buffers, target, std::string("game"), gci, Attachment::Graphics, separators);
  });
  const CopySource source{disk, "", "game", 1};
  const double copy = operation([&] { CopyEntry(dir, source, target); });

  const std::string io = " of=" + image;
  const double start = DdStart(image);
  Report("format (512 headers)", format,
         Dd("if=/dev/zero bs=512 count=512" + io), start);
  Report("import of 28,160 bytes", import,
         Dd("if=" + program + " bs=28160 seek=1" + io), start);
  Report("attach of 2,027,519 bytes", attach,
         Dd("if=" + gci + " bs=1M oflag=seek_bytes seek=" + std::to_string(136 * 512) + io), start);
  Report("copy of an entry (4096 sectors)", copy,
         Dd("if=" + image + " bs=1M count=2 skip=0 seek=4" + io), start);
  const double plain = PlainHeaderWrites(image);
  std::printf("%-32s %7.2f ms   512 plain pwrites + fdatasync %7.2f ms   ratio %.2fx\n",
              "format, against the same writes", format * 1e3, plain * 1e3, format / plain);
  fs::remove_all(folder);
  return 0;
}
