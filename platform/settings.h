// settings.h — the settings file's text in memory: the INI reading and writing that
// PLAT_GetProfileString and PLAT_WriteProfileString do on the file, for the fuzz target
// and the tests.
//
// "[SECTION]" lines open sections, "key=value" lines hold values; sections and keys match
// without regard to case, keys and values are trimmed of blanks. Any other line (a
// comment, a line without '=') is kept as it is.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The text's lines, split at line feeds; a carriage return before one is dropped.
std::vector<std::string> SettingsLines(const char *text, size_t size);
// The lines joined again, each ended by a line feed, or by CR LF when crlf is set.
std::string SettingsText(const std::vector<std::string> &lines, bool crlf);
// Whether the text's first line ends with CR LF (its writer's line ending).
bool SettingsUsesCrlf(const char *text, size_t size);
// The value of key in section (the first such line), or false when there is none.
bool SettingsLookUp(const std::vector<std::string> &lines, const char *section, const char *key,
                    std::string *value);
// Sets key=value in section: replaces the key's line in the section's first block, or
// adds it after that block's last line, or appends the section. The value is cut at its
// first line break, so it cannot add lines of its own.
void SettingsPut(std::vector<std::string> *lines, const char *section, const char *key,
                 const char *value);
