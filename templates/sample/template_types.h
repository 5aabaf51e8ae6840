/* The element types of the tables, as the interpreter of a template reads
   them. This header also lets a C listing written by Kestrix compile:
   cc -include template_types.h -c script.c */
#ifndef TEMPLATE_TYPES_H
#define TEMPLATE_TYPES_H

#ifndef __cplusplus
#include <stdbool.h>
#endif

/* One compiled step: the operation's code and four encoded operands, each a
   signed 16-bit word, 10 bytes with no padding. A step of five zeros halts. */
typedef struct {
  short code;
  short operand1;
  short operand2;
  short operand3;
  short operand4;
} StepData;

/* A position: three single-precision values, 12 bytes. */
typedef struct {
  float x;
  float y;
  float z;
} Vector;

#ifdef __cplusplus
static_assert(sizeof(StepData) == 10 && sizeof(Vector) == 12 && sizeof(bool) == 1, "table layout");
#else
_Static_assert(sizeof(StepData) == 10 && sizeof(Vector) == 12 && sizeof(bool) == 1, "table layout");
#endif

#endif
