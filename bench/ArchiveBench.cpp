// Backup and restore of a full card: 512 entries (programs, SM data, graphics from all-zero to
// incompressible) and a 64 MiB Common Storage Area. Backup against `7zz a` packing the same
// payload, restore against `7zz x` plus dd of the same bytes; archive sizes; peak memory of
// each, measured in a child process.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/Timing.h"
#include "bench/YesPrompter.h"
#include "disk/DiskAccess.h"
#include "transfer/Attach.h"
#include "transfer/Backup.h"
#include "transfer/CsaInsert.h"
#include "transfer/ImageArchive.h"
#include "transfer/ProgramImport.h"
#include "transfer/Restore.h"
#include "volume/Format.h"

using namespace vexo;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kCardBytes = 1'140'850'688;
constexpr std::size_t kCsaBytes = 64u << 20;

void MakeImage(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(kCardBytes)) != 0) std::exit(1);
  ::close(fd);
}

// Data of a chosen compressibility: zeros, text-like, or random.
std::vector<char> Data(std::size_t bytes, int kind, std::mt19937& random) {
  std::vector<char> data(bytes);
  for (std::size_t i = 0; i < bytes; ++i) {
    switch (kind % 3) {
      case 0: data[i] = 0; break;
      case 1: data[i] = "the quick brown fox jumps over a lazy dog "[(i * 7 + i / 97) % 42]; break;
      default: data[i] = static_cast<char>(random()); break;
    }
  }
  return data;
}

void Write(const std::string& path, const std::vector<char>& data) {
  std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

// One card in one process: disk table, access and directory.
struct Card {
  bench::YesPrompter ui;
  UnmountReleaser releaser;
  DiskTable table;
  int disk;
  DiskAccess access{table, ui, releaser};
  Directory dir{access};
  explicit Card(const std::string& image) : disk(table.Attach(image)) {}
};

void FillCard(const std::string& image, const fs::path& folder) {
  Card card(image);
  OperationScope operation(card.access);
  FormatDrive(card.dir, card.disk, "E:", FormatCompletion::Silent);
  card.dir.LoadDirectory(card.disk, "E:", true);
  TransferBuffers buffers;
  std::mt19937 random(7);
  const RegionalSeparators separators;
  for (int i = 0; i < kSlotCount; ++i) {
    const std::string name = "prog" + std::to_string(i);
    const VolumeTarget target{card.disk, "E:", i % 4 == 0 ? "" : "Cat" + std::to_string(i % 4)};
    Write((folder / (name + ".vxe")).string(), Data(1000 + (i * 37) % 27000, i, random));
    ImportProgram(card.dir, buffers, target, (folder / (name + ".vxe")).string(), separators);
    if (i % 2 == 0) {
      Write((folder / (name + ".pdata")).string(), Data(500 + (i * 53) % 32000, i + 1, random));
      AttachFile(card.dir, buffers, target, name, (folder / (name + ".pdata")).string(),
                 Attachment::SmFile, separators);
    }
    if (i % 3 == 0) {
      Write((folder / (name + ".gci")).string(), Data(10'000 + (i * 1237) % 400'000, i + 2, random));
      std::ofstream((folder / (name + ".dat")).string()) << "\"Sprite\" 0000 0000 16 16\n";
      AttachFile(card.dir, buffers, target, name, (folder / (name + ".gci")).string(),
                 Attachment::Graphics, separators);
    }
  }
  Write((folder / "world.gci").string(), Data(kCsaBytes, 2, random));
  InsertIntoCsa(card.dir, {card.disk, "E:", ""}, (folder / "world.gci").string(), 0);
  operation.finish();
}

// Runs `work` in a child process; its wall time and peak resident memory in MiB.
std::pair<double, double> InChild(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    work();
    ::_exit(0);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "child failed\n");
  return {seconds, static_cast<double>(usage.ru_maxrss) / 1024.0};
}

std::pair<double, double> Shell(const std::string& command) {
  return InChild([&] { ::_exit(std::system(command.c_str()) == 0 ? 0 : 1); });
}

double MiB(const fs::path& file) { return static_cast<double>(fs::file_size(file)) / (1 << 20); }

}  // namespace

int main(int argc, char** argv) {
  const fs::path folder = fs::path(argc > 1 ? argv[1] : fs::temp_directory_path().string()) /
                          ("vexo-archive-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string source = (folder / "source.img").string();
  const std::string target = (folder / "target.img").string();
  const std::string archive = (folder / "card.VexoImage").string();
  MakeImage(source);
  FillCard(source, folder);

  const auto [backupSeconds, backupMiB] = InChild([&] {
    Card card(source);
    OperationScope operation(card.access);
    card.dir.LoadDirectory(card.disk, "E:", true);
    if (!WriteImageArchive(card.dir, card.disk, "E:", BackupSlots(card.dir), true, archive))
      ::_exit(1);
  });

  // The same payload as a file, for 7-Zip.
  const std::string payload = (folder / "Vexo").string();
  {
    std::string error;
    auto reader = ImageArchiveReader::Open(archive, error);
    std::ofstream out(payload, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (;;) {
      const std::uint64_t before = reader->position();
      const bool full = reader->read(block.data(), block.size(), error);
      out.write(block.data(), static_cast<std::streamsize>(reader->position() - before));
      if (!full) break;
    }
  }
  const std::uint64_t payloadBytes = fs::file_size(payload);
  const auto [sevenZipSeconds, sevenZipMiB] =
      Shell("cd " + folder.string() + " && 7zz a -bd -bso0 -bsp0 peer.7z Vexo");

  MakeImage(target);
  {
    Card card(target);
    FormatDrive(card.dir, card.disk, "E:", FormatCompletion::Silent);
  }
  const auto [restoreSeconds, restoreMiB] = InChild([&] {
    Card card(target);
    OperationScope operation(card.access);
    card.dir.LoadDirectory(card.disk, "E:", true);
    if (!RestoreImage(card.dir, {card.disk, "E:", ""}, archive, [](RestoreList&) { return true; }))
      ::_exit(1);
    operation.finish();
  });
  fs::remove(payload);
  const auto [extractSeconds, extractMiB] =
      Shell("cd " + folder.string() + " && 7zz x -bd -bso0 -bsp0 -y peer.7z");
  const auto [ddSeconds, ddMiB] = Shell("dd status=none conv=notrunc,fdatasync bs=1M if=" + payload +
                                        " of=" + target + " seek=0");

  std::printf("payload %.1f MiB (512 entries, 64 MiB CSA)\n", static_cast<double>(payloadBytes) / (1 << 20));
  std::printf("backup  %.2f s, %.1f MiB archive, peak %.0f MiB | 7zz a %.2f s, %.1f MiB, peak %.0f MiB"
              " | speed %.2fx of 7zz\n",
              backupSeconds, MiB(archive), backupMiB, sevenZipSeconds, MiB(folder / "peer.7z"),
              sevenZipMiB, sevenZipSeconds / backupSeconds);
  std::printf("restore %.2f s, peak %.0f MiB | 7zz x %.2f s + dd %.2f s = %.2f s | ratio %.2fx\n",
              restoreSeconds, restoreMiB, extractSeconds, ddSeconds, extractSeconds + ddSeconds,
              restoreSeconds / (extractSeconds + ddSeconds));

  // The level: time, size and memory of the container alone on the same payload.
  for (int level : {1, 3, 5}) {
    const std::string out = (folder / ("level" + std::to_string(level) + ".7z")).string();
    const auto [seconds, mib] = InChild([&] {
      std::string error;
      auto writer = ImageArchiveWriter::Create(out, payloadBytes, error, level);
      std::ifstream in(payload, std::ios::binary);
      std::vector<char> block(1 << 20);
      while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        if (in.gcount() > 0 && !writer->write(block.data(), static_cast<std::size_t>(in.gcount()), error))
          ::_exit(1);
      }
      if (!writer->commit(error)) ::_exit(1);
    });
    std::printf("LZMA2 level %d: %.2f s, %.1f MiB, peak %.0f MiB\n", level, seconds, MiB(out), mib);
  }
  fs::remove_all(folder);
  return 0;
}
