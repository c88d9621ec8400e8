#include "engine/TarExtractor.h"

#include "base/PathUtil.h"
#include "base/UniqueResource.h"

#include <fcntl.h>
#include <libtar.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct TarTraits {
    using Type = TAR*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type tar) { return tar != nullptr; }
    static void Close(Type tar) { tar_close(tar); }
};
using ScopedTar = UniqueResource<TarTraits>;

// The member's path as stored. libtar's own name getter drops leading "/" and
// "../" parts, which would hide exactly what has to be refused.
std::string StoredName(const TAR* tar)
{
    const tar_header& header = tar->th_buf;
    if (header.gnu_longname != nullptr)
        return header.gnu_longname;
    const std::string name(header.name, strnlen(header.name, sizeof(header.name)));
    // The prefix field counts only in POSIX archives, as for libtar itself.
    if (strncmp(header.magic, TMAGIC, TMAGLEN - 1) != 0 || header.prefix[0] == '\0')
        return name;
    return std::string(header.prefix, strnlen(header.prefix, sizeof(header.prefix))) + "/" + name;
}

// Plain files and folders only: links could point anywhere, and devices and
// fifos have no place in a Windows package.
bool IsPlainMember(const TAR* tar)
{
    const char type = tar->th_buf.typeflag;
    return type == REGTYPE || type == AREGTYPE || type == DIRTYPE;
}

int ExtractMembers(TAR* tar, const std::string& targetFolder)
{
    int read;
    while ((read = th_read(tar)) == 0) {
        const std::string name = StoredName(tar);
        if (!IsPlainMember(tar) || !IsContainedRelativePath(name)) {
            fprintf(stderr, "tar member refused: %s\n", name.c_str());
            return -1;
        }
        std::string realName = targetFolder + "/" + name;
        std::vector<char> buffer(realName.begin(), realName.end());
        buffer.push_back('\0');
        if (tar_extract_file(tar, buffer.data()) != 0)
            return -1;
    }
    return read == 1 ? 0 : -1;
}

}  // namespace

int ExtractTar(const std::string& tarPath, const std::string& targetFolder)
{
    if (tarPath.empty())
        return -1;
    if (targetFolder.empty())
        return -2;

    TAR* opened = nullptr;
    if (tar_open(&opened, tarPath.c_str(), nullptr, O_RDONLY, 0, 0) != 0) {
        fprintf(stderr, "tar_open(): %s\n", strerror(errno));
        return -1;
    }
    ScopedTar tar(opened);
    const int extracted = ExtractMembers(tar.Get(), targetFolder);
    if (extracted != 0)
        fprintf(stderr, "tar_extract_all(): %s\n", strerror(errno));
    // Closed by hand: a failed close means the file was not read cleanly.
    if (tar_close(tar.Release()) != 0) {
        fprintf(stderr, "tar_close(): %s\n", strerror(errno));
        return -1;
    }
    return extracted;
}
