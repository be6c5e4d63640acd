// Animated cursor files (RIFF "ACON"): their frames and the display rate of each.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/Graphics.h"

#include <memory>
#include <string>
#include <vector>

// One step of the animation: the image shown and for how long, in jiffies (1/60 s).
struct TAniFrame {
  int IconIndex = 0;
  unsigned long JiffRate = 0;
};

class TAnimatedCursorImage : public TObject {
public:
  // Reads an animated cursor from the stream's position; EInvalidGraphic "Animated cursor image is
  // not valid" for anything else, leaving the object empty.
  void LoadFromStream(TStream& Stream);
  void LoadFromFile(const std::string& FileName);
  void Clear();

  // The steps of the animation: the "seq " chunk's order when there is one, else one per image.
  int FrameCount() const { return static_cast<int>(FFrames.size()); }
  // The image shown at step Index; EListError "List index out of bounds (%d)" for a bad index.
  TIcon& FrameImage(int Index);
  const TAniFrame& Frame(int Index) const;
  int IconCount() const { return static_cast<int>(FIcons.size()); }

private:
  std::vector<std::unique_ptr<TIcon>> FIcons;
  std::vector<TAniFrame> FFrames;
  void CheckIndex(int Index) const;
};
