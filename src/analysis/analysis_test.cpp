#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include "diagnostics/testing.h"
#include "vmobject/vmobject.h"

namespace kx {
namespace {

const std::string kHead = "[objects]\ntank\n[positions]\nbase,1,2,3\n[variables]\ncount,0\n[text]\nintro,\"a\\nb\"\n";

// The place of the "|" in `marked`, and the text without it.
std::tuple<std::string, int, int> Caret(const std::string& marked) {
  const std::size_t at = marked.find('|');
  const std::string before = marked.substr(0, at);
  const int line = 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
  const std::size_t line_start = before.rfind('\n') == std::string::npos ? 0 : before.rfind('\n') + 1;
  return {before + marked.substr(at + 1), line, static_cast<int>(at - line_start) + 1};
}

TEST(Analysis, ClassesEveryToken) {
  const std::string text = kHead + "[routine,Main,-1,true] // go\nstart:\tDisplay,intro,red,count\n JumpTo,start\n";
  const ScriptAnalysis analysis = Analyse_Script(text, Unlimited_Template());
  std::string classes;
  for (const ScriptToken& token : analysis.tokens())
    classes += std::string(analysis.Text_Of(token)) + "=" + std::to_string(static_cast<int>(token.token_class)) +
               (token.definition ? "*" : "") + " ";
  // 0 section header, 1 routine header, 2 operation, 3 routine, 4 label, 5 object, 6 position, 7 variable,
  // 8 text, 10 number, 11 string, 12 escape, 13 boolean, 14 constant, 15 comment, 16 punctuation.
  EXPECT_EQ(classes,
            "[=0 objects=0 ]=0 tank=5* [=0 positions=0 ]=0 base=6* ,=16 1=10 ,=16 2=10 ,=16 3=10 [=0 variables=0 "
            "]=0 count=7* ,=16 0=10 [=0 text=0 ]=0 intro=8* ,=16 \"a=11 \\n=12 b\"=11 [=1 routine=1 ,=16 Main=3* "
            ",=16 -=10 1=10 ,=16 true=13 ]=1 // go=15 start=4* :=16 Display=2 ,=16 intro=8 ,=16 red=14 ,=16 "
            "count=7 JumpTo=2 ,=16 start=4 ");
  const int display = analysis.Token_At(10, 8);  // after "start:" and a tab: byte column 8, lexer column 9
  ASSERT_GE(display, 0);
  EXPECT_EQ(analysis.Text_Of(analysis.tokens()[static_cast<std::size_t>(display)]), "Display");
}

struct DiagnosticCase {
  std::string body;  // after kHead
  int line, column, length;
  std::string message;
};

TEST(Analysis, ReportsWhatTheBuildReportsWhereItPoints) {
  const std::vector<DiagnosticCase> cases = {
      {"[routine,Main,1,true]\nWait,x\n", 10, 6, 1, "Found a literal when expecting an integer, or '-'."},
      {"[routine,Main,1,true]\nAttack,tank,ghost,1\n", 10, 13, 5, "The symbol 'ghost' not defined in 'object' list."},
      {"[routine,Main,1,true]\nWait,5 %\n", 10, 8, 1, "Invalid lexeme."},
      {"[routine,Main,1,true]\n  JumpTo,nowhere\n", 10, 10, 7, "Location label 'nowhere' not defined in routine 'Main'."},
      {"[routine,Main,1,true]\n[routine,Main,1,true]\n", 10, 10, 4, "The routine label 'Main' had been defined previously."},
      {"[routine,Main,1,true]\nSetStep,Other,x\n", 10, 9, 5, "Routine label 'Other' not defined."},
  };
  for (const DiagnosticCase& c : cases) {
    SCOPED_TRACE(c.body);
    const ScriptAnalysis analysis = Analyse_Script(kHead + c.body, Unlimited_Template());
    ASSERT_TRUE(analysis.error().has_value());
    const ScriptDiagnostic& error = *analysis.error();
    EXPECT_EQ(std::tie(error.line, error.column, error.length, error.message),
              std::tie(c.line, c.column, c.length, c.message));
  }
  EXPECT_FALSE(Analyse_Script(kHead + "[routine,Main,1,true]\nWait,5\n", Unlimited_Template()).error());
}

TEST(Analysis, AppliesTheTemplateLimits) {
  TemplateConfig small = Unlimited_Template();
  small.step_data_array_rows = 2;
  const ScriptAnalysis analysis = Analyse_Script(kHead + "[routine,Main,1,true]\nWait,1\nWait,2\n", small);
  ASSERT_TRUE(analysis.error());
  EXPECT_EQ(analysis.error()->line, 11);
  EXPECT_EQ(analysis.error()->message,
            "Number of opcodes including the terminating halt instruction for each routine exceeds the storage "
            "limit of 2 opcodes set for the target template DLL output file.");
}

TEST(Analysis, FindsSymbolsWarningsAndReferences) {
  const std::string text = kHead + "[routine,Main,1,true]\nstart: Wait,1\nspare: Wait,2\n"
                                    "[routine,Next,2,false,true]\nSetStep,Main,start\nAttack,tank,tank,1\n";
  const ScriptAnalysis analysis = Analyse_Script(text, Unlimited_Template());
  std::string symbols;
  for (const ScriptSymbol& symbol : analysis.symbols())
    symbols += symbol.name + "@" + std::to_string(symbol.line) + ":" + std::to_string(symbol.column) + "[" +
               symbol.detail + "] ";
  EXPECT_EQ(symbols,
            "Main@9:10[speed 1, priority true, debug false] Next@12:10[speed 2, priority false, debug true] "
            "tank@2:1[] base@4:1[1, 2, 3] count@6:1[0] intro@8:1[\"a\\nb\"] start@10:1[] spare@11:1[] ");
  std::vector<std::string> warnings;
  for (const ScriptDiagnostic& warning : analysis.warnings()) warnings.push_back(warning.message);
  EXPECT_EQ(warnings, (std::vector<std::string>{"The position 'base' is never used.",
                                                "The variable 'count' is never used.", "The text 'intro' is never used.",
                                                "The location label 'spare' is never used."}));
  // SetStep names a label of the routine it names.
  const int start = analysis.Symbol_At(13, 15);
  ASSERT_GE(start, 0);
  EXPECT_EQ(analysis.symbols()[static_cast<std::size_t>(start)].line, 10);
  EXPECT_EQ(analysis.References_To(start).size(), 2u);
  EXPECT_EQ(analysis.References_To(analysis.Symbol_At(14, 13)).size(), 3u);  // tank
}

struct ContextCase {
  std::string marked;  // routine lines after kHead, "|" at the caret
  PositionContext::Where where;
  const char* operation;
  int slot;
  OperandKind kind;
};

TEST(Analysis, TellsWhatTheCatalogueExpectsAtTheCaret) {
  using enum PositionContext::Where;
  const std::vector<ContextCase> cases = {
      {"[routine,Main,1,true]\n|", StepStart, "", -1, OperandKind::Integer},
      {"[routine,Main,1,true]\nWa|", StepStart, "", -1, OperandKind::Integer},
      {"[routine,Main,1,true]\nWait|", Operation, "Wait", -1, OperandKind::Integer},
      {"[routine,Main,1,true]\nAttack,|", Operand, "Attack", 0, OperandKind::Object},
      {"[routine,Main,1,true]\nAttack,tank,ta|", Operand, "Attack", 1, OperandKind::Object},
      {"[routine,Main,1,true]\nDisplay,intro,|", Operand, "Display", 1, OperandKind::Color},
      {"[routine,Main,1,true]\nx: SetStep,Main,|", Operand, "SetStep", 1, OperandKind::Label},
      {"[routine,Main,1,true]\nWait,5 |", StepStart, "", -1, OperandKind::Integer},
      {"[routine,Main,1,true]\nWait,5 // |", Elsewhere, "", -1, OperandKind::Integer},
      {"[routine,Ma|in,1,true]\n", Elsewhere, "", -1, OperandKind::Integer},
  };
  for (const ContextCase& c : cases) {
    SCOPED_TRACE(c.marked);
    const auto [text, line, column] = Caret(kHead + c.marked);
    const PositionContext context = Analyse_Script(text, Unlimited_Template()).Context_At(line, column);
    EXPECT_EQ(context.where, c.where);
    EXPECT_STREQ(context.operation ? context.operation->name : "", c.operation);
    EXPECT_EQ(context.slot, c.slot);
    if (c.where == Operand) {
      EXPECT_EQ(context.expected->kind, c.kind);
    }
  }
}

// The analysis and the build driver go through the same reader: same message, same line.
TEST(Analysis, AgreesWithTheBuild) {
  testing::TempDir dir;
  const auto conf = dir.Write("Kestrix.conf",
                              "template list { template entry \"big\" { dll blank \"none.dll\"; max routine count 9;"
                              " max object count 9; step data array offset 0x0, rows 99; routine count offset 0x0;"
                              " position array offset 0x0, rows 9; name array offset 0x0, rows 9, cols 9;"
                              " routine speed array offset 0x0; integer array offset 0x0, rows 9;"
                              " routine priority array offset 0x0; routine offset array offset 0x0;"
                              " objective array offset 0x0, rows 9, cols 9; routine debug array offset 0x0; } }");
  testing::CapturedContext errors(true), notices(false);
  TemplateConfigParser parser(errors.context, notices.context);
  parser.Read_Template_File(conf.string());
  for (const std::string body : {"[routine,Main,1,true]\nWait,1\nAttack,tank,nobody,2\n",
                                 "[routine,Main,1,true]\nJumpTo,x\n", "[routine,Main,1,true]\nWait,\"s\"\n"}) {
    const auto script = dir.Write("agree.kxs", kHead + body);
    VMObject vmobject(errors.context, notices.context, parser);
    errors.entries.clear();
    int line = -1;
    try {
      vmobject.VMBuild(script.string(), "big", VMBUILD_DLL);
    } catch (const BuildFailure& failure) {
      line = failure.line();
    }
    const ScriptAnalysis analysis = Analyse_Script(kHead + body, *parser.templates()->First());
    ASSERT_TRUE(analysis.error());
    EXPECT_EQ(analysis.error()->line, line);
    ASSERT_FALSE(errors.entries.empty());
    EXPECT_EQ(analysis.error()->message, errors.entries[0]);
  }
}

}  // namespace
}  // namespace kx
