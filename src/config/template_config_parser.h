#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "config/template_config.h"
#include "diagnostics/error_context.h"
#include "util/name_index.h"

namespace kx {

class Lexan;

// Reads a configuration file ("template" "list" "{" entries "}") into a
// TemplateList. Progress goes to the notice context, every diagnostic to the
// error context; a failure ends with BuildFailure carrying the file's line.
class TemplateConfigParser {
 public:
  TemplateConfigParser(ErrorContext& errors, ErrorContext& notices);
  ~TemplateConfigParser();

  TemplateConfigParser(const TemplateConfigParser&) = delete;
  TemplateConfigParser& operator=(const TemplateConfigParser&) = delete;

  // Parses the whole file. The previous list is released before anything is
  // read and the new one is installed at the list head, so after a failure it
  // holds the entries completed before the error (no list at all when the
  // file could not be opened or its first token not read). A second entry
  // with the name of an earlier one is refused. A failure ends with
  // BuildFailure carrying the line the lexer stood at (0 before the first
  // line); the lexer is closed and released on every path.
  void Read_Template_File(const std::filesystem::path& path);

  // The entries of the latest parse; nullptr before the first and after a
  // parse that failed before its list was started.
  const TemplateList* templates() const { return templates_.get(); }
  // The folder of the file of the latest parse: a relative dll_blank is found there.
  const std::filesystem::path& directory() const { return directory_; }
  // The file of the latest parse, as its path was given.
  const std::filesystem::path& file() const { return file_; }

 private:
  void Read_Template_List();
  std::unique_ptr<TemplateConfig> Read_Template_Entry();

  std::unique_ptr<Lexan> lexer_;
  ErrorContext& errors_;
  ErrorContext& notices_;
  std::unique_ptr<TemplateList> templates_;
  // The entries of templates_ by name, so that a repeated name is found
  // without walking the list.
  NameIndex<TemplateConfig, &TemplateConfig::name> entry_names_;
  std::filesystem::path directory_;
  std::filesystem::path file_;
};

}  // namespace kx
