#include "transfer/LargeBuffer.h"

#include <gtest/gtest.h>
#include <lzma.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace vexo {
namespace {

TEST(LargeBuffer, HoldsWhatItWasAskedForAndMovesWhole) {
  for (std::size_t bytes : {std::size_t{2}, std::size_t{(2 << 20) - 1}, std::size_t{(2 << 20) + 1},
                            std::size_t{5 << 20}}) {
    LargeBuffer buffer(bytes);
    ASSERT_NE(buffer.data(), nullptr);
    ASSERT_EQ(buffer.size(), bytes);
    buffer.data()[0] = 0x11;
    buffer.data()[bytes - 1] = 0x22;
    LargeBuffer moved(std::move(buffer));
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.size(), 0u);
    LargeBuffer assigned(64);
    assigned = std::move(moved);
    ASSERT_EQ(assigned.size(), bytes);
    EXPECT_EQ(assigned.data()[0], 0x11);
    EXPECT_EQ(assigned.data()[bytes - 1], 0x22);
  }
}

// liblzma's coders work in it, large dictionaries and small states alike; sizes that overflow
// are refused, not wrapped.
TEST(LargeBuffer, ServesLiblzma) {
  std::vector<std::uint8_t> data(3 << 20);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 / 1000);
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  options.dict_size = 4 << 20;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  std::vector<std::uint8_t> packed(data.size() + (1 << 16));
  std::size_t packedSize = 0;
  ASSERT_EQ(lzma_raw_buffer_encode(filters, LargeMemoryForLzma(), data.data(), data.size(),
                                   packed.data(), &packedSize, packed.size()),
            LZMA_OK);
  std::vector<std::uint8_t> unpacked(data.size());
  std::size_t in = 0, out = 0;
  ASSERT_EQ(lzma_raw_buffer_decode(filters, LargeMemoryForLzma(), packed.data(), &in, packedSize,
                                   unpacked.data(), &out, unpacked.size()),
            LZMA_OK);
  EXPECT_EQ(unpacked, data);

  const lzma_allocator& allocator = *LargeMemoryForLzma();
  EXPECT_EQ(allocator.alloc(nullptr, SIZE_MAX / 2, 4), nullptr);
  allocator.free(nullptr, nullptr);
}

}  // namespace
}  // namespace vexo
