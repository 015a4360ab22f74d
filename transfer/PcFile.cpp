#include "transfer/PcFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vexo {

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

PcFileRead ReadPcFile(const std::string& path, std::vector<std::uint8_t>& buffer) {
  PcFileRead result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0) result.modified = st.st_mtime;
  while (result.bytes < buffer.size()) {
    const ssize_t n = ::read(fd, buffer.data() + result.bytes, buffer.size() - result.bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.error = errno;
      break;
    }
    if (n == 0) break;
    result.bytes += static_cast<std::size_t>(n);
  }
  ::close(fd);
  const std::size_t end = std::min(buffer.size(), SectorsFor(result.bytes) * 512);
  std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(result.bytes),
            buffer.begin() + static_cast<std::ptrdiff_t>(end), 0);
  return result;
}

}  // namespace vexo
