#pragma once
// The item of any other 7z archive (those 7-Zip makes: LZMA2, LZMA, stored, solid or not),
// read with libarchive from the archive file already open.

#include <memory>
#include <vector>

#include "transfer/ArchiveFile.h"
#include "transfer/ItemStream.h"

struct archive;

namespace vexo {

struct LibarchiveSource;

class LibarchiveItemStream : public ItemStream {
 public:
  // The item named `name`, else (when no item has that name) the first one; nothing, with
  // `error`, when the file is no archive the library reads or holds no item.
  static std::unique_ptr<LibarchiveItemStream> Open(std::shared_ptr<ArchiveFile> file,
                                                    const std::string& name, std::string& error);
  ~LibarchiveItemStream() override;

  long long read(void* data, std::size_t length, std::string& error) override;
  long long skip(std::size_t length, std::string& error) override;
  std::uint64_t size() const override { return size_; }

 private:
  explicit LibarchiveItemStream(std::shared_ptr<ArchiveFile> file);
  // Positions the library at the wanted item: 1 found, 0 not there, -1 an error.
  int openAt(const std::string* name, std::string& error);

  std::unique_ptr<LibarchiveSource> source_;  // what the library's callbacks read
  ::archive* archive_ = nullptr;
  std::vector<std::uint8_t> sink_;
  std::uint64_t size_ = 0;
};

// The text of the library's last error, never empty.
std::string ArchiveErrorText(::archive* a);

}  // namespace vexo
