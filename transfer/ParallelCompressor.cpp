#include "transfer/ParallelCompressor.h"

#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

#include "disk/SectorDevice.h"
#include "transfer/Crc32.h"
#include "transfer/Lzma2Stream.h"

namespace vexo {

ParallelCompressor::ParallelCompressor(int fd, std::uint64_t offset,
                                       const CompressionSettings& settings)
    : fd_(fd), offset_(offset), settings_(settings) {
  const unsigned threads = std::max(1u, settings_.threads);
  // One block for each thread and one being filled.
  blocks_.resize(threads + 1);
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

ParallelCompressor::~ParallelCompressor() { stop(); }

void ParallelCompressor::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : threads_)
    if (t.joinable()) t.join();
}

void ParallelCompressor::fail(const std::string& error) {
  if (error_.empty()) error_ = error;
  stop_ = true;
  changed_.notify_all();
}

bool ParallelCompressor::waitFor(const std::function<bool()>& ready, std::string& error) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!ready() && error_.empty() && !stop_) {
    changed_.wait_for(lock, std::chrono::milliseconds(20));
    if (whileWaiting_) {
      lock.unlock();
      whileWaiting_();
      lock.lock();
    }
  }
  if (!error_.empty()) error = error_;
  else if (stop_ && !ready()) error = "The archive was abandoned";
  return error.empty();
}

bool ParallelCompressor::write(const std::uint8_t* data, std::size_t size, std::string& error) {
  while (size > 0) {
    if (current_ == nullptr) {
      Block* free = nullptr;
      if (!waitFor(
              [&] {
                for (Block& b : blocks_)
                  if (b.state == State::Free) return free = &b, true;
                return false;
              },
              error))
        return false;
      if (!free->input) free->input.reset(new std::uint8_t[settings_.blockBytes]);
      free->size = 0;
      current_ = free;
    }
    const std::size_t part = std::min(size, settings_.blockBytes - current_->size);
    std::copy_n(data, part, current_->input.get() + current_->size);
    current_->size += part;
    data += part;
    size -= part;
    if (current_->size == settings_.blockBytes && !submitCurrent(error)) return false;
  }
  return true;
}

bool ParallelCompressor::submitCurrent(std::string& error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!error_.empty()) {
      error = error_;
      return false;
    }
    current_->sequence = submitted_++;
    current_->state = State::Queued;
    current_ = nullptr;
  }
  changed_.notify_all();
  return true;
}

bool ParallelCompressor::finish(std::string& error) {
  if (current_ != nullptr && current_->size > 0 && !submitCurrent(error)) return false;
  if (!waitFor([&] { return nextWrite_ == submitted_; }, error)) return false;
  const std::uint8_t end = kLzma2End;
  if (::pwrite(fd_, &end, 1, static_cast<off_t>(offset_ + packed_)) != 1) {
    error = SystemErrorText(errno);
    return false;
  }
  ++packed_;
  packedCrc_ = Crc32(&end, 1, packedCrc_);
  stop();
  return true;
}

void ParallelCompressor::work() {
  BlockCompressor compressor(settings_);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    Block* next = nullptr;
    changed_.wait(lock, [&] {
      if (stop_) return true;
      for (Block& b : blocks_)
        if (b.state == State::Queued && (next == nullptr || b.sequence < next->sequence)) next = &b;
      return next != nullptr;
    });
    if (stop_) return;
    next->state = State::Compressing;
    lock.unlock();
    std::string error;
    const bool done = compressor.compress(next->input.get(), next->size, next->output, stop_,
                                          compressed_, error);
    lock.lock();
    if (!done) {
      if (!error.empty()) fail(error);
      return;
    }
    next->state = State::Compressed;
    writeInTurn(lock);
  }
}

// Whoever finds the block whose turn it is compressed writes it, and the ones after it.
void ParallelCompressor::writeInTurn(std::unique_lock<std::mutex>& lock) {
  if (writing_) return;
  writing_ = true;
  for (;;) {
    auto turn = std::find_if(blocks_.begin(), blocks_.end(), [&](const Block& b) {
      return b.state == State::Compressed && b.sequence == nextWrite_;
    });
    if (turn == blocks_.end() || stop_) break;
    lock.unlock();
    std::string error;
    const bool written = writePieces(*turn, error);
    lock.lock();
    if (!written) {
      fail(error);
      break;
    }
    turn->state = State::Free;
    ++nextWrite_;
    changed_.notify_all();
  }
  writing_ = false;
}

bool ParallelCompressor::writePieces(const Block& block, std::string& error) {
  std::vector<iovec> parts;
  for (const CompressedBlock::Piece& p : block.output.pieces) {
    const std::uint8_t* base = p.fromInput ? block.input.get() : block.output.bytes.get();
    parts.push_back({const_cast<std::uint8_t*>(base + p.offset), p.size});
    packedCrc_ = Crc32(base + p.offset, p.size, packedCrc_);
  }
  std::size_t first = 0;
  while (first < parts.size()) {
    const int count = static_cast<int>(std::min<std::size_t>(parts.size() - first, IOV_MAX));
    const ssize_t n = ::pwritev(fd_, parts.data() + first, count,
                                static_cast<off_t>(offset_ + packed_));
    if (n < 0) {
      if (errno == EINTR) continue;
      error = SystemErrorText(errno);
      return false;
    }
    packed_ += static_cast<std::uint64_t>(n);
    // Past the parts written whole, and into the one written in part.
    std::size_t left = static_cast<std::size_t>(n);
    while (first < parts.size() && left >= parts[first].iov_len) left -= parts[first++].iov_len;
    if (left > 0) {
      parts[first].iov_base = static_cast<std::uint8_t*>(parts[first].iov_base) + left;
      parts[first].iov_len -= left;
    }
  }
  return true;
}

}  // namespace vexo
