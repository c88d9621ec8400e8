#pragma once

#include <memory>
#include <string>
#include <vector>

class TiXmlDocument;

// One file of the manifest: its path relative to the install folder and the
// MD5 digest of its new contents (empty when the manifest gives none).
struct FileEntry {
    std::string path;
    std::string md5;
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

    std::string GetPath() const;

    // Text of the first "package" child of a "configure" root, or "".
    std::string GetPackage() const;

    // Appends the files of every "filelist" of a "configure" root in document
    // order; the list is not cleared first.
    void GetFileList(std::vector<FileEntry>& list) const;

private:
    std::unique_ptr<TiXmlDocument> document_;
    std::string path_;
};
