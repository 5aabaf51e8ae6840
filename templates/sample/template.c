/* The sample template: the ten tables that a build fills, and a version
   function. It holds no interpreter: a game's own template carries one that
   runs these tables; this one is for trying Kestrix out and for its tests.

   Every table starts filled with a marker (-1, true, "-") rather than zeros:
   zero-initialised data has no bytes in the file and could not be patched,
   and the elements that a build leaves alone stay easy to recognise. */
#include "template_sizes.h"
#include "template_types.h"

#ifdef _WIN32
#define TEMPLATE_EXPORT __declspec(dllexport)
#else
#define TEMPLATE_EXPORT __attribute__((visibility("default")))
#endif

#define FILL(rows) [0 ... (rows) - 1] =
#define BLANK_STEP { -1, -1, -1, -1, -1 }
#define BLANK_VECTOR { -1.0f, -1.0f, -1.0f }

__extension__ TEMPLATE_EXPORT StepData RoutineData[TEMPLATE_STEP_DATA_ROWS] = {
    FILL(TEMPLATE_STEP_DATA_ROWS) BLANK_STEP};
TEMPLATE_EXPORT short NumberOfRoutines = -1;
__extension__ TEMPLATE_EXPORT short GlobalRoutineSpeed[TEMPLATE_MAX_ROUTINE_COUNT] = {
    FILL(TEMPLATE_MAX_ROUTINE_COUNT) -1};
__extension__ TEMPLATE_EXPORT bool GlobalRoutinePriority[TEMPLATE_MAX_ROUTINE_COUNT] = {
    FILL(TEMPLATE_MAX_ROUTINE_COUNT) true};
__extension__ TEMPLATE_EXPORT short RoutineOffset[TEMPLATE_MAX_ROUTINE_COUNT] = {
    FILL(TEMPLATE_MAX_ROUTINE_COUNT) -1};
__extension__ TEMPLATE_EXPORT bool DebugText[TEMPLATE_MAX_ROUTINE_COUNT] = {
    FILL(TEMPLATE_MAX_ROUTINE_COUNT) true};
__extension__ TEMPLATE_EXPORT Vector GlobalVectorArray[TEMPLATE_POSITION_ROWS] = {
    FILL(TEMPLATE_POSITION_ROWS) BLANK_VECTOR};
__extension__ TEMPLATE_EXPORT char NameArray[TEMPLATE_NAME_ROWS][TEMPLATE_NAME_COLS] = {
    FILL(TEMPLATE_NAME_ROWS) "-"};
__extension__ TEMPLATE_EXPORT short GlobalIntegerArray[TEMPLATE_INTEGER_ROWS] = {
    FILL(TEMPLATE_INTEGER_ROWS) -1};
__extension__ TEMPLATE_EXPORT char ObjectiveArray[TEMPLATE_OBJECTIVE_ROWS][TEMPLATE_OBJECTIVE_COLS] = {
    FILL(TEMPLATE_OBJECTIVE_ROWS) "-"};

TEMPLATE_EXPORT const char* TemplateVersion(void) {
  return "Kestrix sample template 1.0: the ten tables, no interpreter";
}

#ifdef _WIN32
/* The DLL links no C runtime, so it brings its own entry point. */
int __stdcall DllEntry(void* instance, unsigned long reason, void* reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return 1;
}
#endif
