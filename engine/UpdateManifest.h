#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TiXmlDocument;

// One file of the manifest: its path relative to the install folder and the
// MD5 and SHA-256 digests of its new contents (each empty when the manifest
// gives none).
struct FileEntry {
    FileEntry() = default;
    FileEntry(std::string relativePath, std::string md5Digest, std::string sha256Digest = "")
        : path(std::move(relativePath)), md5(std::move(md5Digest)), sha256(std::move(sha256Digest))
    {
    }

    std::string path;
    std::string md5;
    std::string sha256;
};

// What the manifest says of the package's bytes: their SHA-256 ("" when not
// given) and their length (-1 when not given or not a decimal number).
struct PackageDigest {
    std::string sha256;
    long long size = -1;
};

// One file that a delta package carries as a patch: the file's path as the
// filelist gives it, the patch's path below the folder the delta package is
// unpacked into, and the MD5 digest of the installed copy it applies to.
struct DeltaPatchEntry {
    std::string path;
    std::string member;
    std::string baseMd5;
};

// A delta package from one older version: it leaves out the files unchanged
// since that version, carries new files whole and changed ones whole or as
// patches. Each path of `patches` and `whole` is one of the filelist's.
struct DeltaEntry {
    std::string base;     // the older version, as published
    std::string package;  // the delta package's file name
    PackageDigest digest;  // its size and SHA-256, as published
    std::vector<DeltaPatchEntry> patches;
    std::vector<std::string> whole;
};

// The parsed configure.xml: the package to download and the files it installs.
class UpdateManifest {
public:
    UpdateManifest();
    ~UpdateManifest();
    UpdateManifest(const UpdateManifest&) = delete;
    UpdateManifest& operator=(const UpdateManifest&) = delete;

    // True when the file exists and parses. The path is kept either way; after
    // a failed load the manifest has no package and no files.
    bool Load(const std::string& path);

    // The same for bytes already read from the path (such as those whose
    // signature was checked), so that what is used is what was checked.
    bool LoadFromBytes(const std::string& path, const std::string& bytes);

    std::string GetPath() const;

    // Text of the first "package" child of a "configure" root, or "".
    std::string GetPackage() const;

    // The "sha256" and "size" attributes of that "package" element.
    PackageDigest GetPackageDigest() const;

    // Text of the first "version" child of a "configure" root, or "".
    std::string GetVersion() const;

    // Appends the files of every "filelist" of a "configure" root in document
    // order; the list is not cleared first.
    void GetFileList(std::vector<FileEntry>& list) const;

    // Appends the "delta" children of a "configure" root in document order;
    // one without a package name is skipped.
    void GetDeltas(std::vector<DeltaEntry>& list) const;

private:
    std::unique_ptr<TiXmlDocument> document_;
    std::string path_;
};
