#include "engine/UpdateManifest.h"

#include <tinyxml.h>

#include <cstring>

namespace {

const TiXmlElement* ConfigureRoot(const TiXmlDocument* document)
{
    if (!document)
        return nullptr;
    const TiXmlElement* root = document->FirstChildElement();
    if (!root || strcmp(root->Value(), "configure") != 0)
        return nullptr;
    return root;
}

const TiXmlElement* FirstChildOfRoot(const TiXmlDocument* document, const char* name)
{
    const TiXmlElement* root = ConfigureRoot(document);
    return root ? root->FirstChildElement(name) : nullptr;
}

std::string TextOf(const TiXmlElement* element)
{
    const char* text = element->GetText();
    return text ? text : "";
}

std::string AttributeOf(const TiXmlElement* element, const char* name)
{
    const char* value = element->Attribute(name);
    return value ? value : "";
}

// The sha256 and size attributes of a package or delta element; a size that
// is not a plain decimal number is taken as not given.
PackageDigest DigestOf(const TiXmlElement* element)
{
    PackageDigest digest;
    if (!element)
        return digest;
    if (const char* sha256 = element->Attribute("sha256"))
        digest.sha256 = sha256;
    const char* size = element->Attribute("size");
    if (size && *size && strlen(size) <= 15 && strspn(size, "0123456789") == strlen(size))
        digest.size = std::stoll(size);
    return digest;
}

}  // namespace

UpdateManifest::UpdateManifest() = default;
UpdateManifest::~UpdateManifest() = default;

bool UpdateManifest::Load(const std::string& path)
{
    document_ = std::make_unique<TiXmlDocument>();
    path_ = path;
    if (document_->LoadFile(path.c_str(), TIXML_ENCODING_UNKNOWN))
        return true;
    // The parser keeps what it read before the error; a broken manifest must
    // not yield a package or files.
    document_.reset();
    return false;
}

bool UpdateManifest::LoadFromBytes(const std::string& path, const std::string& bytes)
{
    // As a load from the file reads it: line ends become "\n" first.
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            text += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            text += bytes[i];
        }
    }
    document_ = std::make_unique<TiXmlDocument>(path.c_str());
    path_ = path;
    document_->Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    if (!document_->Error() && text.find('\0') == std::string::npos)
        return true;
    document_.reset();
    return false;
}

std::string UpdateManifest::GetPath() const
{
    return path_;
}

std::string UpdateManifest::GetPackage() const
{
    const TiXmlElement* root = ConfigureRoot(document_.get());
    if (!root)
        return "";
    const TiXmlElement* package = root->FirstChildElement("package");
    return package ? TextOf(package) : "";
}

PackageDigest UpdateManifest::GetPackageDigest() const
{
    return DigestOf(FirstChildOfRoot(document_.get(), "package"));
}

std::string UpdateManifest::GetVersion() const
{
    const TiXmlElement* version = FirstChildOfRoot(document_.get(), "version");
    return version ? TextOf(version) : "";
}

void UpdateManifest::GetFileList(std::vector<FileEntry>& list) const
{
    const TiXmlElement* root = ConfigureRoot(document_.get());
    if (!root)
        return;
    for (const TiXmlElement* fileList = root->FirstChildElement("filelist"); fileList;
         fileList = fileList->NextSiblingElement("filelist")) {
        for (const TiXmlElement* file = fileList->FirstChildElement("file"); file;
             file = file->NextSiblingElement("file")) {
            FileEntry entry;
            for (const TiXmlAttribute* attribute = file->FirstAttribute(); attribute; attribute = attribute->Next()) {
                if (strcmp(attribute->Name(), "md5") == 0)
                    entry.md5 = attribute->Value();
                else if (strcmp(attribute->Name(), "sha256") == 0)
                    entry.sha256 = attribute->Value();
            }
            entry.path = TextOf(file);
            list.push_back(entry);
        }
    }
}

void UpdateManifest::GetDeltas(std::vector<DeltaEntry>& list) const
{
    const TiXmlElement* root = ConfigureRoot(document_.get());
    if (!root)
        return;
    for (const TiXmlElement* delta = root->FirstChildElement("delta"); delta;
         delta = delta->NextSiblingElement("delta")) {
        DeltaEntry entry;
        entry.base = AttributeOf(delta, "base");
        entry.package = AttributeOf(delta, "package");
        entry.digest = DigestOf(delta);
        if (entry.package.empty())
            continue;
        for (const TiXmlElement* patch = delta->FirstChildElement("patch"); patch;
             patch = patch->NextSiblingElement("patch"))
            entry.patches.push_back(
                DeltaPatchEntry{TextOf(patch), AttributeOf(patch, "member"), AttributeOf(patch, "md5")});
        for (const TiXmlElement* whole = delta->FirstChildElement("whole"); whole;
             whole = whole->NextSiblingElement("whole"))
            entry.whole.push_back(TextOf(whole));
        list.push_back(std::move(entry));
    }
}
