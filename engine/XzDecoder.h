#pragma once

#include <cstdio>

// Decodes the xz stream (or several in a row) read from in into out, the
// blocks of a multi-block stream on several threads within a bounded memory
// budget. 0 on success; 1 when the data is damaged or cut short, its check
// type is unsupported, or a read or write fails.
int DecompressXz(FILE* in, FILE* out);
