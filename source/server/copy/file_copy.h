#pragma once

int ShowCopyProgress(const char* path);
int CopySystemFile(char* targetDir, char* sourceDir, const char* name, const char* extension, int mode);
int CopyPloFiles(char* targetDir, char* sourceDir);
int MigrateCfgFile(char* configDir, char* sourceDir, const char* oldName, const char* newName);
