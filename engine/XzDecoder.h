#pragma once

#include <cstdio>

class GrowingFile;

// Decodes the xz stream (or several in a row) read from in into out, the
// blocks of a multi-block stream on several threads within a bounded memory
// budget. When published is given, the bytes written so far are flushed and
// published to it in steps of about a megabyte, so that a reader can follow.
// 0 on success; 1 when the data is damaged or cut short, its check type is
// unsupported, or a read or write fails.
int DecompressXz(FILE* in, FILE* out, GrowingFile* published = nullptr);
