#pragma once

#include <cstdio>

// Decodes the xz stream (or several in a row) read from in into out through
// two 4096-byte buffers. 0 on success; 1 when the data is damaged or cut
// short, its check type is unsupported, or a read or write fails.
int DecompressXz(FILE* in, FILE* out);
