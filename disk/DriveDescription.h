#pragma once
// What a person recognises a card by, for the questions that erase one: the image file's name,
// or the reader's make and model with the card's size.

#include <cstdint>
#include <string>

#include "disk/Sysfs.h"

namespace vexo {

struct Drive;

// "card.img" for a card image; "Generic STORAGE DEVICE (sdb), 31.9 GB" for a reader. The
// reader's make and model come from sysfs; sizes are in decimal units, as cards are sold.
std::string DescribeDrive(const Drive& drive, std::uint64_t lengthBytes,
                          const std::string& sysfs = kSysfsRoot);

}  // namespace vexo
