#pragma once

#include <QListWidget>
#include <QPointer>

#include "config/template_config_parser.h"
#include "diagnostics/error_context.h"
#include "vmobject/vmobject.h"
#include "vmopcode/vmopcode.h"

namespace kx {

// The program's module-level objects, created before the application starts
// and alive until it ends. They are used by one build or one parse at a time,
// always on the user-interface thread.

// Build diagnostics, wrapped at kBuildLogWidth columns, go to the list of
// the build log dialog that started the build (g_pBuildList); the error
// context ends the build.
extern ErrorContext g_BuildErrorContext;
extern ErrorContext g_BuildNoticeContext;
// Diagnostics of reading the configuration, wrapped at kConfigurationLogWidth
// columns, are appended to Kestrix.log; the error context ends the parse.
extern ErrorContext g_LogErrorContext;
extern ErrorContext g_LogNoticeContext;

extern TemplateConfigParser g_TemplateConfigParser;  // on the two log contexts
extern VMObject g_VMObject;                          // on the two build contexts
// Serves the operations bar only; each build makes its own catalogue.
extern VMOpcode g_OperationCatalogue;

// The list that receives build diagnostics; none until the first build.
extern QPointer<QListWidget> g_pBuildList;

// Points both log contexts at Log_File_Path().
void Attach_Log_File();

// The text of a list entry: UTF-8 where the bytes are valid UTF-8 (paths),
// otherwise Latin-1 (the 8-bit text of a script).
QString Decode_Entry(const std::string& bytes);

}  // namespace kx
