#pragma once
// How image archives are compressed. The defaults are the ones measured best against 7-Zip
// on the benchmark's two cards (bench/ArchiveBench.cpp prints the figures for others).

#include <cstddef>
#include <cstdint>

namespace vexo {

enum class MatchFinder { HashChain4, BinaryTree4 };

struct CompressionSettings {
  // Each block is compressed on its own by one thread.
  std::size_t blockBytes = 4u << 20;
  std::uint32_t dictionaryBytes = 4u << 20;
  std::uint32_t preset = 6;
  MatchFinder matchFinder = MatchFinder::HashChain4;
  std::uint32_t niceLength = 64;
  unsigned threads = 2;
};

}  // namespace vexo
