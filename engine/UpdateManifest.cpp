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
        entry.size = AttributeOf(delta, "size");
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
