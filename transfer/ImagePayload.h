#pragma once
// The payload of an image archive, the one item of a 7z archive:
//   offset  size                 field
//        0  4                    "DMLE"
//        4  2                    entrycount, 0..512
//        6  1                    hascsa: 1 when the CSA image ends the payload
//        7  512 × entrycount     the slot headers, ascending slot order of the source
//        …  per header           entry block: program (proglen), gfxcount (2), 32 × gfxcount
//                                graphics records, SM data (smlen), GCI data (gcilen)
//        …  csalen of header 1   the Common Storage Area image, when hascsa is 1
// The first stored header carries header 1's csafile, csaflag and csalen in bytes 296..321.
// PayloadCodec.h encodes and decodes it.

#include <cstddef>
#include <cstdint>

#include "volume/Messages.h"
#include "volume/SlotHeader.h"

namespace vexo {

inline constexpr char kPayloadSignature[4] = {'D', 'M', 'L', 'E'};
inline constexpr std::size_t kPayloadPreamble = 7;
inline constexpr std::size_t kMaxGraphicsCount = 256;
inline constexpr const char* kArchiveItemName = "Vexo";

}  // namespace vexo
