// Version information shared by every program's resource script.
// Before including this file a script defines FWU_FILE_NAME ("Update.exe"),
// FWU_INTERNAL_NAME ("Update") and FWU_DESCRIPTION.
#include <winver.h>

#ifndef FWU_VERSION_MAJOR
#define FWU_VERSION_MAJOR 1
#define FWU_VERSION_MINOR 0
#define FWU_VERSION_PATCH 0
#endif

#define FWU_STR2(x) #x
#define FWU_STR(x) FWU_STR2(x)
#define FWU_VERSION_TEXT FWU_STR(FWU_VERSION_MAJOR) "." FWU_STR(FWU_VERSION_MINOR) "." FWU_STR(FWU_VERSION_PATCH) ".0"

VS_VERSION_INFO VERSIONINFO
FILEVERSION FWU_VERSION_MAJOR, FWU_VERSION_MINOR, FWU_VERSION_PATCH, 0
PRODUCTVERSION FWU_VERSION_MAJOR, FWU_VERSION_MINOR, FWU_VERSION_PATCH, 0
FILEFLAGSMASK 0x3fL
FILEFLAGS 0x0L
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
FILESUBTYPE VFT2_UNKNOWN
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904b0"
    BEGIN
      VALUE "CompanyName", "Firmware Update Tools"
      VALUE "FileDescription", FWU_DESCRIPTION
      VALUE "FileVersion", FWU_VERSION_TEXT
      VALUE "InternalName", FWU_INTERNAL_NAME
      VALUE "LegalCopyright", "Copyright (C) 2026"
      VALUE "OriginalFilename", FWU_FILE_NAME
      VALUE "ProductName", "Firmware Update Tools"
      VALUE "ProductVersion", FWU_VERSION_TEXT
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1200
  END
END
