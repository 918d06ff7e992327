#pragma once

#include "base/language.h"

namespace quillmar::gui::texts {

// Captions of the main window's menus and items (German / English).
inline constexpr LangText kFileMenu{"&Datei", "&File"};
inline constexpr LangText kNavigation{"&Navigation", "&Navigation"};
inline constexpr LangText kCloseAll{"&Alle schließen", "Close &all"};
inline constexpr LangText kAddCollection{"Sammlung &hinzufügen...", "A&dd collection..."};
inline constexpr LangText kRefresh{"&Aktualisieren", "&Refresh"};
inline constexpr LangText kExit{"&Beenden", "E&xit"};

inline constexpr LangText kEditMenu{"&Bearbeiten", "&Edit"};
inline constexpr LangText kSelectAll{"Alles &markieren", "&Select all"};
inline constexpr LangText kSaveAs{"S&peichern unter...", "S&ave as..."};

inline constexpr LangText kFindMenu{"&Suchen", "F&ind"};
inline constexpr LangText kFind{"&Suchen", "F&ind"};
inline constexpr LangText kNextHit{"&Nächste Fundstelle", "&Next"};
inline constexpr LangText kPreviousHit{"&Vorherige Fundstelle", "&Previous"};

inline constexpr LangText kViewMenu{"&Ansicht", "&View"};
inline constexpr LangText kFontMenu{"&Schriftart", "&Font"};
inline constexpr LangText kBigger{"&Größer", "&Bigger"};
inline constexpr LangText kSmaller{"&Kleiner", "&Smaller"};
inline constexpr LangText kMarginMenu{"&Rand", "&Margin"};
inline constexpr LangText kWider{"&Breiter", "&Wider"};
inline constexpr LangText kNarrower{"&Schmaler", "&Narrow"};
inline constexpr LangText kToolBar{"&Symbolleiste", "&Toolbar"};

inline constexpr LangText kExtrasMenu{"&Zusätzlich", "&Additional"};
inline constexpr LangText kBibliography{"&Literatur", "&Bibliography"};
inline constexpr LangText kOstrabel{"&Ostrabel", "&Ostrabel"};

inline constexpr LangText kWindowMenu{"&Fenster", "&Window"};
inline constexpr LangText kCascade{"&Hintereinander", "&Cascade"};
inline constexpr LangText kTileVertically{"&Nebeneinander", "Tile &vertically"};
inline constexpr LangText kTileHorizontally{"&Übereinander", "Tile &horizontally"};

inline constexpr LangText kHelpMenu{"&?", "&?"};
inline constexpr LangText kModules{"&Module...", "&Moduls..."};
inline constexpr LangText kAbout{"&Info", "&About"};

// Tool-button hints that are not a menu caption without "&".
inline constexpr LangText kHintBigger{"Schrift größer", "bigger Font"};
inline constexpr LangText kHintSmaller{"Schrift kleiner", "smaller Font"};
inline constexpr LangText kHintNarrower{"Rand schmaler", "narrow Margin"};
inline constexpr LangText kHintWider{"Rand breiter", "wider Margin"};

// Messages.
inline constexpr LangText kNoCD{"Es ist keine CD verfügbar.", "There is no CD available."};
inline constexpr LangText kLinkUnresolved{"Verknüpfung kann nicht aufgelöst werden.",
                                          "Unable to detect link target."};
inline constexpr LangText kOverwrite{"Datei '%s' existiert schon. Überschreiben?",
                                     "File '%s' already exists. Overwrite?"};
inline constexpr LangText kCannotSave{"Die Datei '%s' kann nicht geschrieben werden.",
                                      "Cannot write the file '%s'."};
inline constexpr LangText kSaveFilter{"Textdateien (*.txt);;alle Dateien (*)",
                                      "Text files (*.txt);;all files (*)"};
inline constexpr LangText kChooseCollection{"Sammlungsverzeichnis wählen",
                                            "Choose a collection directory"};
inline constexpr LangText kAboutText{
    "Quillmar reader %s\nLese- und Recherche-Programm für Textsammlungen auf CD-ROM.",
    "Quillmar reader %s\nReader and retrieval software for text collections on CD-ROM."};
inline constexpr LangText kHelpCaption{"Quillmar reader - Hilfe", "Quillmar reader - Help"};

}  // namespace quillmar::gui::texts
