// Builds manifest keys into a copy of the Updater, as the build option
// CORVANE_MANIFEST_KEYS does, for scripts/sample_update.sh, whose key is
// made on the machine that runs it and never reaches a build:
//
//   corvane_key_resource.exe UPDATER_EXE KEY_FILE
// KEY_FILE holds one or two public keys as tools/manifest_key.py prints
// them. Exit code 0 when they are in the program, 1 when the key file or the
// program could not be read or written, 2 on bad usage.
#include "base/PathUtil.h"
#include "base/ResourceUpdate.h"
#include "engine/ManifestSignature.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: corvane_key_resource UPDATER_EXE KEY_FILE\n");
        return 2;
    }
    std::string keys;
    ManifestKeys parsed;
    if (!ReadWholeFile(argv[2], keys) || !parsed.Parse(keys)) {
        fprintf(stderr, "corvane_key_resource: %s holds no usable keys\n", argv[2]);
        return 1;
    }
    if (!WriteRcDataResource(argv[1], ManifestKeys::kResourceName, keys)) {
        fprintf(stderr, "corvane_key_resource: %s could not be changed, error %lu\n", argv[1], GetLastError());
        return 1;
    }
    return 0;
}
