#pragma once

#include <string>
#include <vector>

#include "system/drive_list.h"

namespace quillmar {

// The optical drives with a medium. Windows: the roots ("E:") of the CD-ROM drives whose volume
// can be read, asked with critical-error boxes suppressed. Elsewhere: the mount points of the
// mounted ISO 9660 and UDF file systems, in the system's mount table order.
class SystemDriveList : public DriveList {
 public:
  std::vector<std::string> OpticalDrivesWithMedium() const override;
};

}  // namespace quillmar
