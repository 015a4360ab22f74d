// vexo mkimage FILE [SIZE]: a sparse, zero-filled card image.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>

#include "cli/Commands.h"
#include "disk/SectorDevice.h"

namespace vexo {
namespace {

constexpr std::uint64_t kDefaultImageBytes = 1'140'850'688;  // 1 GiB of slots + 64 MiB of CSA

// Bytes, or bytes with a binary K, M or G suffix.
std::optional<std::uint64_t> ParseSize(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 15 || text.size() - digits > 1) return std::nullopt;
  std::uint64_t value = std::stoull(text.substr(0, digits));
  if (digits < text.size()) {
    switch (text[digits]) {
      case 'K': case 'k': value <<= 10; break;
      case 'M': case 'm': value <<= 20; break;
      case 'G': case 'g': value <<= 30; break;
      default: return std::nullopt;
    }
  }
  return value;
}

}  // namespace

int MkImageCommand(const Arguments& args, CommandIo& io) {
  const std::string& path = args.positional[0];
  std::uint64_t size = kDefaultImageBytes;
  if (args.positional.size() > 1) {
    const std::optional<std::uint64_t> parsed = ParseSize(args.positional[1]);
    if (!parsed || *parsed == 0 || *parsed % kSectorSize != 0 ||
        *parsed > (std::uint64_t{1} << 50)) {
      io.prompter.message("SIZE must be a positive number of bytes, a whole number of " +
                          std::to_string(kSectorSize) + "-byte sectors (K, M or G may follow)");
      return kExitUsage;
    }
    size = *parsed;
  }

  struct stat st {};
  const bool exists = ::lstat(path.c_str(), &st) == 0;
  if (exists && !args.has("--force")) {
    io.prompter.message(path + " already exists (use --force to replace it)");
    return kExitStopped;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    io.prompter.message(path + " is not a regular file; only image files are made");
    return kExitStopped;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (exists ? O_TRUNC : O_EXCL),
                        0644);
  if (fd < 0) {
    io.prompter.message(path + ": " + SystemErrorText(errno));
    return kExitStopped;
  }
  // A file of holes: zeros that take no room until written.
  const bool sized = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  const int error = errno;
  ::close(fd);
  if (!sized) {
    ::unlink(path.c_str());
    io.prompter.message(path + ": " + SystemErrorText(error));
    return kExitStopped;
  }
  return kExitDone;
}

}  // namespace vexo
