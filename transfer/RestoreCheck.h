#pragma once
// What a restore reads of an archive before it writes anything: the stored headers that the
// list shows, then, after the dialog, the check that the rest of the archive holds what they
// say (Restore.h).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transfer/ImageArchive.h"
#include "transfer/PayloadCodec.h"
#include "transfer/Restore.h"

namespace vexo {

// An archive's payload as the codec reads it.
class ArchivePayload : public PayloadSource {
 public:
  explicit ArchivePayload(ImageArchiveReader& reader) : reader_(reader) {}
  bool read(void* data, std::size_t length) override { return reader_.read(data, length, error); }
  bool pass(std::uint64_t length) override { return reader_.skip(length, error); }
  std::uint64_t size() const override { return reader_.size(); }
  // What to show once a step has failed: the archive's own fault, else the payload's.
  std::string failure() const { return error.empty() ? kInvalidArchive : error; }

  std::string error;  // of the last step, empty when it did not fail in the archive

 protected:
  ImageArchiveReader& reader_;
};

struct ImageLayout : StoredHeaders {
  // What read them, right after them: the check goes on from there while the file is the same.
  std::unique_ptr<ImageArchiveReader> reader;
};

// The stored headers of the archive at `path`, read from the payload's start alone; nothing
// after a message when they cannot be read or do not fit the archive.
std::optional<ImageLayout> ReadLayout(Prompter& ui, const std::string& path);

// Whether the card stays whole should the archive turn out bad once writing has begun: every
// checked entry goes to a free slot (none replaces an entry, not even one restored before it),
// and no Common Storage Area in use is written over.
bool LeavesCardWhole(Directory& dir, const RestoreList& list, const ImageLayout& layout);

// The archive opened again after the dialog and checked; nothing after a message when it
// fails. The reader returned reads the payload from the file checked, right after the headers.
std::unique_ptr<ImageArchiveReader> CheckArchive(Prompter& ui, const std::string& path,
                                                 ImageLayout& layout, bool leavesCardWhole);

}  // namespace vexo
