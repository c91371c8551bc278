// The entry in the system's list of installed programs.
#pragma once

// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<keyName>; iniPath may be
// null. Nothing is written when any other argument is null.
void RegisterUninstall(const char* publisher, const char* contact, const char* keyName,
                       const char* displayName, const char* uninstallerPath, const char* iniPath);
