// Backup and restore of two full cards against the 7-Zip command line, side by side in one run:
// a mixed card (512 entries whose programs, SM data and graphics run from all-zero to
// text-like to random, and a Common Storage Area of the same mix) and the same entries with a
// Common Storage Area of 32 MiB of random bytes (compressed assets). Backup against `7zz a` of
// the same payload with its defaults; restore against `7zz e -so | dd` of the same archive
// onto the same card image, in turns (the median of five). The target image is written whole
// once, as a card is: a sparse file would time the file system's block allocation instead.
// Times, archive sizes and peak memory, each measured in a child process. With --tune, the
// archive writer alone under other settings on both payloads. With --keep, the folder stays with
// each card's archive (mixed.VexoImage, random.VexoImage) and the target image, for profiling.
//
//   bench_archive [--tune] [--keep] [FOLDER]

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/YesPrompter.h"
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
constexpr std::size_t kCsaBytes = 32u << 20;

void MakeImage(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(kCardBytes)) != 0) std::exit(1);
  ::close(fd);
}

// An image with every block on the disk, as a card has.
void MakeWrittenImage(const std::string& path) {
  MakeImage(path);
  if (std::system(("dd status=none conv=notrunc,fdatasync bs=1M if=/dev/zero of=" + path +
                   " count=" + std::to_string(kCardBytes >> 20)).c_str()) != 0)
    std::exit(1);
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
  testing::YesPrompter ui;
  UnmountReleaser releaser;
  DiskTable table;
  int disk;
  DiskAccess access{table, ui, releaser};
  Directory dir{access};
  explicit Card(const std::string& image) : disk(table.Attach(image)) {}
};

void Format(const std::string& image) {
  Card card(image);
  OperationScope operation(card.access);
  if (!FormatDrive(card.dir, card.disk, "E:", FormatCompletion::Silent)) std::exit(1);
  operation.finish();
}

void FillEntries(const std::string& image, const fs::path& folder) {
  Format(image);
  Card card(image);
  OperationScope operation(card.access);
  card.dir.LoadDirectory(card.disk, "E:", DirectoryLoad::Keep);
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
  operation.finish();
}

void PutCsa(const std::string& image, const fs::path& file) {
  Card card(image);
  OperationScope operation(card.access);
  card.dir.LoadDirectory(card.disk, "E:", DirectoryLoad::Keep);
  if (!InsertIntoCsa(card.dir, {card.disk, "E:", ""}, file.string(), 0)) std::exit(1);
  operation.finish();
}

struct Run {
  double seconds = 0;
  double peakMiB = 0;
  bool ok = true;
};

// Runs `work` in a child process: its wall time and peak resident memory.
Run InChild(const std::function<bool()>& work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(work() ? 0 : 1);
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  Run run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!run.ok) std::fprintf(stderr, "a measured run failed\n");
  return run;
}

Run Shell(const std::string& command) {
  return InChild([&] { return std::system(command.c_str()) == 0; });
}

Run Median(std::vector<Run> runs) {
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
  return runs[runs.size() / 2];
}

double MiB(const fs::path& file) { return static_cast<double>(fs::file_size(file)) / (1 << 20); }

// The payload of an archive as a file, for 7-Zip and the tuning runs.
void DumpPayload(const std::string& archive, const std::string& payload) {
  std::string error;
  auto reader = ImageArchiveReader::Open(archive, error);
  if (!reader) std::exit(1);
  std::ofstream out(payload, std::ios::binary);
  std::vector<char> block(1 << 20);
  for (;;) {
    const std::uint64_t before = reader->position();
    const bool full = reader->read(block.data(), block.size(), error);
    out.write(block.data(), static_cast<std::streamsize>(reader->position() - before));
    if (!full) break;
  }
  if (!error.empty()) std::exit(1);
}

// The archive writer alone on a payload file.
Run WriteWith(const std::string& payload, const std::string& out, const CompressionSettings& s) {
  return InChild([&] {
    std::string error;
    auto writer = ImageArchiveWriter::Create(out, fs::file_size(payload), error, s);
    std::ifstream in(payload, std::ios::binary);
    std::vector<char> block(1 << 20);
    while (writer && in) {
      in.read(block.data(), static_cast<std::streamsize>(block.size()));
      const auto n = static_cast<std::size_t>(in.gcount());
      if (n > 0 && !writer->write(block.data(), n, error)) return false;
    }
    return writer && writer->commit(error);
  });
}

void Tune(const fs::path& folder, const std::string& payload, double sevenZipSeconds,
          double sevenZipMiB) {
  struct Setting {
    const char* what;
    CompressionSettings s;
  };
  const auto with = [](std::size_t block, std::uint32_t dict, std::uint32_t preset,
                       MatchFinder mf, std::uint32_t nice) {
    CompressionSettings s;
    s.blockBytes = block << 20;
    s.dictionaryBytes = dict << 20;
    s.preset = preset;
    s.matchFinder = mf;
    s.niceLength = nice;
    return s;
  };
  const MatchFinder hc4 = MatchFinder::HashChain4, bt4 = MatchFinder::BinaryTree4;
  const Setting settings[] = {
      {"default: block 4 MiB, dict 4 MiB, preset 6, hc4, nice 64", CompressionSettings{}},
      {"block 2 MiB, dict 2 MiB, preset 6, hc4, nice 64", with(2, 2, 6, hc4, 64)},
      {"block 8 MiB, dict 4 MiB, preset 6, hc4, nice 64", with(8, 4, 6, hc4, 64)},
      {"block 16 MiB, dict 8 MiB, preset 6, hc4, nice 64", with(16, 8, 6, hc4, 64)},
      {"block 4 MiB, dict 2 MiB, preset 6, hc4, nice 64", with(4, 2, 6, hc4, 64)},
      {"block 4 MiB, dict 4 MiB, preset 6, bt4, nice 64", with(4, 4, 6, bt4, 64)},
      {"block 4 MiB, dict 4 MiB, preset 3, hc4, nice 273", with(4, 4, 3, hc4, 273)},
      {"block 4 MiB, dict 4 MiB, preset 1, hc4, nice 128", with(4, 4, 1, hc4, 128)},
      {"block 4 MiB, dict 4 MiB, preset 9, bt4, nice 273", with(4, 4, 9, bt4, 273)},
  };
  const std::string out = (folder / "tuned.7z").string();
  for (const Setting& t : settings) {
    // The better of two: one run alone says little on a shared machine.
    Run run = WriteWith(payload, out, t.s);
    const Run again = WriteWith(payload, out, t.s);
    if (again.seconds < run.seconds) run = again;
    std::printf("  %-58s %6.2f s (%.2fx of 7zz), %6.2f MiB (%.4fx), peak %3.0f MiB\n", t.what,
                run.seconds, sevenZipSeconds / run.seconds, MiB(out), MiB(out) / sevenZipMiB,
                run.peakMiB);
    fs::remove(out);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  bool tune = false;
  bool keep = false;
  std::string base = fs::temp_directory_path().string();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tune") == 0) tune = true;
    else if (std::strcmp(argv[i], "--keep") == 0) keep = true;
    else base = argv[i];
  }
  const fs::path folder = fs::path(base) / ("vexo-archive-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string source = (folder / "source.img").string();
  const std::string target = (folder / "target.img").string();
  const std::string archive = (folder / "card.VexoImage").string();
  const std::string payload = (folder / "Vexo").string();
  const std::string peer = (folder / "peer.7z").string();
  MakeImage(source);
  MakeWrittenImage(target);
  FillEntries(source, folder);

  {  // freed before the children are forked: their peak memory is their own
    std::mt19937 random(11);
    std::vector<char> mixed;
    for (int k = 0; mixed.size() < kCsaBytes; ++k) {
      const std::vector<char> piece = Data(1 << 20, k, random);
      mixed.insert(mixed.end(), piece.begin(), piece.end());
    }
    Write((folder / "mixed.gci").string(), mixed);
    Write((folder / "random.gci").string(), Data(kCsaBytes, 2, random));
  }

  const std::tuple<const char*, const char*, const char*> cards[] = {
      {"mixed card (512 entries, 32 MiB CSA of zeros, text and random)", "mixed.gci", "mixed"},
      {"random CSA (512 entries, 32 MiB CSA of random bytes)", "random.gci", "random"},
  };
  for (const auto& [what, csa, name] : cards) {
    PutCsa(source, folder / csa);
    const Run backup = InChild([&] {
      Card card(source);
      OperationScope operation(card.access);
      card.dir.LoadDirectory(card.disk, "E:", DirectoryLoad::Keep);
      return WriteImageArchive(card.dir, card.disk, "E:", BackupSlots(card.dir), true, archive);
    });
    DumpPayload(archive, payload);
    const Run pack = Shell("cd " + folder.string() + " && 7zz a -bd -bso0 -bsp0 peer.7z Vexo");

    std::vector<Run> restores, extracts;
    for (int turn = 0; turn < 5; ++turn) {
      Format(target);
      restores.push_back(InChild([&] {
        Card card(target);
        OperationScope operation(card.access);
        card.dir.LoadDirectory(card.disk, "E:", DirectoryLoad::Keep);
        const bool ok = RestoreImage(card.dir, {card.disk, "E:", ""}, archive,
                                     [](RestoreList&) { return true; });
        operation.finish();
        return ok;
      }));
      extracts.push_back(Shell("7zz e -so " + archive + " 2>/dev/null | dd status=none "
                               "conv=notrunc,fdatasync bs=1M of=" + target));
    }
    const Run restore = Median(restores);
    const Run extract = Median(extracts);

    std::printf("%s: payload %.1f MiB\n", what, MiB(payload));
    std::printf("  backup  %6.2f s, %6.2f MiB, peak %3.0f MiB | 7zz a %6.2f s, %6.2f MiB, peak %3.0f MiB"
                " | speed %.2fx of 7zz, size %.4fx\n",
                backup.seconds, MiB(archive), backup.peakMiB, pack.seconds, MiB(peer), pack.peakMiB,
                pack.seconds / backup.seconds, MiB(archive) / MiB(peer));
    std::printf("  restore %6.2f s, peak %3.0f MiB | 7zz e -so | dd %6.2f s, peak %3.0f MiB"
                " | speed %.2fx of 7zz\n",
                restore.seconds, restore.peakMiB, extract.seconds, extract.peakMiB,
                extract.seconds / restore.seconds);
    if (tune) Tune(folder, payload, pack.seconds, MiB(peer));
    fs::remove(peer);
    fs::remove(payload);
    if (keep) fs::copy_file(archive, folder / (std::string(name) + ".VexoImage"));
  }
  if (keep) std::printf("kept %s\n", folder.c_str());
  else fs::remove_all(folder);
  return 0;
}
