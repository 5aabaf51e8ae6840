#include "vmopcode/vmopcode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "diagnostics/testing.h"

namespace kx {
namespace {

// Every operation in token order, worked out by hand: its synopsis (the name, then its operands) and its
// code.
// clang-format off
const char* const kSynopses[kOpcodeCount] = {
    "AddAmmo,Object,Integer", "AddHealth,Object,Integer", "AddScrap,Integer,Integer",
    "Add,Variable,Integer{,Variable}", "AddToPos,Integer,Integer,Integer,Position",
    "AllLookAt,Integer,Object,Integer", "Ally,Integer,Integer", "Attack,Object,Object,Integer",
    "Audio,\"String\"", "BeaconOn,Object", "BeaconOff,Object", "Build,Object,\"String\",Integer",
    "CamObject,Object,Position,Object,Integer", "CamPos,Object,Position,Position,Integer",
    "CamPath,\"String\",Integer,Integer,Object", "CamPathDir,\"String\",Integer,Integer,[Boolean or Integer]",
    "ChangeSide", "Clear", "ClearTeamColor,Integer", "ConsoleResult", "ConsoleWord,\"String\"",
    "Create,Object,\"String\",Integer,Position", "Createp,Object,\"String\",Integer,\"String\"",
    "Defend,Object,Object,Integer", "Display,TextName,Color{,Variable{,Variable}}",
    "DistObject,Object,Object", "DistPath,Object,\"String\"", "DropOff,Object,\"String\",Integer",
    "EjectPilot,Object", "EvalPos,Position,Integer", "Fade,Integer,Integer,Integer",
    "Fail,Integer,\"String\"", "Follow,Object,Object,Integer", "GetAlt,Position{,Position}",
    "GetByIndex,Object,Object,Variable", "GetByLabel,Object,\"String\"", "GetByTS,Object,Integer,Integer",
    "GetCommand,Object", "GetCompForce", "GetCurAmmo,Object", "GetCurHealth,Object", "GetMaxHealth,Object",
    "GetMaxScrap,Integer", "GetMySide", "GetIn,Object,Object,Integer", "GetMode", "GetMyForce",
    "GetPlayer,Object", "GetPos,Object,Position", "GetScrap,Integer", "GetRace,Object",
    "GetTarget,Object,Object", "GetTeam,Object", "GetTime", "GetTimerTime", "GetTug,Object,Object",
    "GiveWeapon,Object,\"String\"", "GlobalSpeed,Integer", "GoTo,Object,\"String\",Integer",
    "GoToo,Object,Object,Integer", "HasCargo,Object", "HasPilot,Object", "HealthPercent,Object",
    "HopOut,Object", "HoppedOutOf,Object,Object", "IfEQ,[Boolean or Integer],Label", "IfGT,Integer,Label",
    "IfLT,Integer,Label", "IfNE,[Boolean or Integer],Label", "IsAlly,Object,Object", "IsAround,Object",
    "IsDeployed,Object", "IsODF,Object,\"String\"", "IsPerson,Object", "IsSelected,Object", "JumpTo,Label",
    "KillPilot,Object", "LookAt,Object,Object,Integer", "Mine,Object,\"String\",Integer",
    "Mult,Variable,Integer{,Variable}", "NearObject,Object,Object", "NearVehicle,Object,Object",
    "NearVehiclep,Object,\"String\",Integer", "NearBuilding,Object,Object", "NearEnemy,Object,Object",
    "OnDelObject,[0 or Integer,Routine,Object]", "OnNewObject,[0 or Integer,Routine,Object]",
    "Patrol,Object,\"String\",Integer", "Pickup,Object,Object,Integer", "PlaceAt,Object,Position",
    "PlaceAtP,Object,\"String\"", "PosAngle,Position,Variable,Variable,Position", "Quake,Integer",
    "RandJump,Label{,Label{,Label{,Label}}}", "RandPos,Position,Position,Position",
    "RandShift,Position,Integer,Integer,Position", "Remove,Object",
    "RunSpeed,Routine,Integer,Boolean{,Boolean}", "Service,Object,Object,Integer", "Set,Variable,Integer",
    "SetByIndex,Object,Variable,Object", "SetCurAmmo,Object,Integer", "SetCurHealth,Object,Integer",
    "SetPos,Position,Integer,Integer,Integer", "SetMaxHealth,Object,Integer", "SetGroup,Object,Integer",
    "SetName,Object,\"String\"", "SetPlan,\"String\",Integer", "SetScrap,Integer,Integer",
    "SetSkill,Object,Integer", "SetStep,Routine,Label", "SetPTeam,Object,Integer", "SetTeam,Object,Integer",
    "SetWeapon,Object,Integer", "ShotBy,Object,Object", "StartSound,\"String\"", "StartTimer,Integer",
    "Stop,Object,Integer", "StopSound,Variable", "StopQuake", "StopTimer", "StoreResult,Variable",
    "Succeed,Integer,\"String\"", "TeamColor,Integer,Integer,Integer,Integer", "UnAlly,Integer,Integer",
    "UnitSpeed,Object,Integer,Integer,Integer", "UpdateQuake,Integer", "Wait,Integer",
};
// clang-format on
const int kCodes[kOpcodeCount] = {
    60, 59,  95,  8,   117, 49,  69,  4,   32,  33, 34,  26,  89,  92,  90, 91,  40,  5,  101, 84,  77,  1,
    25, 28,  6,   21,  22,  47,  81,  114, 116, 18, 3,   105, 127, 41,  7,  14,  111, 55, 53,  57,  98,  112,
    45, 113, 110, 23,  50,  97,  126, 106, 61,  99, 72,  93,  80,  85,  16, 102, 94,  51, 52,  82,  108, 12,
    11, 10,  13,  109, 17,  78,  29,  104, 79,  27, 107, 48,  43,  115, 35, 36,  37,  38, 39,  121, 120, 44,
    46, 64,  63,  119, 74,  87,  86,  118, 103, 9,  42,  15,  128, 56,  54, 88,  58,  24, 83,  68,  96,  124,
    31, 67,  62,  125, 66,  122, 71,  20,  123, 76, 73,  30,  19,  100, 70, 65,  75,  2};

TEST(Catalogue, EveryOperationInTokenOrder) {
  testing::CapturedContext ctx(true);
  VMOpcode catalogue(ctx.context);
  int position = 0;
  for (const OpcodeRecord* record = catalogue.by_token().First(); record != nullptr;
       record = catalogue.by_token().Next(*record), ++position) {
    ASSERT_LT(position, kOpcodeCount);
    const std::string synopsis = kSynopses[position], name = synopsis.substr(0, synopsis.find(','));
    EXPECT_EQ(record->name, name);
    EXPECT_EQ(record->code, kCodes[position]) << name;
    EXPECT_EQ(record->token, kFirstOpcodeToken + position);
    EXPECT_EQ(catalogue.Find_Opcode_By_Token(record->token)->name, name);
    EXPECT_EQ(catalogue.Find_Opcode_By_Name(name)->token, record->token);
    EXPECT_EQ(catalogue.Synopsis(name), synopsis);
    EXPECT_EQ(catalogue.Operand_Synopsis(name), synopsis.substr(std::min(synopsis.size(), name.size() + 1)));
  }
  EXPECT_EQ(position, kOpcodeCount);
  EXPECT_TRUE(ctx.entries.empty());
}

TEST(Catalogue, LookupsAreExactAndNamesWalkInByteOrder) {
  testing::CapturedContext ctx(true);
  VMOpcode catalogue(ctx.context);
  for (int token : {kFirstOpcodeToken - 1, kFirstOpcodeToken + kOpcodeCount})
    EXPECT_EQ(catalogue.Find_Opcode_By_Token(token), nullptr);
  for (const char* name : {"wait", "Wai", "Waitt", ""}) {
    EXPECT_EQ(catalogue.Find_Opcode_By_Name(name), nullptr);
    EXPECT_EQ(catalogue.Synopsis(name) + catalogue.Operand_Synopsis(name), "");
  }
  // Upper case before lower case, and a name before the longer names it begins.
  std::vector<std::string> names(std::begin(kSynopses), std::end(kSynopses)), walk;
  for (std::string& name : names)
    name.resize(name.find(',') == std::string::npos ? name.size() : name.find(','));
  std::sort(names.begin(), names.end());
  for (const OpcodeRecord& record : catalogue.by_name()) walk.push_back(record.name);
  EXPECT_EQ(walk, names);
}

TEST(Synopsis, ShapesOutsideTheCatalogueAndIllegalOperandTypes) {
  testing::CapturedContext ctx(true);
  VMOpcode catalogue(ctx.context);
  const std::pair<OpcodeRecord, const char*> shapes[] = {
      {{0, "Opt", {128, 1152, 0, 0}, 0}, "Opt,Integer{,Integer}"},
      {{0, "Tail", {16, 2176, 1, 0}, 0}, "Tail,[Routine,0 or Routine,Integer,Object]"},
      {{0, "Gap", {1, 0, 2, 0}, 0}, "Gap,Object"},
      {{0, "", {2176, 0, 0, 0}, 0}, ",[0 or Integer]"}};
  for (const auto& [record, synopsis] : shapes) EXPECT_EQ(catalogue.Synopsis_Of(record), synopsis);
  const std::set<int> legal = {1,   2,   4,    8,    16,   32,   64,   128, 256,
                               512, 384, 1032, 1056, 1088, 1152, 1280, 2176};
  for (int type = -2; type <= 4200; ++type)
    EXPECT_EQ(Is_Legal_Operand_Type(type), legal.count(type) == 1) << type;
  // The last: reading 1 stops at the zero-ending integer, reading 2 still meets the bad slot.
  for (const auto& [types, type] :
       {std::pair{std::array{1, 3, 0, 0}, "3"}, std::pair{std::array{1024, 0, 0, 0}, "1024"},
        std::pair{std::array{2176, 16, -1, 0}, "-1"}}) {
    EXPECT_THROW(catalogue.Synopsis_Of({0, "Bogus", types, 0}), BuildFailure);
    EXPECT_EQ(ctx.Text(), "File    : vmopcode/vmopcode\nLine    : " + std::to_string(ctx.context.line()) +
                              "\nRoutine : VMOpcode::Synopsis\n\nIllegal operand type (\"Bogus\", " + type +
                              ")");
    ctx.entries.clear();
  }
}

}  // namespace
}  // namespace kx
