#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "collection/registry_access.h"
#include "system/app_environment.h"

namespace quillmar {

// Every user setting with its key, type and default. Nothing is cached: each read asks the
// store, and a read of a missing value writes its default, so every setting that was read once
// exists in the store afterwards.
//
// Three keys hold settings: the common key shared by all versions, the older common key (read
// as a fallback for some settings and kept in step for "Path"), and the per-version key's
// "Options" sub-key with the layout settings of this version.
class SettingsStore {
 public:
  static constexpr int kFontCount = 18;
  static constexpr char kDefaultRelations[] =
      "153 127 100 147 93 100 100 93 100 95 73 73 100 100 85 85 85 100";
  static constexpr char kDefaultOnline[] = "http://updates.quillmar.example.org/web/caldrem.dat";
  static constexpr int32_t kDefaultLinkColor = 0xFF0000;  // Windows colour 0x00BBGGRR: blue
  static constexpr int32_t kDefaultBackColor = 0xFFFFFF;  // white

  SettingsStore(RegistryAccess& reg, const AppEnvironment& env);

  // Called with the new state whenever "UCFont" is written (the catalog keeps whether a
  // Unicode font for Greek is set).
  void OnUCFontWritten(std::function<void(bool)> callback) { on_ucfont_ = std::move(callback); }

  // "Software\Quillmar\Reader\<major>.<minor>" and its "Options" sub-key.
  std::string VersionKey() const;
  std::string VersionOptionsKey() const;

  // Common key (with the old-key fallback).
  std::string GetPath();                  // program directory, trailing separator removed
  void SetPath(const std::string& path);  // written to both common keys
  int GetLanguage();                      // 1 German, 2 English (anything else counts as 2)
  void SetLanguage(int language);
  std::string GetCDROMDrive();
  void SetCDROMDrive(const std::string& drive);
  std::string GetProxyServer();
  void SetProxyServer(const std::string& host);
  int32_t GetPort();
  void SetPort(int32_t port);
  std::string GetOnline();
  void SetOnline(const std::string& url);
  void WriteApplication(const std::string& executable);  // both common keys

  // Help file for the current language, in the program directory.
  std::string GetHelpFile();

  // Version key.
  int32_t GetBorderWidth();
  void SetBorderWidth(int32_t pixels);
  int32_t GetParaBlank();
  void SetParaBlank(int32_t blanks);
  int32_t GetLineSpacing();
  void SetLineSpacing(int32_t code);
  bool GetSLQ();
  void SetSLQ(bool on);
  bool GetTBVisible();
  void SetTBVisible(bool on);
  bool GetBlocksatz();
  void SetBlocksatz(bool on);
  std::string GetUCFont();
  void SetUCFont(const std::string& face);
  bool GetSmartLinks();
  void SetSmartLinks(bool on);
  std::string GetFont();
  void SetFont(const std::string& face);
  int32_t GetFontSize();
  void SetFontSize(int32_t size);
  int32_t GetLinkColor();
  void SetLinkColor(int32_t color);
  int32_t GetBackColor();
  void SetBackColor(int32_t color);

  // Integer lists, stored as decimal numbers separated by single blanks. A missing or
  // non-numeric entry reads as the list's fill value.
  std::array<int32_t, kFontCount> GetRelations();  // size percentages of fonts 1..18
  void SetRelations(const std::array<int32_t, kFontCount>& percent);
  std::array<int32_t, 2> GetNavWinSize();
  void SetNavWinSize(const std::array<int32_t, 2>& size);
  // Page margins in the callers' order; the store keeps the third and fourth swapped.
  std::array<int32_t, 4> GetPBorders();
  void SetPBorders(const std::array<int32_t, 4>& borders);
  // Seven result-document flags; true = on (stored as 0).
  std::array<bool, 7> GetResultDocFormat();
  void SetResultDocFormat(const std::array<bool, 7>& flags);

  // Plug-in registrations below "Software\Quillmar\Reader\plugin\<id>".
  void RegisterPlugIn(const std::string& id, const std::string& name, const std::string& cdid);
  std::string GetPlugInName(const std::string& id);
  std::string GetPlugInCDID(const std::string& id);
  std::vector<std::string> ListPlugIns();  // the registered plug-ins' names

  // Parses a stored list: `count` entries, missing or non-numeric ones take `fill`.
  static std::vector<int32_t> ParseIntList(const std::string& text, size_t count, int32_t fill);
  static std::string FormatIntList(const std::vector<int32_t>& values);

 private:
  std::string ReadCommonString(const char* name, const std::string& def);
  int32_t ReadCommonInteger(const char* name, int32_t def);
  std::string ReadOptionString(const char* name, const std::string& def);
  int32_t ReadOptionInteger(const char* name, int32_t def);
  bool ReadOptionBool(const char* name, bool def);
  std::vector<int32_t> ReadOptionList(const char* name, const char* def, size_t count,
                                      int32_t fill);
  void WriteOptionList(const char* name, const std::vector<int32_t>& values);

  RegistryAccess& reg_;
  AppEnvironment env_;
  std::function<void(bool)> on_ucfont_;
};

}  // namespace quillmar
