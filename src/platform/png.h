// PNG pictures, for documents and web pages (written with Qt's image writer).
#pragma once

#include "image/image.h"

// Writes a 24-bit PNG, replacing the file only once the new one is complete.
// Returns 1, or 0 for an empty record or when the file cannot be written (an
// old file stays as it was).
int save_png(const char* path, const rgb_image* image);
