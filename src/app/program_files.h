#pragma once

#include <QString>

namespace kx {

// The folder of the program's companion files (Kestrix.conf, operations.htm,
// the template DLLs), with a trailing "/". It is the program's own folder;
// an installed program whose folder holds no Kestrix.conf uses its share
// folder (<prefix>/share/kestrix) instead when that one holds it.
QString GetProgramDirectory();

// GetProgramDirectory() followed by `name`.
QString GetProgramFilePath(const QString& name);

// Kestrix.log in the companion folder; when that folder cannot be written
// (a system-wide installation), in the user's application data folder.
QString Log_File_Path();

// Makes `folder` the companion folder from now on (tests, and anyone who
// keeps the files elsewhere); an empty text returns to the rule above.
void Set_Program_Directory(const QString& folder);

}  // namespace kx
