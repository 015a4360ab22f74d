#pragma once
// Writing the directory back: linking an entry into the sorted chain, unlinking it, and
// writing one header. Neighbours and header 1 are written before the entry's own header,
// which the caller writes last.

#include <string>

#include "volume/Directory.h"
#include "volume/Messages.h"

namespace vexo {


// Links the entry whose header is `h` and which occupies (or is about to occupy) slot `v`
// into the chain: sets the links of `h`, writes the neighbours and, where an end of the chain
// moves, header 1. `h` may be a separate record or the slot's own element of `vexodirs`.
// The caller writes `h` itself, after this. False, after "Error writing Vexo Directory", when a
// write fails: the caller stops there, since the card refuses writes (another program holds
// it, or it is gone) and each further try would only say so again.
bool InsertInChain(Directory& dir, SlotHeader& h, int v, int disk, const std::string& drive);

// Unlinks slot `e`: its neighbours (or header 1) are changed and written. Its own header keeps
// its old links. False, after "Error writing Vexo Directory", when a write fails.
bool RemoveFromChain(Directory& dir, int e, int disk, const std::string& drive);

// Writes `vexodirs` element `slot` to the slot's first sector.
bool WriteHeader(Directory& dir, int slot, int disk, const std::string& drive);

}  // namespace vexo
