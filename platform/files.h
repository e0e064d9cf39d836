#pragma once
// File operations whose behaviour differs by platform. Paths use the platform's separator.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::files {

struct Entry {
    std::u16string name;
    bool folder = false;    // a real folder (never a link)
    bool link = false;      // a symbolic link or junction, whatever it points at
    bool readOnly = false;  // Windows: the read-only attribute; here: no write bit in the mode
};

// Every entry of the folder, hidden and system entries included, "." and ".." left out, in the
// order the file system gives them. False when the folder cannot be listed.
bool listFolder(const std::u16string &folder, std::vector<Entry> &entries);

bool fileExists(const std::u16string &path);    // a file (or a link to one)
bool folderExists(const std::u16string &path);  // a folder (or a link to one)
// The entry exists and is marked read-only.
bool isReadOnly(const std::u16string &path);
// Makes the entry a normal, writable file (clears read-only, hidden, system).
bool clearAttributes(const std::u16string &path);

// Removes a file, or a link as a link. On failure returns false and sets error to the platform's number.
bool removeFile(const std::u16string &path, int *error = nullptr);
// Removes an empty folder, or a link to a folder as a link.
bool removeFolder(const std::u16string &path, int *error = nullptr);
// Creates one folder; its parent must exist. 0 on success, else the platform's error number
// (an existing folder is a failure).
int makeFolder(const std::u16string &path);
// Creates the folder with every missing parent. True when it exists afterwards.
bool makePath(const std::u16string &path);

// What emptyTree reports, with the path below the emptied folder (a folder's path ends with a separator).
enum class TreeStep { Folder, File, FileFailed, FolderFailed };
using TreeReport = std::function<void(TreeStep, const std::u16string &relativePath)>;
// Removes everything below the folder and keeps the folder itself. Links are removed as links, never
// followed. Folder and File are reported before each folder is emptied and each file removed, only when
// `each` is set (so the quiet run builds no paths); failures are always reported. A folder that cannot be
// listed is left as it is and its removal reported as failed. A folder below that is the mount point of
// another file system (a share, a bind mount) is neither entered nor removed and reported as failed.
// A read-only folder below loses its mark before it is emptied, as a read-only file does.
void emptyTree(const std::u16string &folder, bool each, const TreeReport &report);

// Gives the open file fd the owner, group and mode of the file at path, so that a file written anew
// in its place keeps who may read and write it. The owner only where the process may give it away;
// false when the group could not be kept either (the new file would lock the file's group out).
// Windows: nothing to do, a new file takes the permissions its folder hands down.
bool keepOwnerAndMode(const std::u16string &path, int fd);

// Renames, failing when the target exists (never replaces).
bool renameNoReplace(const std::u16string &from, const std::u16string &to, int *error = nullptr);

// Size in bytes of the first entry matching the path (wildcards allowed, folders included: a folder's
// own entry gives 0); -1 when none matches. A relative path is taken from the working folder.
std::int64_t firstMatchSize(const std::u16string &path);

// Absolute form of a path, "." and ".." resolved (no links followed), with the platform's separators.
std::u16string absolutePath(const std::u16string &path);

// Why the file could not be created anew or opened for writing: 0 when it can be, else the
// platform's own error number (GetLastError() on Windows, errno here), such as a missing folder, no
// right to write, or on Windows a file another program holds open. Nothing changes: an existing file
// is opened without being emptied, a missing one is created and removed again.
int writeOpenError(const std::u16string &path);
// The platform's number of the last failed call of this thread (GetLastError() on Windows, errno).
int lastError();

// Text of a platform error number, for messages.
std::u16string errorText(int error);

} // namespace platform::files
