#include "platform/qt_drive_list.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <QByteArray>
#include <QStorageInfo>
#endif

namespace quillmar {

#ifdef _WIN32

std::vector<std::string> QtDriveList::OpticalDrivesWithMedium() const {
  std::vector<std::string> drives;
  // An empty drive must not raise the system's "insert a disk" box.
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const DWORD present = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((present & (DWORD{1} << i)) == 0) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    if (GetDriveTypeW(root) != DRIVE_CDROM) continue;
    if (!GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) continue;
    drives.push_back(std::string{static_cast<char>('A' + i), ':'});
  }
  SetErrorMode(previous);
  return drives;
}

#else

std::vector<std::string> QtDriveList::OpticalDrivesWithMedium() const {
  std::vector<std::string> drives;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady()) continue;
    const QByteArray type = volume.fileSystemType().toLower();
    // Linux says "iso9660", macOS and the BSDs "cd9660"; DVDs and newer CDs are "udf".
    if (type != "iso9660" && type != "cd9660" && type != "udf") continue;
    drives.push_back(volume.rootPath().toStdString());
  }
  return drives;
}

#endif

}  // namespace quillmar
