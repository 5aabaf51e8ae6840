/* Row and column counts of the sample template's tables. Each one may be
   overridden on the compiler's command line (-DTEMPLATE_...=n); the values
   here make the roomy template. Column counts are bytes per text row, the
   terminating zero included. */
#ifndef TEMPLATE_SIZES_H
#define TEMPLATE_SIZES_H

#ifndef TEMPLATE_MAX_ROUTINE_COUNT
#define TEMPLATE_MAX_ROUTINE_COUNT 64
#endif
#ifndef TEMPLATE_MAX_OBJECT_COUNT
#define TEMPLATE_MAX_OBJECT_COUNT 1024
#endif
#ifndef TEMPLATE_STEP_DATA_ROWS
#define TEMPLATE_STEP_DATA_ROWS 4096
#endif
#ifndef TEMPLATE_POSITION_ROWS
#define TEMPLATE_POSITION_ROWS 256
#endif
#ifndef TEMPLATE_NAME_ROWS
#define TEMPLATE_NAME_ROWS 256
#endif
#ifndef TEMPLATE_NAME_COLS
#define TEMPLATE_NAME_COLS 64
#endif
#ifndef TEMPLATE_INTEGER_ROWS
#define TEMPLATE_INTEGER_ROWS 256
#endif
#ifndef TEMPLATE_OBJECTIVE_ROWS
#define TEMPLATE_OBJECTIVE_ROWS 64
#endif
#ifndef TEMPLATE_OBJECTIVE_COLS
#define TEMPLATE_OBJECTIVE_COLS 256
#endif

#endif
