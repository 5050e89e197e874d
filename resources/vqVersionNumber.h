// One version for every deliverable of the product.
#pragma once
#define VQ_VER_MAJOR 2
#define VQ_VER_MINOR 1
#define VQ_VER_PATCH 5
#define VQ_VER_BUILD 37

#define VQ_VER_STR2(x) #x
#define VQ_VER_STR(x) VQ_VER_STR2(x)
#define VQ_VER_TEXT \
  VQ_VER_STR(VQ_VER_MAJOR) ", " VQ_VER_STR(VQ_VER_MINOR) ", " VQ_VER_STR(VQ_VER_PATCH) ", " VQ_VER_STR(VQ_VER_BUILD)
#define VQ_PRODUCT_TEXT VQ_VER_STR(VQ_VER_MAJOR) ", " VQ_VER_STR(VQ_VER_MINOR) ", " VQ_VER_STR(VQ_VER_PATCH) ", 0"
