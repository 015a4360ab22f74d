#pragma once
// Writing the directory back: linking an entry into the sorted chain, unlinking it, taking an
// entry out for its replacement, and writing one header. An entry's content is on the medium
// (written, then flushed) before any header or link that lists it is written.

#include <string>

#include "volume/Directory.h"
#include "volume/Messages.h"

namespace vexo {


// Links the entry whose header is `h` and which occupies (or is about to occupy) slot `v`
// into the chain: sets the links of `h`, writes `h` to the slot, then the neighbours and, where
// an end of the chain moves, header 1. `h` may be a separate record (the caller puts it into
// `vexodirs` after) or the slot's own element of `vexodirs`. False, after "Error writing Vexo
// Directory", when a write fails: the caller stops there, since the card refuses writes
// (another program holds it, or it is gone) and each further try would only say so again.
bool InsertInChain(Directory& dir, SlotHeader& h, int v, int disk, const std::string& drive);

// Unlinks slot `e`: its neighbours (or header 1) are changed and written. Its own header keeps
// its old links. False, after "Error writing Vexo Directory", when a write fails.
bool RemoveFromChain(Directory& dir, int e, int disk, const std::string& drive);

// Takes the entry of slot `e` out of the directory while its content is rewritten in place: its
// header is written as a free slot's (the name's first byte 0) that keeps its links, so the
// neighbours are not written and the finished replacement is one header write again. A card
// left like this by a crash lists the entry no more and shows chain errors (a free slot still
// linked, or header 1 naming a chain end that is gone), so the chain check asks for repair.
// False, after "Error writing Vexo Directory", when the write fails.
bool TakeOutOfDirectory(Directory& dir, int e, int disk, const std::string& drive);

// Writes `vexodirs` element `slot` to the slot's first sector.
bool WriteHeader(Directory& dir, int slot, int disk, const std::string& drive);

}  // namespace vexo
