// What every fuzz target shares: a check that names the broken promise before it stops the run.
#pragma once
#include <stdio.h>
#include <stdlib.h>

#define FUZZ_CHECK(cond)                                                 \
  do {                                                                   \
    if (!(cond)) {                                                       \
      fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #cond); \
      abort();                                                           \
    }                                                                    \
  } while (0)
