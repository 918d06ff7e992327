#pragma once

#include <string>
#include <vector>

namespace quillmar {

// The optical drives that hold a medium now, as root directories ("E:" on Windows, a mount point
// such as "/media/cdrom" elsewhere), in the system's order. Drives without a medium and drives
// that cannot be read are left out, never reported as errors.
class DriveList {
 public:
  virtual ~DriveList() = default;
  virtual std::vector<std::string> OpticalDrivesWithMedium() const = 0;
};

}  // namespace quillmar
