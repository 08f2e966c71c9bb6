// Version information shared by every program's resource script: a script
// defines FWU_FILE_NAME ("Update.exe"), FWU_INTERNAL_NAME ("Update") and
// FWU_DESCRIPTION, then includes this file.
//
// Resource compilers (windres, rc) keep only the preprocessor lines of a
// file whose name ends in .h, so the resource itself lives in a file with
// another extension: included from here, its VERSIONINFO block is compiled.
#include "version.rcinc"
