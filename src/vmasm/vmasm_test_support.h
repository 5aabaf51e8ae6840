#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/template_config.h"
#include "vmasm/vmasm.h"
#include "diagnostics/testing.h"
#include "vmopcode/vmopcode.h"

namespace kx::testing {

// A template with room for every script of the tests unless a test narrows it.
inline TemplateConfig Roomy_Template() {
  TemplateConfig config;
  config.name = "roomy";
  config.max_routine_count = 1000;
  config.max_object_count = 1000;
  config.name_array_rows = 1000;
  config.name_array_cols = 256;
  config.objective_array_rows = 1000;
  config.objective_array_cols = 256;
  config.step_data_array_rows = 10000;
  config.position_array_rows = 1000;
  config.integer_array_rows = 1000;
  return config;
}

// One reader with its own contexts, catalogue, template and folder.
struct Reader {
  CapturedContext errors{true, 94};
  CapturedContext notices{false, 94};
  VMOpcode catalogue{errors.context};
  TemplateConfig config = Roomy_Template();
  VMAsm vmasm{errors.context, notices.context, catalogue};
  TempDir dir;

  // Reads `script` as script.kxs; the line of the BuildFailure, or -1 when
  // the script was read.
  int Read(const std::string& script, const std::string& name = "script.kxs") {
    try {
      vmasm.Read_Script(dir.Write(name, script).string(), config);
      return -1;
    } catch (const BuildFailure& failure) {
      return failure.line();
    }
  }

  // Writes the listing as listing.aout and returns its bytes ("" when the
  // write failed).
  std::string Listing() {
    std::filesystem::path path = dir.path() / "listing.aout";
    try {
      vmasm.Write_Listing(path.string());
    } catch (const BuildFailure&) {
      ADD_FAILURE() << errors.Text();
      return "";
    }
    return Read_File(path);
  }

  // The message of a positioned diagnostic: its entries before the arrow line,
  // joined again where the layout broke them.
  std::string Message() const {
    std::string message;
    for (const std::string& entry : errors.entries) {
      if (entry.rfind("-------", 0) == 0) break;
      if (!message.empty()) message += ' ';
      message += entry;
    }
    return message;
  }
};

// The lines of a CR LF text; fails the test at a line feed without its CR.
inline std::vector<std::string> Crlf_Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    EXPECT_TRUE(end > start && text[end - 1] == '\r')
        << "bare line feed after: " << text.substr(start, end - start);
    lines.push_back(text.substr(start, end > start ? end - start - 1 : 0));
  }
  EXPECT_EQ(start, text.size()) << "text does not end with a line end";
  return lines;
}

}  // namespace kx::testing
