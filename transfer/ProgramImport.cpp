#include "transfer/ProgramImport.h"

#include <algorithm>

#include "transfer/FileKind.h"
#include "transfer/PcFile.h"
#include "volume/Chain.h"

namespace vexo {
namespace {

constexpr std::size_t kRunSectors = 256;  // 128 KiB to the device at a time

std::uint16_t ByteSum(const std::uint8_t* data, std::size_t bytes) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < bytes; ++i) sum += data[i];
  return static_cast<std::uint16_t>(sum);
}

}  // namespace

bool WriteRegion(Directory& dir, int disk, const std::string& drive, std::uint64_t first,
                 const std::uint8_t* data, std::size_t sectors, std::uint64_t progressBase) {
  Prompter& ui = dir.prompter();
  for (std::size_t done = 0; done < sectors;) {
    const std::size_t run = std::min(kRunSectors, sectors - done);
    if (!dir.access().WriteSectors(disk, drive, first + done, run, data + done * kSectorSize))
      return false;
    done += run;
    ui.progressSet(progressBase + done);
    ui.pump();
  }
  return true;
}

bool ImportProgram(Directory& dir, TransferBuffers& buffers, const VolumeTarget& target,
                   const std::string& filePath, const RegionalSeparators& separators) {
  Prompter& ui = dir.prompter();
  const std::string fileName = BaseName(filePath);
  const std::string entryName = WithoutExtension(fileName);

  const PcFileRead file = ReadPcFile(filePath, buffers.vexoprog);
  if (file.error != 0) {
    ui.message(SystemErrorText(file.error));
    return false;
  }
  if (file.bytes > kMaxProgramBytes) {
    ui.message("Error " + fileName + " is too large to be a Vexo Program");
    return false;
  }

  int slot = dir.FindEntry(target.category, entryName);
  const bool replace = slot != kNoSlot;
  if (replace) {
    if (ui.ask("Replace '" + entryName + "'?", Buttons::YesNo, Answer::No) == Answer::No)
      return false;
  } else {
    slot = dir.FindFreeSlot();
    if (slot == kNoSlot) {
      ui.message("No space on Vexo File system, please delete some files and try again");
      return false;
    }
  }

  // The program goes to the card in one run: once begun, an import is not stopped.
  if (ui.cancelRequested()) return false;
  const SlotHeader& old = dir.header(slot);
  SlotHeader h = BlankHeader();
  h.setCategory(target.category);
  h.setFilename(entryName);
  SetTimestamp(h, kDate, kTime, TimestampText(file.modified, separators));
  h.setProglen(static_cast<std::uint16_t>(file.bytes));
  h.setProgsum(ByteSum(buffers.vexoprog.data(), file.bytes));
  h.setFirst(old.first());
  h.setLast(old.last());
  if (slot == 1) {
    // The volume's Common Storage Area bookkeeping lives in header 1 and outlives its entry.
    std::copy(old.bytes.begin() + kCsaFieldsBegin, old.bytes.begin() + kCsaFieldsEnd,
              h.bytes.begin() + kCsaFieldsBegin);
  }
  if (replace) {
    h.setNext(old.next());
    h.setPrevious(old.previous());
  } else {
    InsertInChain(dir, h, slot, target.disk, target.drive);
  }

  if (!dir.access().WriteSector(target.disk, target.drive, SlotFirstSector(slot), h.bytes.data())) {
    ui.message(kErrorWritingDirectory);
    return false;
  }
  dir.header(slot) = h;

  const std::size_t sectors = SectorsFor(file.bytes);
  ui.progressBegin("Copying " + fileName, sectors);
  if (!WriteRegion(dir, target.disk, target.drive, SlotFirstSector(slot) + kProgramSector,
                   buffers.vexoprog.data(), sectors)) {
    ui.progressEnd();
    ui.message("Error writing Vexo Program");
    return false;
  }
  ui.progressEnd();
  dir.observer->entriesChanged();
  return true;
}

}  // namespace vexo
