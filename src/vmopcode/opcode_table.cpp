#include "vmopcode/vmopcode.h"

namespace kx {
namespace {

// Short names for the operand types, so that each row reads like the catalogue itself.
constexpr VMOpcode_Operand_Type Object = VMOPCODE_OBJECT;
constexpr VMOpcode_Operand_Type String = VMOPCODE_STRING;
constexpr VMOpcode_Operand_Type TextName = VMOPCODE_TEXTNAME;
constexpr VMOpcode_Operand_Type Variable = VMOPCODE_VARIABLE;
constexpr VMOpcode_Operand_Type Routine = VMOPCODE_ROUTINE;
constexpr VMOpcode_Operand_Type Position = VMOPCODE_POSITION;
constexpr VMOpcode_Operand_Type Label = VMOPCODE_LABEL;
constexpr VMOpcode_Operand_Type Integer = VMOPCODE_INTEGER;
constexpr VMOpcode_Operand_Type Boolean = VMOPCODE_BOOLEAN;
constexpr VMOpcode_Operand_Type Color = VMOPCODE_COLOR;
constexpr VMOpcode_Operand_Type BooleanOrInteger = VMOPCODE_BOOLEAN | VMOPCODE_INTEGER;
constexpr VMOpcode_Operand_Type OptionalVariable = VMOPCODE_OPTIONAL | VMOPCODE_VARIABLE;
constexpr VMOpcode_Operand_Type OptionalPosition = VMOPCODE_OPTIONAL | VMOPCODE_POSITION;
constexpr VMOpcode_Operand_Type OptionalLabel = VMOPCODE_OPTIONAL | VMOPCODE_LABEL;
constexpr VMOpcode_Operand_Type OptionalBoolean = VMOPCODE_OPTIONAL | VMOPCODE_BOOLEAN;
constexpr VMOpcode_Operand_Type ZeroEndsInteger = VMOPCODE_ZERO_ENDS | VMOPCODE_INTEGER;

}  // namespace

// The order of the rows fixes the tokens: it is not alphabetical ("Add" follows
// "AddScrap", "BeaconOn" precedes "BeaconOff") and must not be sorted.
const std::array<OpcodeDefinition, kOpcodeCount> kOpcodeTable = {{
    {"AddAmmo", 60, {Object, Integer}},
    {"AddHealth", 59, {Object, Integer}},
    {"AddScrap", 95, {Integer, Integer}},
    {"Add", 8, {Variable, Integer, OptionalVariable}},
    {"AddToPos", 117, {Integer, Integer, Integer, Position}},
    {"AllLookAt", 49, {Integer, Object, Integer}},
    {"Ally", 69, {Integer, Integer}},
    {"Attack", 4, {Object, Object, Integer}},
    {"Audio", 32, {String}},
    {"BeaconOn", 33, {Object}},
    {"BeaconOff", 34, {Object}},
    {"Build", 26, {Object, String, Integer}},
    {"CamObject", 89, {Object, Position, Object, Integer}},
    {"CamPos", 92, {Object, Position, Position, Integer}},
    {"CamPath", 90, {String, Integer, Integer, Object}},
    {"CamPathDir", 91, {String, Integer, Integer, BooleanOrInteger}},
    {"ChangeSide", 40, {}},
    {"Clear", 5, {}},
    {"ClearTeamColor", 101, {Integer}},
    {"ConsoleResult", 84, {}},
    {"ConsoleWord", 77, {String}},
    {"Create", 1, {Object, String, Integer, Position}},
    {"Createp", 25, {Object, String, Integer, String}},
    {"Defend", 28, {Object, Object, Integer}},
    {"Display", 6, {TextName, Color, OptionalVariable, OptionalVariable}},
    {"DistObject", 21, {Object, Object}},
    {"DistPath", 22, {Object, String}},
    {"DropOff", 47, {Object, String, Integer}},
    {"EjectPilot", 81, {Object}},
    {"EvalPos", 114, {Position, Integer}},
    {"Fade", 116, {Integer, Integer, Integer}},
    {"Fail", 18, {Integer, String}},
    {"Follow", 3, {Object, Object, Integer}},
    {"GetAlt", 105, {Position, OptionalPosition}},
    {"GetByIndex", 127, {Object, Object, Variable}},
    {"GetByLabel", 41, {Object, String}},
    {"GetByTS", 7, {Object, Integer, Integer}},
    {"GetCommand", 14, {Object}},
    {"GetCompForce", 111, {}},
    {"GetCurAmmo", 55, {Object}},
    {"GetCurHealth", 53, {Object}},
    {"GetMaxHealth", 57, {Object}},
    {"GetMaxScrap", 98, {Integer}},
    {"GetMySide", 112, {}},
    {"GetIn", 45, {Object, Object, Integer}},
    {"GetMode", 113, {}},
    {"GetMyForce", 110, {}},
    {"GetPlayer", 23, {Object}},
    {"GetPos", 50, {Object, Position}},
    {"GetScrap", 97, {Integer}},
    {"GetRace", 126, {Object}},
    {"GetTarget", 106, {Object, Object}},
    {"GetTeam", 61, {Object}},
    {"GetTime", 99, {}},
    {"GetTimerTime", 72, {}},
    {"GetTug", 93, {Object, Object}},
    {"GiveWeapon", 80, {Object, String}},
    {"GlobalSpeed", 85, {Integer}},
    {"GoTo", 16, {Object, String, Integer}},
    {"GoToo", 102, {Object, Object, Integer}},
    {"HasCargo", 94, {Object}},
    {"HasPilot", 51, {Object}},
    {"HealthPercent", 52, {Object}},
    {"HopOut", 82, {Object}},
    {"HoppedOutOf", 108, {Object, Object}},
    {"IfEQ", 12, {BooleanOrInteger, Label}},
    {"IfGT", 11, {Integer, Label}},
    {"IfLT", 10, {Integer, Label}},
    {"IfNE", 13, {BooleanOrInteger, Label}},
    {"IsAlly", 109, {Object, Object}},
    {"IsAround", 17, {Object}},
    {"IsDeployed", 78, {Object}},
    {"IsODF", 29, {Object, String}},
    {"IsPerson", 104, {Object}},
    {"IsSelected", 79, {Object}},
    {"JumpTo", 27, {Label}},
    {"KillPilot", 107, {Object}},
    {"LookAt", 48, {Object, Object, Integer}},
    {"Mine", 43, {Object, String, Integer}},
    {"Mult", 115, {Variable, Integer, OptionalVariable}},
    {"NearObject", 35, {Object, Object}},
    {"NearVehicle", 36, {Object, Object}},
    {"NearVehiclep", 37, {Object, String, Integer}},
    {"NearBuilding", 38, {Object, Object}},
    {"NearEnemy", 39, {Object, Object}},
    {"OnDelObject", 121, {ZeroEndsInteger, Routine, Object}},
    {"OnNewObject", 120, {ZeroEndsInteger, Routine, Object}},
    {"Patrol", 44, {Object, String, Integer}},
    {"Pickup", 46, {Object, Object, Integer}},
    {"PlaceAt", 64, {Object, Position}},
    {"PlaceAtP", 63, {Object, String}},
    {"PosAngle", 119, {Position, Variable, Variable, Position}},
    {"Quake", 74, {Integer}},
    {"RandJump", 87, {Label, OptionalLabel, OptionalLabel, OptionalLabel}},
    {"RandPos", 86, {Position, Position, Position}},
    {"RandShift", 118, {Position, Integer, Integer, Position}},
    {"Remove", 103, {Object}},
    {"RunSpeed", 9, {Routine, Integer, Boolean, OptionalBoolean}},
    {"Service", 42, {Object, Object, Integer}},
    {"Set", 15, {Variable, Integer}},
    {"SetByIndex", 128, {Object, Variable, Object}},
    {"SetCurAmmo", 56, {Object, Integer}},
    {"SetCurHealth", 54, {Object, Integer}},
    {"SetPos", 88, {Position, Integer, Integer, Integer}},
    {"SetMaxHealth", 58, {Object, Integer}},
    {"SetGroup", 24, {Object, Integer}},
    {"SetName", 83, {Object, String}},
    {"SetPlan", 68, {String, Integer}},
    {"SetScrap", 96, {Integer, Integer}},
    {"SetSkill", 124, {Object, Integer}},
    {"SetStep", 31, {Routine, Label}},
    {"SetPTeam", 67, {Object, Integer}},
    {"SetTeam", 62, {Object, Integer}},
    {"SetWeapon", 125, {Object, Integer}},
    {"ShotBy", 66, {Object, Object}},
    {"StartSound", 122, {String}},
    {"StartTimer", 71, {Integer}},
    {"Stop", 20, {Object, Integer}},
    {"StopSound", 123, {Variable}},
    {"StopQuake", 76, {}},
    {"StopTimer", 73, {}},
    {"StoreResult", 30, {Variable}},
    {"Succeed", 19, {Integer, String}},
    {"TeamColor", 100, {Integer, Integer, Integer, Integer}},
    {"UnAlly", 70, {Integer, Integer}},
    {"UnitSpeed", 65, {Object, Integer, Integer, Integer}},
    {"UpdateQuake", 75, {Integer}},
    {"Wait", 2, {Integer}},
}};

}  // namespace kx
