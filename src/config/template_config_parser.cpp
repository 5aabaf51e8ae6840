#include "config/template_config_parser.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "diagnostics/build_failure.h"
#include "lexan/lexan.h"
#include "util/platform.h"

namespace kx {

namespace {

constexpr char kHint[] = "Please correct the error and try again.";

enum : int {
  CONFIG_TEMPLATE = 512,
  CONFIG_LIST,
  CONFIG_ENTRY,
  CONFIG_DLL,
  CONFIG_BLANK,
  CONFIG_MAX,
  CONFIG_ROUTINE,
  CONFIG_COUNT,
  CONFIG_OBJECT,
  CONFIG_STEP,
  CONFIG_DATA,
  CONFIG_ARRAY,
  CONFIG_POSITION,
  CONFIG_NAME,
  CONFIG_SPEED,
  CONFIG_INTEGER,
  CONFIG_PRIORITY,
  CONFIG_OFFSET,
  CONFIG_OBJECTIVE,
  CONFIG_DEBUG,
  CONFIG_ROWS,
  CONFIG_COLS,
};

struct Keyword {
  std::string_view text;
  int kind;
};

constexpr std::array<Keyword, 22> kKeywords = {{
    {"template", CONFIG_TEMPLATE},   {"list", CONFIG_LIST},
    {"entry", CONFIG_ENTRY},         {"dll", CONFIG_DLL},
    {"blank", CONFIG_BLANK},         {"max", CONFIG_MAX},
    {"routine", CONFIG_ROUTINE},     {"count", CONFIG_COUNT},
    {"object", CONFIG_OBJECT},       {"step", CONFIG_STEP},
    {"data", CONFIG_DATA},           {"array", CONFIG_ARRAY},
    {"position", CONFIG_POSITION},   {"name", CONFIG_NAME},
    {"speed", CONFIG_SPEED},         {"integer", CONFIG_INTEGER},
    {"priority", CONFIG_PRIORITY},   {"offset", CONFIG_OFFSET},
    {"objective", CONFIG_OBJECTIVE}, {"debug", CONFIG_DEBUG},
    {"rows", CONFIG_ROWS},           {"cols", CONFIG_COLS},
}};
static_assert(kKeywords.back().kind == 533);

constexpr std::array<LexanScanner, 5> kScanners = {Scan_Special, Scan_Hexadecimal, Scan_Integer, Scan_String,
                                                   Scan_Keyword};

constexpr std::array<char, 4> kSpecials = {'{', '}', ',', ';'};

// The statements after "dll blank", in their fixed order: keywords, then a
// value of the first kind, then optionally ", rows" and ", cols" integers.
struct NumberStatement {
  std::array<int, 4> keywords;  // unused places hold 0
  int first_kind;
  std::int32_t TemplateConfig::*first;
  std::int32_t TemplateConfig::*rows = nullptr;
  std::int32_t TemplateConfig::*cols = nullptr;
};

using C = TemplateConfig;
// clang-format off
const NumberStatement kNumberStatements[] = {
    {{CONFIG_MAX, CONFIG_ROUTINE, CONFIG_COUNT}, LEXAN_INTEGER, &C::max_routine_count},
    {{CONFIG_MAX, CONFIG_OBJECT, CONFIG_COUNT}, LEXAN_INTEGER, &C::max_object_count},
    {{CONFIG_STEP, CONFIG_DATA, CONFIG_ARRAY, CONFIG_OFFSET}, LEXAN_HEXADECIMAL,
     &C::step_data_array_offset, &C::step_data_array_rows},
    {{CONFIG_ROUTINE, CONFIG_COUNT, CONFIG_OFFSET}, LEXAN_HEXADECIMAL, &C::routine_count_offset},
    {{CONFIG_POSITION, CONFIG_ARRAY, CONFIG_OFFSET}, LEXAN_HEXADECIMAL,
     &C::position_array_offset, &C::position_array_rows},
    {{CONFIG_NAME, CONFIG_ARRAY, CONFIG_OFFSET}, LEXAN_HEXADECIMAL,
     &C::name_array_offset, &C::name_array_rows, &C::name_array_cols},
    {{CONFIG_ROUTINE, CONFIG_SPEED, CONFIG_ARRAY, CONFIG_OFFSET}, LEXAN_HEXADECIMAL, &C::routine_speed_array_offset},
    {{CONFIG_INTEGER, CONFIG_ARRAY, CONFIG_OFFSET}, LEXAN_HEXADECIMAL,
     &C::integer_array_offset, &C::integer_array_rows},
    {{CONFIG_ROUTINE, CONFIG_PRIORITY, CONFIG_ARRAY, CONFIG_OFFSET}, LEXAN_HEXADECIMAL,
     &C::routine_priority_array_offset},
    {{CONFIG_ROUTINE, CONFIG_OFFSET, CONFIG_ARRAY, CONFIG_OFFSET}, LEXAN_HEXADECIMAL, &C::routine_offset_array_offset},
    {{CONFIG_OBJECTIVE, CONFIG_ARRAY, CONFIG_OFFSET}, LEXAN_HEXADECIMAL,
     &C::objective_array_offset, &C::objective_array_rows, &C::objective_array_cols},
    {{CONFIG_ROUTINE, CONFIG_DEBUG, CONFIG_ARRAY, CONFIG_OFFSET}, LEXAN_HEXADECIMAL, &C::routine_debug_array_offset},
};
// clang-format on

void Match_All(Lexan& lexer, std::initializer_list<int> kinds) {
  for (int kind : kinds) lexer.Lexan_Match(kind);
}

// Takes the value of the current token, then requires it to be of `kind`, so
// that a token of the wrong kind is refused by the match.
std::int32_t Take_Number(Lexan& lexer, int kind) {
  const auto value = static_cast<std::int32_t>(lexer.Lexan_Value());
  lexer.Lexan_Match(kind);
  return value;
}

std::string Take_String(Lexan& lexer) {
  std::string text(lexer.Lexan_String());
  lexer.Lexan_Match(LEXAN_STRING);
  return text;
}

}  // namespace

TemplateConfigParser::TemplateConfigParser(ErrorContext& errors, ErrorContext& notices)
    : errors_(errors), notices_(notices) {}

TemplateConfigParser::~TemplateConfigParser() = default;

void TemplateConfigParser::Read_Template_File(const std::filesystem::path& path) {
  lexer_.reset();
  // The entries of an earlier file never outlive a later parse, even one that
  // fails before its list is started.
  entry_names_.Clear();
  templates_.reset();
  directory_ = path.parent_path();
  file_ = path;

  // The lexer is closed and released however the parse ends.
  struct LexerRelease {
    std::unique_ptr<Lexan>& lexer;
    ~LexerRelease() {
      if (lexer) lexer->Lexan_Close_File();
      lexer.reset();
    }
  } release{lexer_};

  try {
    notices_.Report("Processing file: \"%s\"\n\n", platform::Path_Text(path).c_str());

    lexer_ = std::make_unique<Lexan>(errors_, kHint);
    const int context = lexer_->Lexan_Create_Context();
    for (LexanScanner scanner : kScanners) lexer_->Lexan_Add_Scanner(scanner);
    for (char special : kSpecials) lexer_->Lexan_Add_Special(special);
    for (const Keyword& keyword : kKeywords) lexer_->Lexan_Add_Keyword(keyword.text, keyword.kind);
    lexer_->Lexan_Set_Context(context);

    lexer_->Lexan_Open_File(path);
    Read_Template_List();
    lexer_->Lexan_Match(LEXAN_END_OF_FILE);

    notices_.Report("Number of lines processed: %d", lexer_->Lexan_Line());
  } catch (const BuildFailure&) {
    throw BuildFailure(lexer_ ? lexer_->Lexan_Line() : 0);
  }
}

void TemplateConfigParser::Read_Template_List() {
  // Installed before anything is read: a failed parse keeps the entries
  // completed before the error.
  templates_ = std::make_unique<TemplateList>();

  Match_All(*lexer_, {CONFIG_TEMPLATE, CONFIG_LIST, '{'});
  while (lexer_->Lexan_Token() != '}') {
    if (lexer_->Lexan_Token() != CONFIG_TEMPLATE) lexer_->Lexan_Expected({'}', CONFIG_TEMPLATE});
    entry_names_.Insert(templates_->Add(Read_Template_Entry()));
  }
  lexer_->Lexan_Match('}');
}

std::unique_ptr<TemplateConfig> TemplateConfigParser::Read_Template_Entry() {
  Lexan& lexer = *lexer_;
  auto entry = std::make_unique<TemplateConfig>();

  Match_All(lexer, {CONFIG_TEMPLATE, CONFIG_ENTRY});
  entry->name = lexer.Lexan_String();
  // Lookup yields the first entry of a name, so a second one could never be
  // chosen: it is refused while its name is the current token.
  if (lexer.Lexan_Token() == LEXAN_STRING && entry_names_.Find(entry->name) != nullptr)
    lexer.Lexan_Error("The template entry name '%s' had been defined previously.", entry->name.c_str());
  lexer.Lexan_Match(LEXAN_STRING);
  lexer.Lexan_Match('{');

  Match_All(lexer, {CONFIG_DLL, CONFIG_BLANK});
  entry->dll_blank = Take_String(lexer);
  lexer.Lexan_Match(';');

  for (const NumberStatement& statement : kNumberStatements) {
    for (int keyword : statement.keywords)
      if (keyword != 0) lexer.Lexan_Match(keyword);
    entry.get()->*statement.first = Take_Number(lexer, statement.first_kind);
    if (statement.rows != nullptr) {
      Match_All(lexer, {',', CONFIG_ROWS});
      entry.get()->*statement.rows = Take_Number(lexer, LEXAN_INTEGER);
    }
    if (statement.cols != nullptr) {
      Match_All(lexer, {',', CONFIG_COLS});
      entry.get()->*statement.cols = Take_Number(lexer, LEXAN_INTEGER);
    }
    lexer.Lexan_Match(';');
  }

  lexer.Lexan_Match('}');
  return entry;
}

}  // namespace kx
