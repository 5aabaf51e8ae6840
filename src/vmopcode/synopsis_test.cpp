#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "diagnostics/testing.h"
#include "vmopcode/vmopcode.h"

namespace kx {
namespace {

struct Operation {
  const char* name;
  int code;
  const char* operands;  // the synopsis after the name and its comma, as the operations bar shows it
};

// Every operation in token order, with its code and its synopsis worked out by hand.
// clang-format off
const Operation kOperations[kOpcodeCount] = {
    {"AddAmmo", 60, "Object,Integer"}, {"AddHealth", 59, "Object,Integer"},
    {"AddScrap", 95, "Integer,Integer"}, {"Add", 8, "Variable,Integer{,Variable}"},
    {"AddToPos", 117, "Integer,Integer,Integer,Position"}, {"AllLookAt", 49, "Integer,Object,Integer"},
    {"Ally", 69, "Integer,Integer"}, {"Attack", 4, "Object,Object,Integer"}, {"Audio", 32, "\"String\""},
    {"BeaconOn", 33, "Object"}, {"BeaconOff", 34, "Object"}, {"Build", 26, "Object,\"String\",Integer"},
    {"CamObject", 89, "Object,Position,Object,Integer"}, {"CamPos", 92, "Object,Position,Position,Integer"},
    {"CamPath", 90, "\"String\",Integer,Integer,Object"},
    {"CamPathDir", 91, "\"String\",Integer,Integer,[Boolean or Integer]"}, {"ChangeSide", 40, ""},
    {"Clear", 5, ""}, {"ClearTeamColor", 101, "Integer"}, {"ConsoleResult", 84, ""},
    {"ConsoleWord", 77, "\"String\""}, {"Create", 1, "Object,\"String\",Integer,Position"},
    {"Createp", 25, "Object,\"String\",Integer,\"String\""}, {"Defend", 28, "Object,Object,Integer"},
    {"Display", 6, "TextName,Color{,Variable{,Variable}}"}, {"DistObject", 21, "Object,Object"},
    {"DistPath", 22, "Object,\"String\""}, {"DropOff", 47, "Object,\"String\",Integer"},
    {"EjectPilot", 81, "Object"}, {"EvalPos", 114, "Position,Integer"},
    {"Fade", 116, "Integer,Integer,Integer"}, {"Fail", 18, "Integer,\"String\""},
    {"Follow", 3, "Object,Object,Integer"}, {"GetAlt", 105, "Position{,Position}"},
    {"GetByIndex", 127, "Object,Object,Variable"}, {"GetByLabel", 41, "Object,\"String\""},
    {"GetByTS", 7, "Object,Integer,Integer"}, {"GetCommand", 14, "Object"}, {"GetCompForce", 111, ""},
    {"GetCurAmmo", 55, "Object"}, {"GetCurHealth", 53, "Object"}, {"GetMaxHealth", 57, "Object"},
    {"GetMaxScrap", 98, "Integer"}, {"GetMySide", 112, ""}, {"GetIn", 45, "Object,Object,Integer"},
    {"GetMode", 113, ""}, {"GetMyForce", 110, ""}, {"GetPlayer", 23, "Object"},
    {"GetPos", 50, "Object,Position"}, {"GetScrap", 97, "Integer"}, {"GetRace", 126, "Object"},
    {"GetTarget", 106, "Object,Object"}, {"GetTeam", 61, "Object"}, {"GetTime", 99, ""},
    {"GetTimerTime", 72, ""}, {"GetTug", 93, "Object,Object"}, {"GiveWeapon", 80, "Object,\"String\""},
    {"GlobalSpeed", 85, "Integer"}, {"GoTo", 16, "Object,\"String\",Integer"},
    {"GoToo", 102, "Object,Object,Integer"}, {"HasCargo", 94, "Object"}, {"HasPilot", 51, "Object"},
    {"HealthPercent", 52, "Object"}, {"HopOut", 82, "Object"}, {"HoppedOutOf", 108, "Object,Object"},
    {"IfEQ", 12, "[Boolean or Integer],Label"}, {"IfGT", 11, "Integer,Label"}, {"IfLT", 10, "Integer,Label"},
    {"IfNE", 13, "[Boolean or Integer],Label"}, {"IsAlly", 109, "Object,Object"}, {"IsAround", 17, "Object"},
    {"IsDeployed", 78, "Object"}, {"IsODF", 29, "Object,\"String\""}, {"IsPerson", 104, "Object"},
    {"IsSelected", 79, "Object"}, {"JumpTo", 27, "Label"}, {"KillPilot", 107, "Object"},
    {"LookAt", 48, "Object,Object,Integer"}, {"Mine", 43, "Object,\"String\",Integer"},
    {"Mult", 115, "Variable,Integer{,Variable}"}, {"NearObject", 35, "Object,Object"},
    {"NearVehicle", 36, "Object,Object"}, {"NearVehiclep", 37, "Object,\"String\",Integer"},
    {"NearBuilding", 38, "Object,Object"}, {"NearEnemy", 39, "Object,Object"},
    {"OnDelObject", 121, "[0 or Integer,Routine,Object]"},
    {"OnNewObject", 120, "[0 or Integer,Routine,Object]"}, {"Patrol", 44, "Object,\"String\",Integer"},
    {"Pickup", 46, "Object,Object,Integer"}, {"PlaceAt", 64, "Object,Position"},
    {"PlaceAtP", 63, "Object,\"String\""}, {"PosAngle", 119, "Position,Variable,Variable,Position"},
    {"Quake", 74, "Integer"}, {"RandJump", 87, "Label{,Label{,Label{,Label}}}"},
    {"RandPos", 86, "Position,Position,Position"}, {"RandShift", 118, "Position,Integer,Integer,Position"},
    {"Remove", 103, "Object"}, {"RunSpeed", 9, "Routine,Integer,Boolean{,Boolean}"},
    {"Service", 42, "Object,Object,Integer"}, {"Set", 15, "Variable,Integer"},
    {"SetByIndex", 128, "Object,Variable,Object"}, {"SetCurAmmo", 56, "Object,Integer"},
    {"SetCurHealth", 54, "Object,Integer"}, {"SetPos", 88, "Position,Integer,Integer,Integer"},
    {"SetMaxHealth", 58, "Object,Integer"}, {"SetGroup", 24, "Object,Integer"},
    {"SetName", 83, "Object,\"String\""}, {"SetPlan", 68, "\"String\",Integer"},
    {"SetScrap", 96, "Integer,Integer"}, {"SetSkill", 124, "Object,Integer"},
    {"SetStep", 31, "Routine,Label"}, {"SetPTeam", 67, "Object,Integer"}, {"SetTeam", 62, "Object,Integer"},
    {"SetWeapon", 125, "Object,Integer"}, {"ShotBy", 66, "Object,Object"}, {"StartSound", 122, "\"String\""},
    {"StartTimer", 71, "Integer"}, {"Stop", 20, "Object,Integer"}, {"StopSound", 123, "Variable"},
    {"StopQuake", 76, ""}, {"StopTimer", 73, ""}, {"StoreResult", 30, "Variable"},
    {"Succeed", 19, "Integer,\"String\""}, {"TeamColor", 100, "Integer,Integer,Integer,Integer"},
    {"UnAlly", 70, "Integer,Integer"}, {"UnitSpeed", 65, "Object,Integer,Integer,Integer"},
    {"UpdateQuake", 75, "Integer"}, {"Wait", 2, "Integer"},
};
// clang-format on

TEST(Synopsis, EveryOperationInTokenOrder) {
  testing::CapturedContext ctx(true);
  VMOpcode catalogue(ctx.context);
  int position = 0;
  for (const OpcodeRecord* record = catalogue.by_token().First(); record != nullptr;
       record = catalogue.by_token().Next(*record), ++position) {
    ASSERT_LT(position, kOpcodeCount);
    const Operation& expected = kOperations[position];
    EXPECT_EQ(record->token, 1024 + position);
    EXPECT_EQ(record->name, expected.name);
    EXPECT_EQ(record->code, expected.code) << expected.name;
    const std::string operands = expected.operands;
    EXPECT_EQ(catalogue.Synopsis(expected.name), record->name + (operands.empty() ? "" : "," + operands));
    EXPECT_EQ(catalogue.Operand_Synopsis(expected.name), operands);
  }
  EXPECT_EQ(position, kOpcodeCount);
  for (const char* name : {"", "wait", "WAIT", "Waitt", "Wait ", "NoSuchOperation"}) {
    EXPECT_EQ(catalogue.Synopsis(name), "") << name;
    EXPECT_EQ(catalogue.Operand_Synopsis(name), "") << name;
  }
  EXPECT_TRUE(ctx.entries.empty());
}

OpcodeRecord Record(const char* name, std::array<VMOpcode_Operand_Type, 4> types) {
  OpcodeRecord record;
  record.name = name;
  record.operand_types = types;
  return record;
}

// Shapes that the catalogue itself does not contain.
TEST(Synopsis, ShapesOutsideTheCatalogue) {
  testing::CapturedContext ctx(true);
  VMOpcode catalogue(ctx.context);
  EXPECT_EQ(catalogue.Synopsis_Of(Record("Opt", {128, 1152, 0, 0})), "Opt,Integer{,Integer}");
  EXPECT_EQ(catalogue.Synopsis_Of(Record("Tail", {16, 2176, 1, 0})),
            "Tail,[Routine,0 or Routine,Integer,Object]");
  EXPECT_EQ(catalogue.Synopsis_Of(Record("Gap", {1, 0, 2, 0})), "Gap,Object");
  EXPECT_EQ(catalogue.Synopsis_Of(Record("", {2176, 0, 0, 0})), ",[0 or Integer]");
}

// The source line of the one raise site in the synopsis module.
int Raise_Site_Line() {
  std::ifstream source(KX_VMOPCODE_SOURCE_DIR "/synopsis.cpp");
  std::string text;
  for (int line = 1; std::getline(source, text); ++line)
    if (text.find("Set_Location(__LINE__") != std::string::npos) return line;
  return -1;
}

TEST(Synopsis, IllegalOperandTypeIsRaised) {
  const std::pair<std::array<VMOpcode_Operand_Type, 4>, const char*> cases[] = {
      {{1, 3, 0, 0}, "Illegal operand type (\"Bogus\", 3)"},
      {{1024, 0, 0, 0}, "Illegal operand type (\"Bogus\", 1024)"},
      // Reading 1 stops at the zero-ending integer; reading 2 still meets the bad slot.
      {{2176, 16, -1, 0}, "Illegal operand type (\"Bogus\", -1)"},
  };
  for (const auto& [types, message] : cases) {
    testing::CapturedContext ctx(true);
    VMOpcode catalogue(ctx.context);
    EXPECT_THROW(catalogue.Synopsis_Of(Record("Bogus", types)), BuildFailure);
    EXPECT_EQ(ctx.entries, (std::vector<std::string>{"File    : vmopcode/vmopcode",
                                                     "Line    : " + std::to_string(Raise_Site_Line()),
                                                     "Routine : VMOpcode::Synopsis", "", message}));
  }
}

}  // namespace
}  // namespace kx
