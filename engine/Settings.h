#pragma once

#include <string>

// The pending-update keys "xml", "xz" and "version" in section "update" of
// the settings file shared with the product. A missing key reads as "".
std::string ReadXmlSetting();
std::string ReadXzSetting();

void WriteXmlSetting(const std::string& value);
void WriteXzSetting(const std::string& value);
void WriteVersionSetting(const std::string& value);

// The version of the last installation completed from a signed manifest,
// key "installed" of the same section: an older manifest is refused.
std::string ReadInstalledSetting();
void WriteInstalledSetting(const std::string& value);

// Forgets a pending update: removes the update folder and blanks the three
// keys (they stay in the file with empty values).
void DiscardPendingUpdate();
