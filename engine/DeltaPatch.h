#pragma once

#include "engine/UpdateManifest.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Delta packages: a package from one older version that carries only what
// changed since, some files as zstd patches against their installed copies
// (made with `zstd --patch-from`).

// The decoder's bound: a patch may ask for a window of at most 2^27 bytes
// (128 MiB), and a base copy may be at most that large. The publisher
// carries larger files whole.
constexpr int kPatchWindowLogMax = 27;
constexpr uint64_t kPatchBaseLimit = 1ull << kPatchWindowLogMax;

// Rebuilds a file from its base copy and a one-frame zstd patch made
// against it, into a new target file, taking the digest on the way. The base
// is mapped, not read into memory. ERROR_SUCCESS; ERROR_CRC when the rebuilt
// bytes lack the digest; ERROR_INVALID_DATA for a damaged, cut or foreign
// patch or one with more than one frame; ERROR_NOT_ENOUGH_MEMORY when the
// patch or the base is beyond the bound above; else the error of the open,
// read or write that failed. A failed target is removed.
[[nodiscard]] DWORD ApplyZstdPatch(const std::string& basePath, const std::string& patchPath,
                                   const std::string& targetPath, const std::string& md5);

// The first delta that fits the install folder: all of its entries name
// files of the list, inside the folder, with a digest; every file it patches
// has the base digest and every file it leaves out has its new digest
// already. Each installed file is read at most once, however many deltas
// are looked at. Null when none fits.
const DeltaEntry* ChooseDelta(const std::vector<DeltaEntry>& deltas, const std::vector<FileEntry>& files,
                              const std::string& installDir);

// True when the delta carries nothing for the path: the installed copy is
// already the new one.
bool LeavesOut(const DeltaEntry& delta, const std::string& path);

// Builds every file that the delta patches into the tree at root, from its
// copy in the install folder and its patch in the folder the delta was
// unpacked into, and checks it against the list's digest. ERROR_SUCCESS, or
// the error of the first file that failed (ApplyZstdPatch), whose path
// failedPath receives.
[[nodiscard]] DWORD BuildPatchedFiles(const DeltaEntry& delta, const std::vector<FileEntry>& files,
                                      const std::string& folder, const std::string& root, const std::string& installDir,
                                      std::string& failedPath);
