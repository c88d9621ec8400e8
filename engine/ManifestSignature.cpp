#include "engine/ManifestSignature.h"

#include "base/PathUtil.h"
#include "base/ScopedCrypt.h"
#include "base/ScopedHandles.h"
#include "base/TextConversion.h"
#include "engine/Sha256.h"
#include "engine/UpdateLog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kKeyTag[] = "p256 ";
constexpr char kSignatureHeader[] = "corvane manifest signature 1";
constexpr char kSignatureKeyTag[] = "key ";
constexpr char kSignatureTag[] = "ecdsa-p256-sha256 ";
constexpr size_t kKeyIdBytes = 8;
constexpr size_t kSignatureSize = 64;  // r and s, 32 bytes each

// The text's lines without their "\r\n" or "\n" ends; a last line without
// an end counts too.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, strlen(prefix), prefix) == 0;
}

// Opened once for the process, as the hash provider is.
BCRYPT_ALG_HANDLE EcdsaProvider()
{
    static const ScopedBcryptAlgorithm provider = OpenBcryptAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    return provider.Get();
}

bool VerifyP256(const uint8_t point[ManifestKeys::kPointSize], uint8_t hash[Sha256::kSize],
                uint8_t signature[kSignatureSize])
{
    const BCRYPT_ALG_HANDLE provider = EcdsaProvider();
    if (provider == nullptr)
        return false;
    uint8_t blob[sizeof(BCRYPT_ECCKEY_BLOB) + ManifestKeys::kPointSize];
    BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PUBLIC_P256_MAGIC, ManifestKeys::kPointSize / 2};
    memcpy(blob, &header, sizeof(header));
    memcpy(blob + sizeof(header), point, ManifestKeys::kPointSize);
    BCRYPT_KEY_HANDLE imported = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptImportKeyPair(provider, nullptr, BCRYPT_ECCPUBLIC_BLOB, &imported, blob, sizeof(blob), 0)))
        return false;
    const ScopedBcryptKey key(imported);
    return BCRYPT_SUCCESS(BCryptVerifySignature(key.Get(), nullptr, hash, Sha256::kSize, signature, kSignatureSize, 0));
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

}  // namespace

std::string KeyIdOf(const uint8_t point[ManifestKeys::kPointSize])
{
    Sha256 sha;
    sha.Update(point, ManifestKeys::kPointSize);
    uint8_t digest[Sha256::kSize];
    return sha.Final(digest) ? ToLowerHex(digest, kKeyIdBytes) : "";
}

ManifestKeys ManifestKeys::FromModule(HMODULE module)
{
    ManifestKeys keys;
    // RT_RCDATA, in its wide form.
    HRSRC found = FindResourceW(module, kResourceName, MAKEINTRESOURCEW(10));
    if (found == nullptr)
        return keys;
    const HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(module, found);
    // A resource that cannot be read still says that keys were meant to be
    // there: no manifest passes then.
    if (data == nullptr || !keys.Parse(std::string(static_cast<const char*>(data), size)))
        keys.present_ = true;
    return keys;
}

const ManifestKeys& ManifestKeys::BuiltIn()
{
    static const ManifestKeys keys = FromModule(GetModuleHandleW(nullptr));
    return keys;
}

bool ManifestKeys::Parse(const std::string& text)
{
    present_ = true;
    keys_.clear();
    for (const std::string& line : SplitLines(text)) {
        if (line.empty() || line[0] == '#')
            continue;
        Key key;
        if (!StartsWith(line, kKeyTag) || !FromHex(line.substr(strlen(kKeyTag)), key.point, kPointSize) ||
            keys_.size() == kMaxKeys) {
            keys_.clear();
            return false;
        }
        key.id = KeyIdOf(key.point);
        keys_.push_back(key);
    }
    return !keys_.empty();
}

const ManifestKeys::Key* ManifestKeys::Find(const std::string& id) const
{
    for (const Key& key : keys_)
        if (!key.id.empty() && key.id == id)
            return &key;
    return nullptr;
}

std::string SignaturePath(const std::string& manifestPath)
{
    return manifestPath + ".sig";
}

std::string CheckManifestSignature(const std::string& manifestBytes, const std::string& signatureText,
                                   const ManifestKeys& keys, std::string* keyId)
{
    const std::vector<std::string> lines = SplitLines(signatureText);
    uint8_t signature[kSignatureSize];
    if (lines.size() != 3 || lines[0] != kSignatureHeader || !StartsWith(lines[1], kSignatureKeyTag) ||
        !StartsWith(lines[2], kSignatureTag) ||
        !FromHex(lines[2].substr(strlen(kSignatureTag)), signature, kSignatureSize))
        return "its signature file is malformed";
    const std::string id = lines[1].substr(strlen(kSignatureKeyTag));
    const ManifestKeys::Key* key = keys.Find(id);
    if (key == nullptr)
        return "it is signed by the unknown key " + Quoted(id);
    Sha256 sha;
    sha.Update(manifestBytes.data(), manifestBytes.size());
    uint8_t hash[Sha256::kSize];
    if (!sha.Final(hash) || !VerifyP256(key->point, hash, signature))
        return "its signature by the key " + id + " does not match it";
    if (keyId != nullptr)
        *keyId = id;
    return "";
}

int CompareVersions(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const size_t endA = a.find('.', i) == std::string::npos ? a.size() : a.find('.', i);
        const size_t endB = b.find('.', j) == std::string::npos ? b.size() : b.find('.', j);
        std::string partA = i < a.size() ? a.substr(i, endA - i) : "0";
        std::string partB = j < b.size() ? b.substr(j, endB - j) : "0";
        const bool numbers = !partA.empty() && !partB.empty() &&
                             partA.find_first_not_of("0123456789") == std::string::npos &&
                             partB.find_first_not_of("0123456789") == std::string::npos;
        if (numbers) {
            partA.erase(0, std::min(partA.find_first_not_of('0'), partA.size() - 1));
            partB.erase(0, std::min(partB.find_first_not_of('0'), partB.size() - 1));
            if (partA.size() != partB.size())
                return partA.size() < partB.size() ? -1 : 1;
        }
        const int order = partA.compare(partB);
        if (order != 0)
            return order < 0 ? -1 : 1;
        i = endA + 1;
        j = endB + 1;
    }
    return 0;
}

std::string CheckSignedManifest(const UpdateManifest& manifest, const ManifestRules& rules)
{
    const std::string version = manifest.GetVersion();
    if (version.empty())
        return "it names no version";
    if (!rules.commandLineVersion.empty() && version != rules.commandLineVersion)
        return "its version " + Quoted(version) + " is not the version " + Quoted(rules.commandLineVersion) +
               " it was offered as";
    if (!rules.installedVersion.empty() && CompareVersions(version, rules.installedVersion) < 0)
        return "its version " + Quoted(version) + " is older than the installed " + Quoted(rules.installedVersion);
    const PackageDigest package = manifest.GetPackageDigest();
    if (package.sha256.size() != 2 * Sha256::kSize || package.size < 0)
        return "its package has no sha256 and size";
    std::vector<FileEntry> files;
    manifest.GetFileList(files);
    for (const FileEntry& entry : files)
        if (entry.sha256.size() != 2 * Sha256::kSize)
            return "its file " + Quoted(entry.path) + " has no sha256";
    return "";
}

std::string CheckPackage(const std::string& path, const PackageDigest& digest)
{
    if (digest.sha256.empty() && digest.size < 0)
        return "";
    ScopedFile file(fopen(path.c_str(), "rb"));
    if (!file)
        return "it cannot be read";
    Sha256 sha;
    std::vector<char> chunk(256 * 1024);
    long long size = 0;
    size_t got;
    while ((got = fread(chunk.data(), 1, chunk.size(), file.Get())) > 0) {
        sha.Update(chunk.data(), got);
        size += static_cast<long long>(got);
    }
    if (ferror(file.Get()))
        return "it cannot be read";
    if (digest.size >= 0 && size != digest.size)
        return "its size " + std::to_string(size) + " is not the manifest's " + std::to_string(digest.size);
    if (!digest.sha256.empty() && _stricmp(sha.FinalHex().c_str(), digest.sha256.c_str()) != 0)
        return "its sha256 is not the manifest's";
    return "";
}

ManifestLoad LoadCheckedManifest(UpdateManifest& manifest, const std::string& path, const ManifestKeys& keys,
                                 const ManifestRules& rules)
{
    UpdateLog& log = UpdateLog::Instance();
    if (!keys.Present()) {
        if (!manifest.Load(path))
            return ManifestLoad::kUnreadable;
        log.Write("manifest: %s used without a signature check, since no key is built in.", path.c_str());
        return ManifestLoad::kLoaded;
    }
    std::string bytes;
    if (!ReadWholeFile(path, bytes) || !manifest.LoadFromBytes(path, bytes))
        return ManifestLoad::kUnreadable;
    std::string signature;
    std::string why;
    std::string keyId;
    if (!ReadWholeFile(SignaturePath(path), signature))
        why = "its signature file " + SignaturePath(path) + " cannot be read";
    else
        why = CheckManifestSignature(bytes, signature, keys, &keyId);
    if (why.empty())
        why = CheckSignedManifest(manifest, rules);
    if (why.empty()) {
        log.Write("manifest: %s signed by the key %s.", path.c_str(), keyId.c_str());
        return ManifestLoad::kLoaded;
    }
    // Refused: nothing of it may be used.
    (void)manifest.LoadFromBytes(path, "");
    log.Write("manifest: %s refused, %s.", path.c_str(), why.c_str());
    return ManifestLoad::kRefused;
}
