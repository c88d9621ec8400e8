#pragma once

#include <windows.h>

#include <string>

// The folders a program owns, removed and written without ever leaving them
// through a link. A link is any entry that leads elsewhere: a symbolic link
// to a file or a folder, a junction, a mount point. Any program of the user
// can plant one (a junction needs no administrator), so a walk that followed
// it would delete or overwrite whatever it points at.
//
// An entry is opened without following links (FILE_FLAG_OPEN_REPARSE_POINT)
// and is changed only through a handle whose final path is the entry's own
// path: on Windows that handle is the link itself, which is removed as a
// link. Where the system opens the target even so (Wine does for host
// symbolic links), the final path is the target's, and the link is left in
// place rather than followed.

struct TreeRemoval {
    enum Status {
        kRemoved,     // the folder is gone, or was never there
        kRootIsLink,  // the folder itself is a link: nothing was touched
        kLinkLeft,    // a link below could not be removed without following it
        kIncomplete,  // something below could not be removed (in use, denied)
    };
    Status status = kRemoved;
    // The first link met below the folder: removed as a link, or left in
    // place (kLinkLeft).
    std::string link;
};

// Removes the folder with everything below it, read-only files included.
[[nodiscard]] TreeRemoval RemoveFolderTree(const std::string& folder);

// Deletes one file (or an empty folder) through its own handle; a link is
// removed as a link, or left in place where it cannot be without following
// it. True when the path is gone (or was never there).
[[nodiscard]] bool RemoveEntryItself(const std::string& path);

// The error code of a step refused because a link lies in its way
// (ERROR_STOPPED_ON_SYMLINK, which not every SDK's headers name).
constexpr DWORD kErrorStoppedOnLink = 681;

// True when the path is a link, or is there but cannot be opened to tell;
// false for a missing path and for a plain file or folder.
[[nodiscard]] bool IsLink(const std::string& path);

// True when the path, or a folder on the way to it below root, is a link, so
// that what is made there would land elsewhere. Missing parts are not links:
// they are made afresh.
[[nodiscard]] bool LeadsThroughLink(const std::string& root, const std::string& path);
