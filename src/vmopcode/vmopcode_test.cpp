#include "vmopcode/vmopcode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "diagnostics/testing.h"

namespace kx {
namespace {

TEST(OpcodeTable, LegalOperandTypes) {
  const std::set<int> legal = {1,   2,   4,    8,    16,   32,   64,   128, 256,
                               512, 384, 1032, 1056, 1088, 1152, 1280, 2176};
  for (int type = -2; type <= 4200; ++type)
    EXPECT_EQ(Is_Legal_Operand_Type(type), legal.count(type) == 1) << type;
  EXPECT_FALSE(Is_Legal_Operand_Type(VMOPCODE_OPTIONAL | 0x10000 | VMOPCODE_VARIABLE));
}

// Lookups by name are exact and case-sensitive; each order keeps its own copy of every record.
TEST(Catalogue, FindByNameAndByToken) {
  testing::CapturedContext ctx(true);
  VMOpcode catalogue(ctx.context);
  const std::pair<int, const char*> cases[] = {{1024, "AddAmmo"},   {1027, "Add"},         {1033, "BeaconOn"},
                                               {1034, "BeaconOff"}, {1109, "OnDelObject"}, {1117, "RandJump"},
                                               {1151, "Wait"}};
  for (const auto& [token, name] : cases) {
    const OpcodeRecord* by_name = catalogue.Find_Opcode_By_Name(name);
    const OpcodeRecord* by_token = catalogue.Find_Opcode_By_Token(token);
    ASSERT_TRUE(by_name && by_token) << name;
    EXPECT_NE(by_name, by_token);
    EXPECT_EQ(by_name->token, token);
    EXPECT_EQ(by_token->name, name);
    EXPECT_EQ(by_token->code, by_name->code);
    EXPECT_EQ(by_token->operand_types, by_name->operand_types);
  }
  EXPECT_EQ(catalogue.Find_Opcode_By_Name("Display")->operand_types,
            (std::array<VMOpcode_Operand_Type, 4>{4, 512, 1032, 1032}));
  for (const char* name : {"wait", "WAIT", "wAIT", "Wai", "Waitt", "", " Wait", "Wait\xff"})
    EXPECT_EQ(catalogue.Find_Opcode_By_Name(name), nullptr) << name;
  for (int token : {1023, 1152, 0, -1, 2048})
    EXPECT_EQ(catalogue.Find_Opcode_By_Token(token), nullptr) << token;
}

TEST(Catalogue, ByNameWalkIsByteWise) {
  testing::CapturedContext ctx(true);
  VMOpcode catalogue(ctx.context);
  std::vector<std::string> walk, iterated;
  for (const OpcodeRecord* record = catalogue.by_name().First(); record != nullptr;
       record = catalogue.by_name().Next(*record))
    walk.push_back(record->name);
  for (const OpcodeRecord& record : catalogue.by_name()) iterated.push_back(record.name);
  EXPECT_EQ(iterated, walk);
  ASSERT_EQ(walk.size(), static_cast<std::size_t>(kOpcodeCount));
  EXPECT_EQ(catalogue.by_name().Last()->name, "Wait");

  // Upper case before lower case, and a name before the longer names it begins.
  const std::vector<std::vector<std::string>> runs = {
      {"Add", "AddAmmo", "AddHealth", "AddScrap", "AddToPos"},
      {"BeaconOff", "BeaconOn"},
      {"CamObject", "CamPath", "CamPathDir", "CamPos"},
      {"Create", "Createp", "Defend"},
      {"GetMaxHealth", "GetMaxScrap", "GetMode", "GetMyForce", "GetMySide"},
      {"GoTo", "GoToo"},
      {"HopOut", "HoppedOutOf"},
      {"IsAlly", "IsAround", "IsDeployed", "IsODF", "IsPerson"},
      {"SetPTeam", "SetPlan", "SetPos"},
      {"Stop", "StopQuake", "StopSound", "StopTimer"},
      {"UnAlly", "UnitSpeed", "UpdateQuake", "Wait"},
  };
  EXPECT_EQ(walk.front(), "Add");
  for (const auto& run : runs) {
    auto at = std::find(walk.begin(), walk.end(), run.front());
    ASSERT_LE(at + run.size(), walk.end()) << run.front();
    EXPECT_EQ(std::vector<std::string>(at, at + run.size()), run);
  }
}

}  // namespace
}  // namespace kx
