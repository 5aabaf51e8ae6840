// The committed sample templates and their configuration agree: every offset
// in Kestrix.conf is where the DLL's own export table puts the table, and
// every table as configured fits the DLL without touching another.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "config/export_table.h"
#include "config/template_config_parser.h"
#include "template_sizes.h"
#include "template_testing.h"
#include "diagnostics/testing.h"
#include "vmobject/vmobject.h"

namespace kx {
namespace {

const std::filesystem::path kTemplates = KX_TEMPLATES_DIR;
const std::filesystem::path kExamples = KX_EXAMPLES_DIR;

TEST(SampleTemplate, CommittedConfigurationMatchesTheCommittedTemplates) {
  testing::CapturedContext errors(true, 79), notices(false, 79);
  TemplateConfigParser parser(errors.context, notices.context);
  parser.Read_Template_File((kTemplates / "Kestrix.conf").string());
  ASSERT_NE(parser.templates(), nullptr);

  std::set<std::string> names;
  for (const TemplateConfig& config : *parser.templates()) {
    SCOPED_TRACE(config.name);
    names.insert(config.name);
    std::filesystem::path dll = kTemplates / config.dll_blank;
    ExportTable exports = Read_Export_Table(dll);
    EXPECT_EQ(exports.format, "PE32");
    EXPECT_EQ(exports.symbols.size(), 10u) << Format_Exports(exports);
    EXPECT_TRUE(exports.refused.empty()) << Format_Exports(exports);

    std::vector<std::pair<std::int64_t, std::int64_t>> extents;
    for (const testing::TemplateTable& table : testing::Tables_Of(config)) {
      const ExportedSymbol* symbol = exports.Find(table.symbol);
      ASSERT_NE(symbol, nullptr) << table.symbol;
      EXPECT_EQ(std::uint64_t(config.*table.offset), symbol->file_offset) << table.symbol;
      extents.emplace_back(config.*table.offset, config.*table.offset + table.bytes);
    }
    std::sort(extents.begin(), extents.end());
    for (std::size_t i = 0; i + 1 < extents.size(); ++i)
      EXPECT_LE(extents[i].second, extents[i + 1].first) << "the table at offset " << extents[i].first;
    EXPECT_LE(std::uint64_t(extents.back().second), std::filesystem::file_size(dll));
  }
  EXPECT_EQ(names, (std::set<std::string>{"sample", "sample-small"}));
}

// The native build of the same source: the compiler's own sizes of the
// tables equal the row counts times the element sizes that Kestrix writes.
TEST(SampleTemplate, NativeBuildLaysTheTablesOutAsKestrixWritesThem) {
  ExportTable exports = Read_Export_Table(KX_NATIVE_TEMPLATE);
  EXPECT_TRUE(exports.refused.empty()) << Format_Exports(exports);
  TemplateConfig config;
  config.max_routine_count = TEMPLATE_MAX_ROUTINE_COUNT;
  config.step_data_array_rows = TEMPLATE_STEP_DATA_ROWS;
  config.position_array_rows = TEMPLATE_POSITION_ROWS;
  config.name_array_rows = TEMPLATE_NAME_ROWS;
  config.name_array_cols = TEMPLATE_NAME_COLS;
  config.integer_array_rows = TEMPLATE_INTEGER_ROWS;
  config.objective_array_rows = TEMPLATE_OBJECTIVE_ROWS;
  config.objective_array_cols = TEMPLATE_OBJECTIVE_COLS;
  for (const testing::TemplateTable& table : testing::Tables_Of(config)) {
    const ExportedSymbol* symbol = exports.Find(table.symbol);
    ASSERT_NE(symbol, nullptr) << table.symbol;
    EXPECT_EQ(symbol->size, std::uint64_t(table.bytes)) << table.symbol;
  }
}

// The bundled examples build against every sample entry, into both outputs.
TEST(SampleTemplate, ExamplesBuildAgainstEveryEntry) {
  testing::CapturedContext log_errors(true, 79), log_notices(false, 79);
  TemplateConfigParser parser(log_errors.context, log_notices.context);
  parser.Read_Template_File((kTemplates / "Kestrix.conf").string());
  ASSERT_NE(parser.templates(), nullptr);

  for (const char* example : {"tutorial", "all_operations"}) {
    for (const TemplateConfig& config : *parser.templates()) {
      SCOPED_TRACE(std::string(example) + " on " + config.name);
      testing::TempDir dir;
      std::filesystem::path script = dir.path() / (std::string(example) + ".kxs");
      std::filesystem::copy_file(kExamples / script.filename(), script);
      testing::CapturedContext errors(true), notices(false);
      try {
        VMObject builder(errors.context, notices.context, parser);
        builder.VMBuild(script.string(), config.name, VMBUILD_DLL);
        builder.VMBuild(script.string(), config.name, VMBUILD_C_LISTING);
      } catch (const BuildFailure& failure) {
        ADD_FAILURE() << "line " << failure.line() << ": " << errors.Text();
        continue;
      }
      std::filesystem::path dll = dir.path() / (std::string(example) + ".dll");
      EXPECT_EQ(std::filesystem::file_size(dll), std::filesystem::file_size(kTemplates / config.dll_blank));
      EXPECT_EQ(Format_Exports(Read_Export_Table(dll)),
                Format_Exports(Read_Export_Table(kTemplates / config.dll_blank)));
      EXPECT_TRUE(std::filesystem::exists(dir.path() / (std::string(example) + ".c")));
    }
  }
}

}  // namespace
}  // namespace kx
