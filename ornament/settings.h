// The per-user settings: menu states, transparency level, window place and
// the autostart entry.
#pragma once

extern const char* const kSettingsKey;  // Software\Fenwillow
extern const char* const kRunKey;       // Software\Microsoft\Windows\CurrentVersion\Run
extern const char* const kRunValue;     // Fenwillow

// Restores the menu states, places the window, applies the stored
// transparency level and the topmost state, and sets the animation flags.
void LoadSettings();
// Writes every setting and the autostart entry.
void SaveSettings();
