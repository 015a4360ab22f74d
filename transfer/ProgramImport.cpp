#include "transfer/ProgramImport.h"

#include <algorithm>

#include "transfer/FileKind.h"
#include "transfer/PcFile.h"
#include "transfer/SectorRuns.h"
#include "volume/Chain.h"
#include "volume/ProgramChecks.h"

namespace vexo {

bool ImportProgram(Directory& dir, TransferBuffers& buffers, const VolumeTarget& target,
                   const std::string& filePath, const RegionalSeparators& separators) {
  Prompter& ui = dir.prompter();
  const std::string fileName = BaseName(filePath);
  const std::string entryName = WithoutExtension(fileName);

  const PcFileRead file = ReadPcFile(filePath, buffers.vexoprog());
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
      ui.message(kNoSpace);
      return false;
    }
  }

  // The program goes to the card in one run: once begun, an import is not stopped.
  if (ui.cancelRequested()) return false;
  const SlotHeader old = dir.header(slot);
  SlotHeader h = BlankHeader();
  h.setCategory(target.category);
  h.setFilename(entryName);
  SetTimestamp(h, kDate, kTime, TimestampText(file.modified, separators));
  h.setProglen(static_cast<std::uint16_t>(file.bytes));
  h.setProgsum(ProgramSum(buffers.vexoprog().data(), file.bytes));
  h.setFirst(old.first());
  h.setLast(old.last());
  if (slot == 1) {
    // The volume's Common Storage Area bookkeeping lives in header 1 and outlives its entry.
    std::copy(old.bytes.begin() + kCsaFieldsBegin, old.bytes.begin() + kCsaFieldsEnd,
              h.bytes.begin() + kCsaFieldsBegin);
  }
  h.setNext(old.next());
  h.setPrevious(old.previous());

  // The program reaches the medium before any header lists it: a replaced entry is taken out of
  // the directory first, a new one is linked only after.
  DiskAccess& io = dir.access();
  if (replace && (!TakeOutOfDirectory(dir, slot, target.disk, target.drive) || !io.Flush()))
    return false;
  ui.progressBegin("Copying " + fileName, SectorsFor(file.bytes));
  SectorRuns runs(dir, target.disk, target.drive, ProgressUnit::Sectors);
  if (!runs.write(SlotFirstSector(slot) + kProgramSector, file.bytes,
                  SectorRuns::FromMemory(buffers.vexoprog().data()),
                  [](std::uint64_t) { return std::string("Error writing Vexo Program"); }))
    return false;
  ui.progressEnd();
  if (!io.Flush()) return false;
  if (replace ? !io.WriteSector(target.disk, target.drive, SlotFirstSector(slot), h.bytes.data())
              : !InsertInChain(dir, h, slot, target.disk, target.drive)) {
    if (replace) ui.message(kErrorWritingDirectory);
    return false;
  }
  dir.header(slot) = h;
  dir.observer->entriesChanged();
  return true;
}

}  // namespace vexo
