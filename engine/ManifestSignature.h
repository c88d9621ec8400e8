#pragma once

#include "engine/UpdateManifest.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The publisher's public keys (ECDSA P-256) that a manifest's signature must
// come from. The program carries them as its RCDATA resource MANIFESTKEYS
// (built in from the file that the build option CORVANE_MANIFEST_KEYS
// names): one key a line, "p256 " and the 128 hex digits of the point's X
// and Y; blank lines and lines starting with "#" are skipped. One or two
// keys: two while a key is being rotated, so that a manifest signed by
// either is good.
class ManifestKeys {
public:
    static constexpr size_t kPointSize = 64;
    static constexpr size_t kMaxKeys = 2;
    static constexpr wchar_t kResourceName[] = L"MANIFESTKEYS";

    struct Key {
        std::string id;  // 16 hex digits: the first 8 bytes of the SHA-256 of the point
        uint8_t point[kPointSize];
    };

    // The keys of the module's resource; none when it has no such resource.
    static ManifestKeys FromModule(HMODULE module);
    // The keys of the running program, read once.
    static const ManifestKeys& BuiltIn();

    // Takes the keys of a key file's text; false (and no usable key, so that
    // every manifest is refused) when a line is not a key or there are none
    // or more than kMaxKeys.
    [[nodiscard]] bool Parse(const std::string& text);

    // True when keys were built in, usable or not: manifests must be signed.
    bool Present() const { return present_; }
    const Key* Find(const std::string& id) const;

private:
    bool present_ = false;
    std::vector<Key> keys_;
};

// The id of a key's point, as the key tool prints it.
std::string KeyIdOf(const uint8_t point[ManifestKeys::kPointSize]);

// "<manifest>.sig": the signature beside the manifest, over the manifest's
// exact bytes, in the text form
//     corvane manifest signature 1
//     key <16 hex digits: the id of the key it was made with>
//     ecdsa-p256-sha256 <128 hex digits: r and s>
// with "\n" or "\r\n" ends.
std::string SignaturePath(const std::string& manifestPath);

// Why a manifest's signature is not good; "" when it is, keyId then naming
// the key that made it. Verified with CNG.
std::string CheckManifestSignature(const std::string& manifestBytes, const std::string& signatureText,
                                   const ManifestKeys& keys, std::string* keyId = nullptr);

// -1, 0 or 1 as version a is older than, the same as or newer than b:
// dot-separated parts, numbers compared as numbers, other parts as text, a
// missing part as 0.
int CompareVersions(const std::string& a, const std::string& b);

// What a run needs of a manifest before it acts on it.
struct ManifestRules {
    // The check run's --version, which a signed manifest must carry; "" for
    // the exec run, which checks the recorded manifest again.
    std::string commandLineVersion;
    // The version of the last installation completed ("" for none): an
    // older manifest is a replayed one.
    std::string installedVersion;
};

// Why a signed manifest must not be used though its signature is good (its
// version, a missing digest); "" when it may.
std::string CheckSignedManifest(const UpdateManifest& manifest, const ManifestRules& rules);

// Why a downloaded package is not the one the manifest describes (its size
// or its SHA-256); "" when it is, or when the manifest says nothing of it.
std::string CheckPackage(const std::string& path, const PackageDigest& digest);

// The one way a run takes its manifest. Without built-in keys the file is
// loaded as it is and one line says that it was not checked. With keys, the
// bytes are read once, their signature checked, the manifest parsed from
// those very bytes and the rules applied; a manifest refused logs one line
// naming it and why, one taken a line naming the key that signed it.
enum class ManifestLoad { kLoaded, kUnreadable, kRefused };
[[nodiscard]] ManifestLoad LoadCheckedManifest(UpdateManifest& manifest, const std::string& path,
                                               const ManifestKeys& keys, const ManifestRules& rules);
