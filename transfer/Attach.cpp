#include "transfer/Attach.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "transfer/DatList.h"
#include "transfer/FileKind.h"
#include "transfer/PcFile.h"
#include "transfer/SectorRuns.h"
#include "volume/Chain.h"

namespace vexo {
namespace {

constexpr std::uint64_t kIndexProgressSectors = 64;

std::string DatPathFor(const std::string& filePath) {
  const std::size_t slash = filePath.rfind('/');
  const std::size_t dot = filePath.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? filePath.substr(0, dot) : filePath) + ".dat";
}

// The graphics index from the ".dat" list beside the file; empty records when there is none.
std::optional<GraphicsIndex> ReadGraphicsIndex(const std::string& filePath, std::string& error) {
  const std::string datPath = DatPathFor(filePath);
  if (std::filesystem::exists(datPath) && !std::filesystem::is_regular_file(datPath)) {
    error = "Error in " + BaseName(datPath) + ", it is not a regular file";  // a FIFO would hang
    return std::nullopt;
  }
  std::ifstream in(datPath, std::ios::binary);
  if (!in) return EmptyGraphicsIndex();
  std::stringstream text;
  text << in.rdbuf();
  std::optional<GraphicsIndex> index = ParseDatList(text.str(), error);
  if (!index) error = "Error in " + BaseName(datPath) + ", " + error;
  return index;
}

}  // namespace

bool AttachFile(Directory& dir, TransferBuffers& buffers, const VolumeTarget& target,
                const std::optional<std::string>& entryCaption, const std::string& filePath,
                Attachment kind, const RegionalSeparators& separators) {
  if (!entryCaption) return false;
  Prompter& ui = dir.prompter();
  const int slot = dir.FindEntry(target.category, *entryCaption);
  if (slot == kNoSlot) {
    ui.message("Cannot find program in directory");
    return false;
  }
  const std::string fileName = BaseName(filePath);
  const PcFileRead file = ReadPcFile(filePath, buffers.vexogci());
  if (file.error != 0) {
    ui.message(SystemErrorText(file.error));
    return false;
  }
  if (kind == Attachment::SmFile && file.bytes > kMaxSmBytes) {
    ui.message("Error " + fileName + " is too large to be a SM File");
    return false;
  }
  if (file.bytes >= kGciCapacity) {
    ui.message("Error " + fileName + " is too large to be a Vexo Graphics");
    return false;
  }
  // The list is read before anything is written, so a malformed one changes nothing.
  std::optional<GraphicsIndex> index;
  if (kind == Attachment::Graphics) {
    std::string error;
    index = ReadGraphicsIndex(filePath, error);
    if (!index) {
      ui.message(error);
      return false;
    }
  }

  // The data replace the entry's earlier attachment in place: once begun, it is not stopped.
  // An attachment the header describes is detached first (its fields blank, its length 0), and
  // the new one is described only once its bytes are on the medium.
  if (ui.cancelRequested()) return false;
  DiskAccess& io = dir.access();
  SlotHeader& h = dir.header(slot);
  const bool attached = index ? h.gcilen() != 0 : h.smlen() != 0;
  if (attached) {
    if (index) {
      h.setGcifile("");
      h.setGcidate("");
      h.setGcitime("");
      h.setGcilen(0);
    } else {
      h.setSmfile("");
      h.setSmdate("");
      h.setSmtime("");
      h.setSmlen(0);
    }
    if (!WriteHeader(dir, slot, target.disk, target.drive)) {
      ui.message(kErrorWritingDirectory);
      return false;
    }
    if (!io.Flush()) return false;
  }
  const std::size_t sectors = SectorsFor(file.bytes);
  const std::uint64_t slotStart = SlotFirstSector(slot);
  ui.progressBegin("Inserting " + fileName + " into " + *entryCaption,
                   sectors + (index ? kIndexProgressSectors : 0));
  const std::uint64_t dataStart = slotStart + (index ? kGciSector : kSmSector);
  SectorRuns runs(dir, target.disk, target.drive, ProgressUnit::Sectors);
  const auto failed = [](std::uint64_t) { return std::string(kErrorWritingGraphics); };
  if (!runs.write(dataStart, file.bytes, SectorRuns::FromMemory(buffers.vexogci().data()), failed) ||
      (index && !runs.write(slotStart + kGraphicsIndexSector, kGraphicsIndexBytes,
                            SectorRuns::FromMemory(index->front().bytes.data()), failed)))
    return false;
  ui.progressEnd();
  if (!io.Flush()) return false;

  const std::string stamp = TimestampText(file.modified, separators);
  if (index) {
    h.setGcifile(WithoutExtension(fileName));
    SetTimestamp(h, kGciDate, kGciTime, stamp);
    h.setGcilen(static_cast<std::uint32_t>(file.bytes));
  } else {
    h.setSmfile(WithoutExtension(fileName));
    SetTimestamp(h, kSmDate, kSmTime, stamp);
    h.setSmlen(static_cast<std::uint16_t>(file.bytes));
  }
  if (!WriteHeader(dir, slot, target.disk, target.drive)) {
    ui.message(kErrorWritingDirectory);
    return false;
  }
  return true;
}

}  // namespace vexo
