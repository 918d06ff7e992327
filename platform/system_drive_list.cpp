#include "platform/system_drive_list.h"

#include <algorithm>
#include <cctype>

#ifdef _WIN32
#include "platform/windows_api.h"
#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__)
#include <sys/mount.h>
#include <sys/param.h>
#else
#include <mntent.h>
#include <stdio.h>
#endif

namespace quillmar {

namespace {

// Whether a file system type names an optical medium: Linux says "iso9660", macOS and the BSDs
// "cd9660"; DVDs and newer CDs are "udf".
[[maybe_unused]] bool IsOpticalFileSystem(const std::string& type) {
  std::string lower = type;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower == "iso9660" || lower == "cd9660" || lower == "udf";
}

}  // namespace

#ifdef _WIN32

std::vector<std::string> SystemDriveList::OpticalDrivesWithMedium() const {
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

#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__)

std::vector<std::string> SystemDriveList::OpticalDrivesWithMedium() const {
  std::vector<std::string> drives;
  struct statfs* mounts = nullptr;
  // MNT_NOWAIT: the kernel's table as it is, without asking each file system (a drive that
  // spins up must not hold the catalog).
  const int count = getmntinfo(&mounts, MNT_NOWAIT);
  for (int i = 0; i < count; ++i)
    if (IsOpticalFileSystem(mounts[i].f_fstypename)) drives.push_back(mounts[i].f_mntonname);
  return drives;
}

#else

std::vector<std::string> SystemDriveList::OpticalDrivesWithMedium() const {
  std::vector<std::string> drives;
  FILE* table = setmntent("/proc/self/mounts", "r");
  if (!table) return drives;
  while (const mntent* entry = getmntent(table))
    if (entry->mnt_type && entry->mnt_dir && IsOpticalFileSystem(entry->mnt_type))
      drives.push_back(entry->mnt_dir);
  endmntent(table);
  return drives;
}

#endif

}  // namespace quillmar
