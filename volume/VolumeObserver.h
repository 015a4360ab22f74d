#pragma once
// What the window does to its trees in the middle of a card operation. The core calls it at
// the moments the operations name; `vexo` has no trees and uses the defaults.

#include <string>

namespace vexo {

class VolumeObserver {
 public:
  virtual ~VolumeObserver() = default;

  // A drive changed under the trees: take its nodes out and add them again, as an arrival does.
  virtual void driveChanged(const std::string& drive) { (void)drive; }
  // Selects the volume-tree node of a drive; false when there is none.
  virtual bool selectDrive(const std::string& drive) { (void)drive; return true; }
  // A chain update failed: the volume leaves the trees.
  virtual void volumeLost(const std::string& drive) { (void)drive; }
  // The entries shown have changed: refill the entry list.
  virtual void entriesChanged() {}
  // An entry copy has loaded its target: select the node dropped on and list it.
  virtual void copyTargetLoaded() {}
  // A restored entry's category must show under the selected volume's node; false when that
  // node cannot be found.
  virtual bool showCategory(const std::string& category) { (void)category; return true; }
};

// The observer of a program without trees.
inline VolumeObserver& NoTrees() {
  static VolumeObserver none;
  return none;
}

}  // namespace vexo
