#pragma once

// Key names of the settings store. Keys are "\"-separated paths below the current user's hive.
namespace quillmar::keys {

inline constexpr char kCDRoot[] = "Software\\Quillmar\\CD";
inline constexpr char kOptions[] = "Software\\Quillmar\\Reader\\Options";
inline constexpr char kOldOptions[] = "Software\\Quillmar\\Calderwick\\Options";
inline constexpr char kReaderRoot[] = "Software\\Quillmar\\Reader";
inline constexpr char kPlugInRoot[] = "Software\\Quillmar\\Reader\\plugin";

// Values of a collection's key "Software\Quillmar\CD\<CDID>" and its sub-keys.
inline constexpr char kCDPath[] = "Path";
inline constexpr char kCDName[] = "Name";
inline constexpr char kCDLocal[] = "LocalCDROM_Drive";
inline constexpr char kSchemaKey[] = "schema";
inline constexpr char kSchemaCurrent[] = "current";
inline constexpr char kFSKey[] = "FS";
inline constexpr char kFSID[] = "ID";

}  // namespace quillmar::keys
