#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "vmobject/testing.h"
#include "vmopcode/vmopcode.h"

namespace kx {
namespace {

struct ExampleCase {
  const char* name;
  const char* synopsis;
  const char* bar;
};

// The examples shown to users, with the operations-bar text beside each.
TEST(Synopsis, Examples) {
  const ExampleCase cases[] = {
      {"AddAmmo", "AddAmmo,Object,Integer", "Object,Integer"},
      {"Audio", "Audio,\"String\"", "\"String\""},
      {"ChangeSide", "ChangeSide", ""},
      {"Add", "Add,Variable,Integer{,Variable}", "Variable,Integer{,Variable}"},
      {"Display", "Display,TextName,Color{,Variable{,Variable}}", "TextName,Color{,Variable{,Variable}}"},
      {"GetAlt", "GetAlt,Position{,Position}", "Position{,Position}"},
      {"RandJump", "RandJump,Label{,Label{,Label{,Label}}}", "Label{,Label{,Label{,Label}}}"},
      {"RunSpeed", "RunSpeed,Routine,Integer,Boolean{,Boolean}", "Routine,Integer,Boolean{,Boolean}"},
      {"IfEQ", "IfEQ,[Boolean or Integer],Label", "[Boolean or Integer],Label"},
      {"CamPathDir", "CamPathDir,\"String\",Integer,Integer,[Boolean or Integer]",
       "\"String\",Integer,Integer,[Boolean or Integer]"},
      {"OnNewObject", "OnNewObject,[0 or Integer,Routine,Object]", "[0 or Integer,Routine,Object]"},
      {"Wait", "Wait,Integer", "Integer"},
  };
  testing::CapturedContext ctx(true);
  VMOpcode catalogue(ctx.context);
  for (const ExampleCase& c : cases) {
    EXPECT_EQ(catalogue.Synopsis(c.name), c.synopsis) << c.name;
    EXPECT_EQ(catalogue.Operand_Synopsis(c.name), c.bar) << c.name;
  }
  EXPECT_TRUE(ctx.entries.empty());
}

struct Operation {
  const char* name;
  int code;
  const char* synopsis;
};

// Every operation in token order, with its code and its synopsis worked out by hand.
const Operation kOperations[kOpcodeCount] = {
    {"AddAmmo", 60, "AddAmmo,Object,Integer"},
    {"AddHealth", 59, "AddHealth,Object,Integer"},
    {"AddScrap", 95, "AddScrap,Integer,Integer"},
    {"Add", 8, "Add,Variable,Integer{,Variable}"},
    {"AddToPos", 117, "AddToPos,Integer,Integer,Integer,Position"},
    {"AllLookAt", 49, "AllLookAt,Integer,Object,Integer"},
    {"Ally", 69, "Ally,Integer,Integer"},
    {"Attack", 4, "Attack,Object,Object,Integer"},
    {"Audio", 32, "Audio,\"String\""},
    {"BeaconOn", 33, "BeaconOn,Object"},
    {"BeaconOff", 34, "BeaconOff,Object"},
    {"Build", 26, "Build,Object,\"String\",Integer"},
    {"CamObject", 89, "CamObject,Object,Position,Object,Integer"},
    {"CamPos", 92, "CamPos,Object,Position,Position,Integer"},
    {"CamPath", 90, "CamPath,\"String\",Integer,Integer,Object"},
    {"CamPathDir", 91, "CamPathDir,\"String\",Integer,Integer,[Boolean or Integer]"},
    {"ChangeSide", 40, "ChangeSide"},
    {"Clear", 5, "Clear"},
    {"ClearTeamColor", 101, "ClearTeamColor,Integer"},
    {"ConsoleResult", 84, "ConsoleResult"},
    {"ConsoleWord", 77, "ConsoleWord,\"String\""},
    {"Create", 1, "Create,Object,\"String\",Integer,Position"},
    {"Createp", 25, "Createp,Object,\"String\",Integer,\"String\""},
    {"Defend", 28, "Defend,Object,Object,Integer"},
    {"Display", 6, "Display,TextName,Color{,Variable{,Variable}}"},
    {"DistObject", 21, "DistObject,Object,Object"},
    {"DistPath", 22, "DistPath,Object,\"String\""},
    {"DropOff", 47, "DropOff,Object,\"String\",Integer"},
    {"EjectPilot", 81, "EjectPilot,Object"},
    {"EvalPos", 114, "EvalPos,Position,Integer"},
    {"Fade", 116, "Fade,Integer,Integer,Integer"},
    {"Fail", 18, "Fail,Integer,\"String\""},
    {"Follow", 3, "Follow,Object,Object,Integer"},
    {"GetAlt", 105, "GetAlt,Position{,Position}"},
    {"GetByIndex", 127, "GetByIndex,Object,Object,Variable"},
    {"GetByLabel", 41, "GetByLabel,Object,\"String\""},
    {"GetByTS", 7, "GetByTS,Object,Integer,Integer"},
    {"GetCommand", 14, "GetCommand,Object"},
    {"GetCompForce", 111, "GetCompForce"},
    {"GetCurAmmo", 55, "GetCurAmmo,Object"},
    {"GetCurHealth", 53, "GetCurHealth,Object"},
    {"GetMaxHealth", 57, "GetMaxHealth,Object"},
    {"GetMaxScrap", 98, "GetMaxScrap,Integer"},
    {"GetMySide", 112, "GetMySide"},
    {"GetIn", 45, "GetIn,Object,Object,Integer"},
    {"GetMode", 113, "GetMode"},
    {"GetMyForce", 110, "GetMyForce"},
    {"GetPlayer", 23, "GetPlayer,Object"},
    {"GetPos", 50, "GetPos,Object,Position"},
    {"GetScrap", 97, "GetScrap,Integer"},
    {"GetRace", 126, "GetRace,Object"},
    {"GetTarget", 106, "GetTarget,Object,Object"},
    {"GetTeam", 61, "GetTeam,Object"},
    {"GetTime", 99, "GetTime"},
    {"GetTimerTime", 72, "GetTimerTime"},
    {"GetTug", 93, "GetTug,Object,Object"},
    {"GiveWeapon", 80, "GiveWeapon,Object,\"String\""},
    {"GlobalSpeed", 85, "GlobalSpeed,Integer"},
    {"GoTo", 16, "GoTo,Object,\"String\",Integer"},
    {"GoToo", 102, "GoToo,Object,Object,Integer"},
    {"HasCargo", 94, "HasCargo,Object"},
    {"HasPilot", 51, "HasPilot,Object"},
    {"HealthPercent", 52, "HealthPercent,Object"},
    {"HopOut", 82, "HopOut,Object"},
    {"HoppedOutOf", 108, "HoppedOutOf,Object,Object"},
    {"IfEQ", 12, "IfEQ,[Boolean or Integer],Label"},
    {"IfGT", 11, "IfGT,Integer,Label"},
    {"IfLT", 10, "IfLT,Integer,Label"},
    {"IfNE", 13, "IfNE,[Boolean or Integer],Label"},
    {"IsAlly", 109, "IsAlly,Object,Object"},
    {"IsAround", 17, "IsAround,Object"},
    {"IsDeployed", 78, "IsDeployed,Object"},
    {"IsODF", 29, "IsODF,Object,\"String\""},
    {"IsPerson", 104, "IsPerson,Object"},
    {"IsSelected", 79, "IsSelected,Object"},
    {"JumpTo", 27, "JumpTo,Label"},
    {"KillPilot", 107, "KillPilot,Object"},
    {"LookAt", 48, "LookAt,Object,Object,Integer"},
    {"Mine", 43, "Mine,Object,\"String\",Integer"},
    {"Mult", 115, "Mult,Variable,Integer{,Variable}"},
    {"NearObject", 35, "NearObject,Object,Object"},
    {"NearVehicle", 36, "NearVehicle,Object,Object"},
    {"NearVehiclep", 37, "NearVehiclep,Object,\"String\",Integer"},
    {"NearBuilding", 38, "NearBuilding,Object,Object"},
    {"NearEnemy", 39, "NearEnemy,Object,Object"},
    {"OnDelObject", 121, "OnDelObject,[0 or Integer,Routine,Object]"},
    {"OnNewObject", 120, "OnNewObject,[0 or Integer,Routine,Object]"},
    {"Patrol", 44, "Patrol,Object,\"String\",Integer"},
    {"Pickup", 46, "Pickup,Object,Object,Integer"},
    {"PlaceAt", 64, "PlaceAt,Object,Position"},
    {"PlaceAtP", 63, "PlaceAtP,Object,\"String\""},
    {"PosAngle", 119, "PosAngle,Position,Variable,Variable,Position"},
    {"Quake", 74, "Quake,Integer"},
    {"RandJump", 87, "RandJump,Label{,Label{,Label{,Label}}}"},
    {"RandPos", 86, "RandPos,Position,Position,Position"},
    {"RandShift", 118, "RandShift,Position,Integer,Integer,Position"},
    {"Remove", 103, "Remove,Object"},
    {"RunSpeed", 9, "RunSpeed,Routine,Integer,Boolean{,Boolean}"},
    {"Service", 42, "Service,Object,Object,Integer"},
    {"Set", 15, "Set,Variable,Integer"},
    {"SetByIndex", 128, "SetByIndex,Object,Variable,Object"},
    {"SetCurAmmo", 56, "SetCurAmmo,Object,Integer"},
    {"SetCurHealth", 54, "SetCurHealth,Object,Integer"},
    {"SetPos", 88, "SetPos,Position,Integer,Integer,Integer"},
    {"SetMaxHealth", 58, "SetMaxHealth,Object,Integer"},
    {"SetGroup", 24, "SetGroup,Object,Integer"},
    {"SetName", 83, "SetName,Object,\"String\""},
    {"SetPlan", 68, "SetPlan,\"String\",Integer"},
    {"SetScrap", 96, "SetScrap,Integer,Integer"},
    {"SetSkill", 124, "SetSkill,Object,Integer"},
    {"SetStep", 31, "SetStep,Routine,Label"},
    {"SetPTeam", 67, "SetPTeam,Object,Integer"},
    {"SetTeam", 62, "SetTeam,Object,Integer"},
    {"SetWeapon", 125, "SetWeapon,Object,Integer"},
    {"ShotBy", 66, "ShotBy,Object,Object"},
    {"StartSound", 122, "StartSound,\"String\""},
    {"StartTimer", 71, "StartTimer,Integer"},
    {"Stop", 20, "Stop,Object,Integer"},
    {"StopSound", 123, "StopSound,Variable"},
    {"StopQuake", 76, "StopQuake"},
    {"StopTimer", 73, "StopTimer"},
    {"StoreResult", 30, "StoreResult,Variable"},
    {"Succeed", 19, "Succeed,Integer,\"String\""},
    {"TeamColor", 100, "TeamColor,Integer,Integer,Integer,Integer"},
    {"UnAlly", 70, "UnAlly,Integer,Integer"},
    {"UnitSpeed", 65, "UnitSpeed,Object,Integer,Integer,Integer"},
    {"UpdateQuake", 75, "UpdateQuake,Integer"},
    {"Wait", 2, "Wait,Integer"},
};

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
    const std::string synopsis = catalogue.Synopsis(expected.name);
    EXPECT_EQ(synopsis, expected.synopsis);
    // The bar text is what follows the name and its comma.
    const std::string bar = catalogue.Operand_Synopsis(expected.name);
    EXPECT_EQ(record->name + (bar.empty() ? "" : "," + bar), synopsis);
    // Blanks appear only in "[Boolean or Integer]" and around the "or" of two readings.
    std::string rest = synopsis;
    for (const std::string allowed : {"[Boolean or Integer]", " or "}) {
      for (auto at = rest.find(allowed); at != std::string::npos; at = rest.find(allowed))
        rest.erase(at, allowed.size());
    }
    EXPECT_EQ(rest.find(' '), std::string::npos) << synopsis;
  }
  EXPECT_EQ(position, kOpcodeCount);
}

TEST(Synopsis, NameThatIsNoOperationGivesEmptyText) {
  testing::CapturedContext ctx(true);
  VMOpcode catalogue(ctx.context);
  for (const char* name : {"", "wait", "WAIT", "Wai", "Waitt", "Wait ", "NoSuchOperation"}) {
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
  for (int line = 1; std::getline(source, text); ++line) {
    if (text.find("Set_Location(__LINE__") != std::string::npos) return line;
  }
  return -1;
}

TEST(Synopsis, IllegalOperandTypeIsRaised) {
  struct Case {
    std::array<VMOpcode_Operand_Type, 4> types;
    const char* message;
  };
  const Case cases[] = {
      {{1, 3, 0, 0}, "Illegal operand type (\"Bogus\", 3)"},
      {{1024, 0, 0, 0}, "Illegal operand type (\"Bogus\", 1024)"},
      // Reading 1 stops at the zero-ending integer; reading 2 still meets the bad slot.
      {{2176, 16, -1, 0}, "Illegal operand type (\"Bogus\", -1)"},
  };
  for (const Case& c : cases) {
    testing::CapturedContext ctx(true);
    VMOpcode catalogue(ctx.context);
    try {
      catalogue.Synopsis_Of(Record("Bogus", c.types));
      ADD_FAILURE() << c.message;
    } catch (const BuildFailure& failure) {
      EXPECT_EQ(failure.line(), 0);
    }
    ASSERT_EQ(ctx.entries.size(), 5u) << ctx.Text();
    EXPECT_EQ(ctx.entries[0], "File    : vmopcode/vmopcode");
    EXPECT_EQ(ctx.entries[1], "Line    : " + std::to_string(Raise_Site_Line()));
    EXPECT_EQ(ctx.entries[2], "Routine : VMOpcode::Synopsis");
    EXPECT_EQ(ctx.entries[3], "");
    EXPECT_EQ(ctx.entries[4], c.message);
  }
}

}  // namespace
}  // namespace kx
