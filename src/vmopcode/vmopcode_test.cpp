#include "vmopcode/vmopcode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "vmobject/testing.h"

namespace kx {
namespace {

class CatalogueTest : public ::testing::Test {
 protected:
  testing::CapturedContext ctx{true};
  VMOpcode catalogue{ctx.context};
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

TEST(OpcodeTable, CodesAndNamesAreUnique) {
  std::vector<int> uses(kOpcodeCount + 1, 0);
  std::set<std::string> names;
  for (const OpcodeDefinition& row : kOpcodeTable) {
    ASSERT_GE(row.code, 1) << row.name;
    ASSERT_LE(row.code, kOpcodeCount) << row.name;
    ++uses[row.code];
    EXPECT_TRUE(names.insert(Lower(row.name)).second) << row.name;
  }
  for (int code = 1; code <= kOpcodeCount; ++code) EXPECT_EQ(uses[code], 1) << "code " << code;
}

// Every slot is legal, no operand follows an empty slot, and optional operands
// come after all mandatory ones: the readers and the synopsis rely on that.
TEST(OpcodeTable, OperandListsAreWellFormed) {
  for (const OpcodeDefinition& row : kOpcodeTable) {
    bool ended = false;
    bool optional = false;
    for (VMOpcode_Operand_Type type : row.operand_types) {
      if (type == 0) {
        ended = true;
        continue;
      }
      EXPECT_FALSE(ended) << row.name;
      EXPECT_TRUE(Is_Legal_Operand_Type(type)) << row.name << " " << type;
      if (type & VMOPCODE_OPTIONAL)
        optional = true;
      else
        EXPECT_FALSE(optional) << row.name;
    }
  }
}

TEST(OpcodeTable, LegalOperandTypes) {
  const std::set<int> legal = {1,   2,   4,    8,    16,   32,   64,   128, 256,
                               512, 384, 1032, 1056, 1088, 1152, 1280, 2176};
  for (int type = -2; type <= 4200; ++type)
    EXPECT_EQ(Is_Legal_Operand_Type(type), legal.count(type) == 1) << type;
  EXPECT_FALSE(Is_Legal_Operand_Type(VMOPCODE_OPTIONAL | 0x10000 | VMOPCODE_VARIABLE));
}

TEST_F(CatalogueTest, OperationsWithoutOperands) {
  std::set<std::string> bare;
  for (const OpcodeRecord& record : catalogue.by_name()) {
    if (record.operand_types == std::array<VMOpcode_Operand_Type, 4>{}) bare.insert(record.name);
  }
  const std::set<std::string> expected = {"ChangeSide",   "Clear",     "ConsoleResult", "GetCompForce",
                                          "GetMySide",    "GetMode",   "GetMyForce",    "GetTime",
                                          "GetTimerTime", "StopQuake", "StopTimer"};
  EXPECT_EQ(bare, expected);
}

TEST_F(CatalogueTest, FindByNameIsExactAndCaseSensitive) {
  const OpcodeRecord* wait = catalogue.Find_Opcode_By_Name("Wait");
  ASSERT_NE(wait, nullptr);
  EXPECT_EQ(wait->token, 1151);
  EXPECT_EQ(wait->code, 2);

  const OpcodeRecord* display = catalogue.Find_Opcode_By_Name("Display");
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(display->token, 1048);
  EXPECT_EQ(display->code, 6);
  EXPECT_EQ(display->operand_types, (std::array<VMOpcode_Operand_Type, 4>{4, 512, 1032, 1032}));

  const OpcodeRecord* add = catalogue.Find_Opcode_By_Name("Add");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->token, 1027);
  EXPECT_EQ(catalogue.Find_Opcode_By_Name("AddAmmo")->token, 1024);

  for (const char* name : {"wait", "WAIT", "wAIT", "Wai", "Waitt", "", " Wait", "Wait\xff"})
    EXPECT_EQ(catalogue.Find_Opcode_By_Name(name), nullptr) << name;
}

TEST_F(CatalogueTest, FindByToken) {
  struct Case {
    int token;
    const char* name;
  };
  const Case cases[] = {{1024, "AddAmmo"},   {1027, "Add"},         {1033, "BeaconOn"},
                        {1034, "BeaconOff"}, {1109, "OnDelObject"}, {1151, "Wait"}};
  for (const Case& c : cases) {
    const OpcodeRecord* record = catalogue.Find_Opcode_By_Token(c.token);
    ASSERT_NE(record, nullptr) << c.token;
    EXPECT_EQ(record->name, c.name);
  }
  for (int token : {1023, 1152, 0, -1, 2048})
    EXPECT_EQ(catalogue.Find_Opcode_By_Token(token), nullptr) << token;
}

// Each order keeps its own copy of every record.
TEST_F(CatalogueTest, OrdersHoldSeparateCopies) {
  const OpcodeRecord* by_name = catalogue.Find_Opcode_By_Name("RandJump");
  const OpcodeRecord* by_token = catalogue.Find_Opcode_By_Token(1117);
  ASSERT_NE(by_name, nullptr);
  ASSERT_NE(by_token, nullptr);
  EXPECT_NE(by_name, by_token);
  EXPECT_EQ(by_token->name, "RandJump");
  EXPECT_EQ(by_name->code, 87);
  EXPECT_EQ(by_token->code, 87);
  EXPECT_EQ(by_name->operand_types, (std::array<VMOpcode_Operand_Type, 4>{64, 1088, 1088, 1088}));
  EXPECT_EQ(by_token->operand_types, by_name->operand_types);
}

TEST_F(CatalogueTest, ByNameWalkIsByteWise) {
  std::vector<std::string> walk;
  for (const OpcodeRecord* record = catalogue.by_name().First(); record != nullptr;
       record = catalogue.by_name().Next(*record))
    walk.push_back(record->name);
  ASSERT_EQ(walk.size(), static_cast<std::size_t>(kOpcodeCount));
  EXPECT_EQ(std::vector<std::string>(walk.begin(), walk.begin() + 5),
            (std::vector<std::string>{"Add", "AddAmmo", "AddHealth", "AddScrap", "AddToPos"}));
  EXPECT_EQ(walk[126], "UpdateQuake");
  EXPECT_EQ(walk[127], "Wait");
  EXPECT_EQ(catalogue.by_name().Last()->name, "Wait");
  EXPECT_EQ(catalogue.by_name().First()->name, "Add");
  EXPECT_EQ(catalogue.by_name().Next(*catalogue.by_name().First())->name, "AddAmmo");

  // Upper case before lower case, and a name before the longer names it begins.
  const std::vector<std::vector<std::string>> runs = {
      {"BeaconOff", "BeaconOn"},
      {"CamObject", "CamPath", "CamPathDir", "CamPos"},
      {"Create", "Createp", "Defend"},
      {"GetMaxHealth", "GetMaxScrap", "GetMode", "GetMyForce", "GetMySide"},
      {"GoTo", "GoToo"},
      {"HopOut", "HoppedOutOf"},
      {"IsAlly", "IsAround", "IsDeployed", "IsODF", "IsPerson"},
      {"SetPTeam", "SetPlan", "SetPos"},
      {"Stop", "StopQuake", "StopSound", "StopTimer"},
      {"UnAlly", "UnitSpeed"},
  };
  for (const auto& run : runs) {
    auto at = std::find(walk.begin(), walk.end(), run.front());
    ASSERT_LE(at + run.size(), walk.end()) << run.front();
    EXPECT_EQ(std::vector<std::string>(at, at + run.size()), run);
  }

  std::vector<std::string> iterated;
  for (const OpcodeRecord& record : catalogue.by_name()) iterated.push_back(record.name);
  EXPECT_EQ(iterated, walk);
}

TEST_F(CatalogueTest, ByTokenWalkIsTableOrder) {
  int position = 0;
  for (const OpcodeRecord& record : catalogue.by_token()) {
    ASSERT_LT(position, kOpcodeCount);
    EXPECT_EQ(record.name, kOpcodeTable[position].name);
    EXPECT_EQ(record.token, kFirstOpcodeToken + position);
    ++position;
  }
  EXPECT_EQ(position, kOpcodeCount);
  EXPECT_EQ(catalogue.by_token().First()->name, "AddAmmo");
  EXPECT_EQ(catalogue.by_token().Last()->name, "Wait");
}

}  // namespace
}  // namespace kx
