#pragma once

// Captions that several windows share: the dialog buttons, the text commands that appear both
// in a text window's context menu and in the main window's menus, and the settings command
// (German / English).

#include "base/language.h"

namespace quillmar::gui::captions {

// Dialog buttons.
inline constexpr LangText kOK{"&OK", "&OK"};
inline constexpr LangText kCancel{"&Abbrechen", "&Cancel"};
inline constexpr LangText kHelp{"&Hilfe", "&Help"};
inline constexpr LangText kOpen{"Ö&ffnen", "&Open"};
inline constexpr LangText kClose{"&Schließen", "&Close"};

// Text commands.
inline constexpr LangText kPrint{"&Drucken...", "&Print..."};
inline constexpr LangText kCopy{"&Kopieren", "&Copy"};
inline constexpr LangText kMarkParagraph{"&Absatz markieren", "Select &paragraph"};
inline constexpr LangText kNewBookmark{"Neues &Lesezeichen", "New &bookmark"};
inline constexpr LangText kGoToPage{"&Gehe zu Seite...", "&Go to page..."};
inline constexpr LangText kBack{"&Zurück", "&Back"};
inline constexpr LangText kForward{"&Weiter", "&Next"};
inline constexpr LangText kSynchronise{"&Synchron", "&Synchron"};

// The settings command and, without "&", the settings dialog's caption.
inline constexpr LangText kSettings{"&Einstellungen", "&Settings"};

}  // namespace quillmar::gui::captions
