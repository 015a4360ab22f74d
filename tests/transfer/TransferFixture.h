#pragma once
// A card for the transfer tests, with PC files made beside it: known bytes and a known
// last-write time, read in a fixed time zone so that timestamps are predictable.

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/CardFixture.h"
#include "transfer/Target.h"
#include "transfer/Timestamp.h"
#include "transfer/TransferBuffers.h"

namespace vexo::testing {

// 2021-03-04 23:30:09 UTC, which is 2021-03-05 01:30:09 in the zone the tests run in.
inline constexpr std::time_t kFileTime = 1'614'900'609;
inline constexpr const char* kFileDate = "2021-03-05";
inline constexpr const char* kFileClock = "01.30.09";

// Bytes that differ from sector to sector and within one, so a sector out of place shows.
inline std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed = 1) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 512);
  return bytes;
}

inline std::vector<std::uint64_t> SectorRun(std::uint64_t first, std::uint64_t count) {
  std::vector<std::uint64_t> sectors;
  for (std::uint64_t i = 0; i < count; ++i) sectors.push_back(first + i);
  return sectors;
}

// Sector lists and byte blocks put one after the other.
template <typename T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class TransferFixture : public CardFixture {
 protected:
  void SetUp() override {
    CardFixture::SetUp();
    if (const char* tz = std::getenv("TZ")) savedTz_ = tz;
    ::setenv("TZ", "EET-2", 1);  // two hours east of UTC, no daylight saving
    ::tzset();
  }
  void TearDown() override {
    if (savedTz_) ::setenv("TZ", savedTz_->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
    CardFixture::TearDown();
  }

  // A PC file in the temp folder holding `bytes`, last written at `when`; returns its path.
  std::string pcFile(const std::string& name, const std::vector<std::uint8_t>& bytes,
                     std::time_t when = kFileTime) {
    const std::string path = temp.file(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0) << path;
    if (!bytes.empty()) {
      EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    ::close(fd);
    const struct timeval times[2] = {{when, 0}, {when, 0}};
    EXPECT_EQ(::utimes(path.c_str(), times), 0);
    return path;
  }
  std::string textFile(const std::string& name, const std::string& text) {
    return pcFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
  }

  std::vector<std::uint8_t> sectors(std::uint64_t first, std::size_t count) const {
    return ReadBytes(image, first * kSectorSize, count * kSectorSize);
  }
  // `bytes` as they stand in whole sectors: the rest of the last sector is 0.
  static std::vector<std::uint8_t> Padded(std::vector<std::uint8_t> bytes) {
    bytes.resize((bytes.size() + kSectorSize - 1) / kSectorSize * kSectorSize, 0);
    return bytes;
  }

  VolumeTarget target(const std::string& category = {}) const { return {disk, drive, category}; }

  TransferBuffers buffers;
  const RegionalSeparators separators{"-", "."};

 private:
  std::optional<std::string> savedTz_;
};

}  // namespace vexo::testing
