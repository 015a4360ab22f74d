#pragma once
// The image list: the 20 small images the four views share, at fixed positions. 0–4 are the
// program's own pictures; 5–19 come from the icon theme, with the toolkit's standard icons where
// the theme has none, so every position exists.

#include <QIcon>
#include <QList>

namespace vexo {

enum ImageIndex {
  kImageEntry = 0,        // a program: every entry, ".vxe" files
  kImageVolume = 1,       // a Vexo volume node
  kImageGraphics = 2,     // ".gci" files
  kImageSmFile = 3,       // ".pdata" files
  kImageArchive = 4,      // ".vexoimage" files
  kImageFolder = 6,       // folder and category nodes, folder items
  kImageOpenFolder = 7,   // a selected folder node
  kImageRemovable = 10,   // removable drive nodes
  kImageFixed = 11,       // fixed drive nodes
  kImageComputer = 16,    // the two roots
};

QList<QIcon> MakeImageList();

}  // namespace vexo
